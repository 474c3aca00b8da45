#pragma once

#include "tracks/SyncState.h"
#include "tracks/Track.h"

#include <QList>
#include <QString>
#include <QStringList>

// What a synchronisation run would do, worked out without doing it (SyncPlanner).
struct SyncPlan
{
    // Finished when the run would go ahead; NoSettings or NotConfigured when it would stop at
    // once; FinishedWithErrors when it would stop before changing any music (see the flags).
    int mOutcome = SyncState::None;
    // The phone's track cache cannot be read: a run would clear it and copy nothing.
    bool mCacheUnusable = false;
    // The library could not be read: a run would change nothing on the phone.
    bool mLibraryReadFailed = false;
    // In the order the run would copy and delete them.
    QList<Track> mToCopy;
    QList<Track> mToDelete;
    // Names of the playlists and podcasts the run would write (each only when it changed),
    // and the playlist files on the phone that it would empty or remove as no longer chosen.
    QStringList mPlaylistsToWrite;
    QStringList mPlaylistFilesToClear;
    // Bytes the run still needs on the phone, the bytes free there, and whether the run would
    // stop to ask because they are short.
    qint64 mSpaceNeeded = 0;
    qint64 mFreeSpace = 0;
    bool mSpaceShort = false;
    // The backup whose data the run would move to the phone first; empty when none.
    QString mBackupPath;
    // The run would send the album art of the tracks already on the phone again (once after
    // setup).
    bool mRefreshAlbumArt = false;
};
