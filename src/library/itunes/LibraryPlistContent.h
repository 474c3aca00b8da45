#pragma once

#include "library/itunes/LibrarySnapshot.h"

#include <QList>
#include <QString>

#include <vector>

// What one read of a library file gathers, before playlist items are matched to tracks.
struct LibraryPlistContent
{
    struct PendingPlaylist
    {
        LibraryPlaylist mPlaylist;
        QList<qint64> mTrackIds;
        bool mMaster = false;
    };

    std::vector<LibraryTrack> mTracks;
    std::vector<PendingPlaylist> mPlaylists;
    QString mMusicFolder;
    bool mMusicFolderSeen = false;
    bool mHaveTracks = false;
    bool mHavePlaylists = false;
    // "Tracks" holds something other than a dictionary: the file is damaged.
    bool mTracksNotADictionary = false;
};
