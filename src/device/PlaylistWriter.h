#pragma once

#include "device/PhoneResult.h"

#include <QByteArray>
#include <QString>

class TrackList;
struct PlaylistEntry;

// The extended M3U playlists the system keeps on a phone: "#EXTM3U", then an "#EXTINF" line
// and an entry line per track; CR LF line ends, UTF-8 without byte-order mark. Entries are
// the tracks' paths relative to the "Playlists_CDZ" folder, with "/".
class PlaylistWriter
{
public:
    // The entry line of the track with this device id ("../Music/Artist/Album/Title.mp3").
    static QString entryPath(const QString& aDeviceId);
    static QByteArray content(const PlaylistEntry& aPlaylist, const TrackList& aTrackList);
    // Writes the playlist at a local path, whole or not at all: 0 or kCopyFailed.
    static PhoneResult writeFile(const PlaylistEntry& aPlaylist, const TrackList& aTrackList,
                                 const QString& aLocalFilePath);
    // The file already holds, line for line, the entries content() would write. Titles and
    // durations are not compared: a renamed track keeps its file.
    static bool matchesFile(const QString& aPlaylistFilePath, const PlaylistEntry& aPlaylist,
                            const TrackList& aTrackList);
};
