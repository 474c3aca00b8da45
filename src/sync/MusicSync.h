#pragma once

#include "sync/MusicSyncThread.h"
#include "tracks/PlaylistEntry.h"
#include "tracks/SyncState.h"
#include "tracks/TrackCache.h"
#include "tracks/TrackList.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>

class Device;
class DeviceParent;
class LocalMusicLibrary;
class SleepInhibitor;
class SyncSettings;

// One synchronisation run for one phone: works out from the library and the phone's track cache
// which tracks must go and which must come, asks (through blocking signals) whether to delete
// and whether to go on when space is short, deletes and copies, converts to MP3 where the phone
// asks for it, sends album art, writes the phone's playlists and reports its progress as a state
// number and a percentage. A new object serves each run; the run happens in mThread.
class MusicSync : public QObject
{
    Q_OBJECT

public:
    MusicSync(LocalMusicLibrary* aLibrary, Device* aDevice, DeviceParent* aDeviceParent,
              QObject* aParent = nullptr);
    ~MusicSync() override;

    // Starts the run in its own thread.
    void StartInNewThread(bool aForceFull);
    // The same run in the calling thread (tools and tests that have no window to keep alive).
    void RunInCallingThread(bool aForceFull);
    // Asks the run to stop at its next cancellation point. Safe from any thread, and from a
    // signal handler.
    void Cancel() { mCancelled.store(true); }
    // Waits until the run's thread has ended (aMsecs < 0: without limit).
    bool Wait(int aMsecs = -1);
    bool IsRunning() const { return mThread.isRunning(); }
    // The run's thread, for its finished() signal.
    QThread* Thread() { return &mThread; }

    const TrackList& TracksToDelete() const { return mTracksToDelete; }
    const QList<Track>& GetNonCopiedTracks() const { return mNotCopiedTracks; }
    const QList<Track>& GetNonDeletedTracks() const { return mNotDeletedTracks; }
    // Why each track of GetNonCopiedTracks / GetNonDeletedTracks failed, in the same order
    // ("the phone is full"); empty where no reason is known.
    const QStringList& NonCopiedReasons() const { return mNotCopiedReasons; }
    const QStringList& NonDeletedReasons() const { return mNotDeletedReasons; }
    // The phone went away during the run (unplugged, its folder gone); the run stopped there.
    bool PhoneDisconnected() const { return mPhoneDisconnected; }
    // Names of the playlists that could not be written to the phone.
    const QStringList& GetNotWrittenPlaylists() const { return mNotWrittenPlaylists; }
    const TrackList& GetDrmTracks() const { return mDrmTracks; }
    void SetDeleteConfirmed(bool aConfirmed) { mDeleteConfirmed.store(aConfirmed); }
    int LastError() const { return mLastError; }
    bool BackupTransferFailed() const { return mBackupTransferFailed; }
    // The library could not be read; the run changed nothing on the phone.
    bool LibraryReadFailed() const { return mLibraryReadFailed; }
    void SetBackupTransferFailed(bool aFailed) { mBackupTransferFailed = aFailed; }
    // The transfer failed only because another export or run held the working folder; the
    // copy choices stay on for the next run.
    bool BackupTransferPostponed() const { return mBackupTransferPostponed; }
    void SetBackupTransferPostponed() { mBackupTransferFailed = mBackupTransferPostponed = true; }
    // The folder on the phone ("Download/Pellmar") that received the files a stock phone
    // imports (contacts, calendar, messages, notes); empty when this run put none there.
    const QString& PhoneFilesFolder() const { return mPhoneFilesFolder; }
    void SetPhoneFilesFolder(const QString& aFolder) { mPhoneFilesFolder = aFolder; }
    // The password of the run's encrypted backup: given before the run (a password file, the
    // keyring) or by the answer to BackupPasswordNeeded; taken, and so forgotten, by the
    // transfer stage.
    void SetBackupPassword(const QByteArray& aPassword) { mBackupPassword = aPassword; }
    QByteArray TakeBackupPassword();
    // The backup's password was not right, or was not given (the question was cancelled); the
    // transfer was skipped and the copy choices stay on for the next run.
    bool BackupPasswordWrong() const { return mBackupPasswordWrong; }
    bool BackupPasswordNotGiven() const { return mBackupPasswordNotGiven; }
    void SetBackupPasswordWrong() { mBackupPasswordWrong = true; }
    void SetBackupPasswordNotGiven() { mBackupPasswordNotGiven = true; }
    int State() const { return mState; }
    int PercentComplete() const { return mPercentComplete; }
    // The run's track list, for reading after the run.
    const TrackList& Tracks() const { return mTrackList; }
    // Tracks copied to and deleted from the phone by this run.
    int CopiedCount() const { return mCopiedCount; }
    int DeletedCount() const { return mDeletedCount; }

    // The whole run; called by the thread (or directly, in the calling thread).
    void Start();

