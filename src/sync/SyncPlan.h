#pragma once

#include "tracks/PlaylistEntry.h"
#include "tracks/SyncState.h"
#include "tracks/Track.h"
#include "tracks/TrackList.h"

#include <QList>
#include <QString>
#include <QStringList>

// What a synchronisation run is to do, worked out before it does anything (SyncPlanner): the
// front ends show it (a dry run, the window's preview) or ask about it, and the run carries it
// out (SyncExecutor).
struct SyncPlan
{
    // Finished when the run goes ahead; NoSettings or NotConfigured when it stops at once;
    // FinishedWithErrors when it stops before changing any music (see the flags).
    int mOutcome = SyncState::None;
    // The phone's track cache cannot be read: the run clears it and copies nothing.
    bool mCacheUnusable = false;
    // The library could not be read: the run changes nothing on the phone.
    bool mLibraryReadFailed = false;
    // Parts of the library could not be read: a track missing from it may only be unread, so
    // nothing is deleted from the phone this time.
    bool mLibraryIncomplete = false;
    // In the order the run copies and deletes them.
    QList<Track> mToCopy;
    QList<Track> mToDelete;
    // Names of the playlists and podcasts the run writes (each only when it changed), and the
    // playlist files on the phone that it empties or removes as no longer chosen.
    QStringList mPlaylistsToWrite;
    QStringList mPlaylistFilesToClear;
    // Bytes the run still needs on the phone, the bytes free there, and whether they are short
    // (the run then asks whether to go on).
    qint64 mSpaceNeeded = 0;
    qint64 mFreeSpace = 0;
    bool mSpaceShort = false;
    // The backup whose data the run moves to the phone first; empty when none. An encrypted
    // one needs its password.
    QString mBackupPath;
    bool mBackupEncrypted = false;
    // The run sends the album art of the tracks already on the phone again (once after setup).
    bool mRefreshAlbumArt = false;

    // What the run works from.
    QString mDeviceId;
    bool mForceFull = false;
    // The phone's "enable-album-art-sync".
    bool mEnableArtworkSync = false;
    // Every track of the run: the cached ones, then the chosen ones and the podcast episodes;
    // the decisions above are made from their flags (wouldCopy, wouldDelete).
    TrackList mTracks;
    // The copy-protected tracks met while reading the library; they are left out.
    TrackList mDrmTracks;
    // The playlists, then the podcasts, as indices into mTracks.
    QList<PlaylistEntry> mPlaylists;

    // Only a chosen track that is not on the phone is copied, only a track on the phone that is
    // no longer chosen is deleted.
    static bool wouldCopy(const Track& aTrack)
    {
        return aTrack.onLocalSyncPlaylist() && !aTrack.onRemoteDevice();
    }
    static bool wouldDelete(const Track& aTrack)
    {
        return aTrack.onRemoteDevice() && !aTrack.onLocalSyncPlaylist();
    }
};
