#pragma once

#include "library/LibraryContent.h"

#include <QList>
#include <QString>

#include <vector>

// What one read of a library file gathers, before playlist items are matched to tracks.
struct LibraryPlistContent
{
    // What a playlist of the file is; names are localised, so only its keys tell.
    enum class Role {
        // One of the user's own playlists (ordinary or smart).
        User,
        // The library playlist ("Master"): every track.
        Library,
        // The special Music playlist.
        Music,
        // The special Podcasts playlist.
        Podcasts,
        // Anything else the player makes (folders, movies, Genius, hidden playlists).
        Other,
    };

    struct PendingPlaylist
    {
        QString mName;
        Role mRole = Role::User;
        QList<qint64> mTrackIds;
    };

    std::vector<LibraryTrack> mTracks;
    // The file's "Track ID" of each track (by position in mTracks); -1 when it has none.
    std::vector<qint64> mTrackIds;
    std::vector<PendingPlaylist> mPlaylists;
    QString mMusicFolder;
    bool mMusicFolderSeen = false;
    bool mHaveTracks = false;
    bool mHavePlaylists = false;
    // "Tracks" holds something other than a dictionary: the file is damaged.
    bool mTracksNotADictionary = false;
};