    // Sends the album picture of aTrack's album unless this run already sent it. A fault inside
    // is reported to the log and only this track's picture is skipped.
    void uploadAlbumArtForTrack(const Track& aTrack, bool aForce);
    // Deletes a folder with everything in it; true when nothing is left (or it did not exist).
    static bool removeDir(const QString& aDirName);

    void ChangeState(int aState);
    void UpdateProgress(int aState, const QString& aTrackName);
    void UpdateProgress(qint32 aTotal, qint32 aDone, const QString& aTrackName);
    bool hasBeenCancelled();

    Device* device() const { return mDevice; }
    DeviceParent* deviceParent() const { return mDeviceParent; }

    // The decisions of a run about one track of its list: only a chosen track that is not on
    // the phone is copied, only a track on the phone that is no longer chosen is deleted.
    static bool wouldCopy(const Track& aTrack)
    {
        return aTrack.onLocalSyncPlaylist() && !aTrack.onRemoteDevice();
    }
    static bool wouldDelete(const Track& aTrack)
    {
        return aTrack.onRemoteDevice() && !aTrack.onLocalSyncPlaylist();
    }

signals:
    void ProgressUpdate(int a_state, int a_percent_complete);
    void ProgressUpdate(int a_state, int a_percent_complete, QString aTrackName);
    void ConfirmDeleteTracks();
    void DrmTracksFound();
    void notEnoughSpace(qint64 aAdditionalSpaceRequired);
    // The backup to transfer is encrypted and no password was given: a blocking question, whose
    // answer is SetBackupPassword (nothing set: cancelled).
    void BackupPasswordNeeded(QString aBackupPath);

private:
    // A dry run takes the run's own steps of reading and deciding (SyncPlanner).
    friend class SyncPlanner;

    // The run once the settings file has been read.
    void runWithSettings(SyncSettings& aSettings);
    // Steps of the run.
    int readConfiguration(SyncSettings& aSettings, const QString& aId);
    bool openCache(const QString& aId);
    // Reads the cached tracks into mTrackList once the cache was opened with aOpenResult;
    // 0 when the cache is usable.
    int readCachedTracks(int aOpenResult);
    void choosePlaylists();
    // False when the library could not be read.
    bool scanPlaylists(const QString& aId);
    void gatherPodcasts(const QString& aId);
    // Bytes the chosen tracks still need on the phone; short when that is more than is free
    // and the run is not a full one.
    qint64 spaceNeeded() const;
    bool spaceIsShort() const;
    void checkSpace();
    bool confirmDeletions();
    void forcedAlbumArt(const QString& aId);
    void writePlaylists();
    void deleteCacheFiles(const QString& aId);

    void GetTracksToDelete();
    int DeleteTracks();
    void Upload();
    void uploadOneTrack(qint32 aIndex, qint32& aAttempts);
    bool updateAlbumArtForTracksAlreadyOnDevice();
    // False, once and for the rest of the run, when the phone is no longer there.
    bool phoneStillThere();
    // The words for why the device's last operation failed with aResult; empty when unknown.
    QString failureReason(int aResult) const;
    void uploadAlbumArtForTrackInt(const Track& aTrack, bool aForce);

    Device* mDevice = nullptr;
    DeviceParent* mDeviceParent = nullptr;
    int mLastError = 0;
    TrackList mTrackList;
    TrackList mDrmTracks;
    TrackList mTracksToDelete;
    MusicSyncThread mThread;
    int mPercentComplete = 0;
    int mState = SyncState::NoPhone;
    std::atomic<bool> mDeleteConfirmed{false};
    LocalMusicLibrary* mLibrary = nullptr;
    TrackCache mTrackCache;
    std::atomic<bool> mCancelled{false};
    QList<Track> mNotCopiedTracks;
    QList<Track> mNotDeletedTracks;
    QStringList mNotCopiedReasons;
    QStringList mNotDeletedReasons;
    bool mPhoneDisconnected = false;
    QStringList mNotWrittenPlaylists;
    QSet<QString> mAlbumArtDone;
    qint64 mFreeSpace = 0;
    bool mEnableArtworkSync = false;
    bool mForceFull = false;
    bool mBackupTransferFailed = false;
    bool mBackupTransferPostponed = false;
    QString mPhoneFilesFolder;
    QByteArray mBackupPassword;
    bool mBackupPasswordWrong = false;
    bool mBackupPasswordNotGiven = false;
    std::unique_ptr<SleepInhibitor> mStayAwake;
    bool mLibraryReadFailed = false;
    int mCopiedCount = 0;
    int mDeletedCount = 0;

    // What the phone's configuration asks for in this run.
    bool mSyncEntireLibrary = false;
    int mPodcastSyncSetting = 0;
    QStringList mPlaylistNames;
    QStringList mPodcastNames;
    QList<PlaylistEntry> mPlaylistEntries;
    QList<PlaylistEntry> mPodcastEntries;
};
