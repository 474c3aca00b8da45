#pragma once

#include "tracks/SyncState.h"
#include "tracks/Track.h"
#include "tracks/TrackList.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// What one synchronisation run did, for the front ends to report once it has ended.
struct SyncResult
{
    // The state the run ended in (below SyncState::Busy).
    int mFinalState = SyncState::None;
    // Tracks copied to and deleted from the phone.
    int mCopied = 0;
    int mDeleted = 0;
    // Copies of the tracks that could not be copied or deleted, each with why ("the phone is
    // full"; empty where no reason is known), in the same order.
    QList<Track> mNotCopied;
    QStringList mNotCopiedReasons;
    QList<Track> mNotDeleted;
    QStringList mNotDeletedReasons;
    // The result of the last copy that failed; 0 when none did.
    int mLastError = 0;
    // Names of the playlists that could not be written to the phone.
    QStringList mNotWrittenPlaylists;
    // The copy-protected tracks the run left out.
    TrackList mDrmTracks;
    // The phone went away during the run (unplugged, its folder gone); the run stopped there.
    bool mPhoneDisconnected = false;
    // The library could not be read; the run changed nothing on the phone.
    bool mLibraryReadFailed = false;

    // The backup transfer: it failed (damaged backup); it was postponed because another export
    // or run held the working folder (the copy choices stay on); the password was not right or
    // not given (skipped, the choices stay on).
    bool mBackupTransferFailed = false;
    bool mBackupTransferPostponed = false;
    bool mBackupPasswordWrong = false;
    bool mBackupPasswordNotGiven = false;
    // The folder on the phone ("Download/Pellmar") that received the files a stock phone
    // imports; empty when this run put none there.
    QString mPhoneFilesFolder;
};
