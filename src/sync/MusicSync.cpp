#include "sync/MusicSync.h"

#include "app/AppPaths.h"
#include "app/CrashGuard.h"
#include "app/DebugLog.h"
#include "device/Device.h"
#include "library/LocalMusicLibrary.h"
#include "settings/SyncSettings.h"
#include "sync/AlbumArtImage.h"
#include "sync/BackupTransferStage.h"
#include "sync/Mp3Converter.h"
#include "sync/SleepInhibitor.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <string>

namespace {

QString asText(const QString& aText)
{
    return aText;
}

[[maybe_unused]] QString asText(const std::wstring& aText)
{
    return QString::fromStdWString(aText);
}

template <typename List> QStringList asTextList(const List& aList)
{
    QStringList result;
    for (const auto& item : aList)
        result.append(asText(item));
    return result;
}

// Files from this size on report how far they have been sent.
constexpr quint64 kFileProgressFromBytes = 1024 * 1024;

} // namespace

MusicSync::MusicSync(LocalMusicLibrary* aLibrary, Device* aDevice, DeviceParent* aDeviceParent,
                     QObject* aParent)
    : QObject(aParent), mDevice(aDevice), mDeviceParent(aDeviceParent), mThread(this),
      mLibrary(aLibrary)
{
    LogScope scope("MusicSync::MusicSync");
    if (mDevice)
        mDevice->SetCancelFlag(&mCancelled);
    quint64 freeSpace = 0;
    if (mDevice && mDevice->GetFreeStorageSpace(freeSpace) == 0)
        mFreeSpace = qint64(freeSpace);
    logValue("mFreeSpace", mFreeSpace);
}

MusicSync::~MusicSync()
{
    // The run borrows this object; it must not outlive it.
    Cancel();
    mThread.wait();
    if (mDevice)
        mDevice->SetCancelFlag(nullptr);
}

void MusicSync::StartInNewThread(bool aForceFull)
{
    LogScope scope("MusicSync::StartInNewThread");
    mCancelled.store(false);
    mForceFull = aForceFull;
    mThread.start(QThread::InheritPriority);
}

void MusicSync::RunInCallingThread(bool aForceFull)
{
    mCancelled.store(false);
    mForceFull = aForceFull;
    if (!CrashGuard::run([this]() { Start(); }))
        ChangeState(SyncState::FinishedWithErrors);
}

bool MusicSync::Wait(int aMsecs)
{
    return aMsecs < 0 ? mThread.wait() : mThread.wait(QDeadlineTimer(aMsecs));
}

void MusicSync::ChangeState(int aState)
{
    LogScope scope("MusicSync::ChangeState");
    logValue("state", aState);
    mState = aState;
    emit ProgressUpdate(mState, mPercentComplete);
}

void MusicSync::UpdateProgress(qint32 aTotal, qint32 aDone, const QString& aTrackName)
{
    LogScope scope("MusicSync::UpdateProgress");
    if (aTotal != 0)
        mPercentComplete = int(qint64(aDone) * 100 / aTotal);
    emit ProgressUpdate(mState, mPercentComplete, aTrackName);
}

void MusicSync::UpdateProgress(int aState, const QString& aTrackName)
{
    if (aState != mState)
        ChangeState(aState);
    UpdateProgress(0, 0, aTrackName);
}

bool MusicSync::hasBeenCancelled()
{
    LogScope scope("MusicSync::hasBeenCancelled");
    const bool cancelled = mCancelled.load();
    logReturn(cancelled);
    return cancelled;
}

QByteArray MusicSync::TakeBackupPassword()
{
    QByteArray password = mBackupPassword;
    mBackupPassword.fill('\0');
    mBackupPassword.clear();
    return password;
}

void MusicSync::Start()
{
    LogScope scope("MusicSync::Start");
    mDevice->PrepareForSync();
    // Read again by the run itself: a window never asks a phone on its own thread.
    if (quint64 freeSpace = 0; mDevice->GetFreeStorageSpace(freeSpace) == 0)
        mFreeSpace = qint64(freeSpace);
    mBackupTransferFailed = mBackupTransferPostponed = false;
    mPhoneFilesFolder.clear();
    mBackupPasswordWrong = mBackupPasswordNotGiven = false;
    mStayAwake = std::make_unique<SleepInhibitor>();

    SyncSettings settings;
    const int loadResult = settings.load();
    if (loadResult != 0 && !hasBeenCancelled()) {
        logMessage("Can't open settings");
        ChangeState(SyncState::NoSettings);
    }
    mNotCopiedTracks.clear();
    mNotWrittenPlaylists.clear();
    mNotDeletedTracks.clear();
    mNotCopiedReasons.clear();
    mNotDeletedReasons.clear();
    mPhoneDisconnected = false;
    mDevice->setPcSoftwareVersion(QStringLiteral("123"));

    if (loadResult == 0 && !hasBeenCancelled())
        runWithSettings(settings);

    if (hasBeenCancelled()) {
        mDevice->FinalizeSync();
        ChangeState(SyncState::Cancelled);
    } else if (mState == SyncState::NoSettings || mState == SyncState::NotConfigured) {
        // Pair PrepareForSync also on the paths that never reach the music part.
        mDevice->FinalizeSync();
    }
    mStayAwake.reset();
}

void MusicSync::runWithSettings(SyncSettings& aSettings)
{
    const QString id = mDevice->UniqueDeviceId();
    logValue("id", id);
    const int configResult = readConfiguration(aSettings, id);
    if (configResult == SyncSettings::kNoSuchDevice) {
        if (!hasBeenCancelled())
            ChangeState(SyncState::NotConfigured);
        return;
    }
    if (configResult != 0 || hasBeenCancelled())
        return;
    // Saved now: no later step of the run is sure to save these settings.
    if (aSettings.firstUse(id)) {
        aSettings.setFirstUse(id, false);
        if (aSettings.save() != 0)
            logMessage("Could not save first-use");
    }
    logMessage("Preparing to sync");
    ChangeState(SyncState::Preparing);
    aSettings.ensureGeneratedCacheFileName(id);
    if (mForceFull)
        deleteCacheFiles(id);

    BackupTransferStage(*this, aSettings, id).run();

    if (hasBeenCancelled())
        return;
    if (!openCache(id)) {
        // The cache has been cleared; this run copies nothing, and it must still end in an
        // idle state so that the window leaves its busy display.
        mDevice->FinalizeSync();
        ChangeState(SyncState::FinishedWithErrors);
        return;
    }

    choosePlaylists();
    if (!scanPlaylists(id)) {
        // Tracks the library could not be asked about would all look unchosen: deleting them,
        // or emptying the playlists, would wipe the phone because of a read error.
        logMessage("Library could not be read - nothing is changed on the phone");
        mLibraryReadFailed = true;
        mTrackCache.close();
        mDevice->FinalizeSync();
        ChangeState(SyncState::FinishedWithErrors);
        return;
    }
    gatherPodcasts(id);
    checkSpace();
    if (!hasBeenCancelled() && !confirmDeletions()) {
        mTrackCache.close();
        logMessage("Delete cancelled");
        mDevice->FinalizeSync();
        ChangeState(SyncState::Cancelled);
        return;
    }
    if (!hasBeenCancelled())
        forcedAlbumArt(id);
    if (!hasBeenCancelled()) {
        logMessage("About to delete tracks");
        DeleteTracks();
    }
    if (!hasBeenCancelled()) {
        logMessage("About to upload");
        Upload();
    }
    mTrackCache.writeIntegrityValue();
    mTrackCache.close();
    // A stopped run reports only that it was cancelled (Start does): never "finished" first.
    if (hasBeenCancelled())
        return;
    if (phoneStillThere())
        writePlaylists();
    if (hasBeenCancelled())
        return;
    mDevice->FinalizeSync();
    if (mPhoneDisconnected) {
        ChangeState(SyncState::FinishedWithErrors);
        return;
    }
    ChangeState(SyncState::Finished);
    logMessage("Sync done");
}

int MusicSync::readConfiguration(SyncSettings& aSettings, const QString& aId)
{
    LogScope scope("MusicSync::readConfiguration");
    mPlaylistNames.clear();
    mPodcastNames.clear();
    const int result = aSettings.getConfig(aId, mSyncEntireLibrary, mPodcastSyncSetting,
                                           mPlaylistNames, mPodcastNames);
    if (result != 0) {
        logMessage("Could not get config");
        logReturn(result);
        return result;
    }
    mEnableArtworkSync = aSettings.enableArtworkSync(aId);
    logValue("mEnableArtworkSync", int(mEnableArtworkSync));
    logReturn(result);
    return result;
}

void MusicSync::deleteCacheFiles(const QString& aId)
{
    LogScope scope("MusicSync::deleteCacheFiles");
    SyncSettings settings;
    QString cacheFileName;
    if (settings.load() != 0 || settings.getCacheFileName(aId, cacheFileName) != 0
        || cacheFileName.isEmpty()) {
        logMessage("No cache file to delete");
        return;
    }
    // The name comes from the settings file: only a file inside our own folder is deleted.
    cacheFileName = TrackCache::resolveCacheFilePath(cacheFileName);
    logValue("cacheFileName", cacheFileName);
    if (cacheFileName.isEmpty())
        return;
    QFile::remove(cacheFileName);
    QFile::remove(TrackCache::persistentIdsFilePath(cacheFileName));
}

bool MusicSync::openCache(const QString& aId)
{
    LogScope scope("MusicSync::openCache");
    const int result = readCachedTracks(mTrackCache.open(aId));
    if (result != 0) {
        logMessage("Track cache is unusable - clearing it");
        const int clearResult = mTrackCache.clear();
        logValue("clear", clearResult);
        mTrackCache.close();
        logReturn(0);
        return false;
    }
    logReturn(1);
    return true;
}

int MusicSync::readCachedTracks(int aOpenResult)
{
    int result = aOpenResult;
    logValue("open", result);
    if (result == TrackCacheResult::kNewCacheFile)
        result = 0;
    if (result == 0 && !hasBeenCancelled()) {
        result = mTrackCache.updateTrackList(mTrackList, -1);
        logValue("updateTrackList", result);
    }
    return result;
}

void MusicSync::choosePlaylists()
{
    if (!mSyncEntireLibrary)
        return;
    LogScope scope("MusicSync::choosePlaylists");
    mLibrary->refreshPlaylists();
    logMessage("Synchronizing to entire library");
    for (const QString& name : asTextList(mLibrary->playlists())) {
        if (name.isEmpty())
            continue;
        logValue("Adding playlist", name);
        mPlaylistNames.append(name);
    }
}

bool MusicSync::scanPlaylists(const QString& aId)
{
    mPlaylistEntries.clear();
    // The library must answer at all (its Music playlist, or its first one).
    std::shared_ptr<itunes::IITPlaylist> probe;
    qint64 probeSize = 0;
    if (mLibrary->getPlaylist(QString(), probe, probeSize) != 0)
        return false;
    for (const QString& name : std::as_const(mPlaylistNames)) {
        logMessage("Scanning local playlist");
        logValue("wSyncPlaylistName", name);
        SyncSettings settings;
        settings.load();
        const bool convert = settings.convertAacToMp3(aId);
        PlaylistEntry entry;
        logEnter("MusicSync::ScanLocalPlaylist");
        qint64 playlistSize = 0;
        const int result = mLibrary->getAllTracks(name, mTrackList, playlistSize, convert,
                                                  mDrmTracks, entry, mSyncEntireLibrary);
        logExit("MusicSync::ScanLocalPlaylist");
        if (result != 0) {
            logValue("getAllTracks failed", result);
            // A playlist the user removed from the library chooses nothing; any other failure
            // leaves the choice unknown.
            std::shared_ptr<itunes::IITPlaylist> playlist;
            qint64 size = 0;
            if (mLibrary->getPlaylist(name, playlist, size) != LocalMusicLibrary::kPlaylistNotFound)
                return false;
            logMessage("Playlist is no longer in the library");
        }
        mPlaylistEntries.append(entry);
    }
    return true;
}

void MusicSync::gatherPodcasts(const QString& aId)
{
    LogScope scope("MusicSync::gatherPodcasts");
    mPodcastEntries.clear();
    if (mPodcastSyncSetting == 1) {
        logMessage("Synchronizing all podcasts");
        mLibrary->refreshPodcasts();
        mPodcastNames = asTextList(mLibrary->podcasts());
        for (const QString& name : std::as_const(mPodcastNames))
            logValue("playlistName", name);
    } else if (mPodcastSyncSetting == 0) {
        return;
    }
    SyncSettings settings;
    settings.load();
    const int episodes = settings.numberOfEpisodesToSync(aId);
    logValue("numberOfEpisodesToSync", episodes);

    QList<PlaylistEntry> entries;
    TrackList podcastTracks;
    mLibrary->getPodcasts(mPodcastNames, entries, podcastTracks);
    for (PlaylistEntry& entry : entries) {
        std::stable_sort(entry.mItems.begin(), entry.mItems.end(),
                         [](const PlaylistItem& a, const PlaylistItem& b) {
                             return a.mDateAdded > b.mDateAdded;
                         });
        if (episodes != 0 && entry.mItems.size() > episodes)
            entry.mItems.resize(episodes);
        for (PlaylistItem& item : entry.mItems)
            item.mTrackIndex = mTrackList.addTrack(podcastTracks.at(item.mTrackIndex));
        mPodcastEntries.append(entry);
    }
}

qint64 MusicSync::spaceNeeded() const
{
    return mTrackList.totalLocalSize() - mTrackList.totalSizeOnDevice();
}

bool MusicSync::spaceIsShort() const
{
    return spaceNeeded() > mFreeSpace && !mForceFull;
}

void MusicSync::checkSpace()
{
    logValue("spaceNeeded", spaceNeeded());
    logValue("mFreeSpace", mFreeSpace);
    if (spaceIsShort())
        emit notEnoughSpace(spaceNeeded() - mFreeSpace);
}

bool MusicSync::confirmDeletions()
{
    if (mDrmTracks.count() > 0)
        emit DrmTracksFound();
    logMessage("Getting tracks to delete");
    GetTracksToDelete();
    if (mTracksToDelete.count() == 0)
        return true;
    mDeleteConfirmed.store(false);
    emit ConfirmDeleteTracks();
    return mDeleteConfirmed.load();
}

void MusicSync::GetTracksToDelete()
{
    LogScope scope("MusicSync::GetTracksToDelete");
    mTracksToDelete = TrackList();
    for (qint32 i = 0; i < mTrackList.count(); ++i) {
        const Track& track = mTrackList.at(i);
        if (wouldDelete(track))
            mTracksToDelete.addTrack(track);
    }
    logValue("tracksToDelete", mTracksToDelete.count());
}

void MusicSync::forcedAlbumArt(const QString& aId)
{
    SyncSettings settings;
    settings.load();
    if (!settings.forceArtworkSync(aId))
        return;
    updateAlbumArtForTracksAlreadyOnDevice();
    SyncSettings after;
    after.load();
    after.setForceArtworkSync(aId, false);
    after.save();
}

int MusicSync::DeleteTracks()
{
    LogScope scope("MusicSync::DeleteTracks");
    int result = 0;
    for (qint32 i = 0; i < mTracksToDelete.count(); ++i) {
        // A phone that is gone would have every file "already deleted" and its records dropped.
        if (hasBeenCancelled() || !phoneStillThere())
            break;
        Track& track = mTracksToDelete.at(i);
        UpdateProgress(SyncState::Deleting, track.trackName());
        mDevice->clearLastError();
        result = mDevice->DeleteTrack(mTrackCache, track);
        if (result != 0) {
            mNotDeletedTracks.append(track);
            mNotDeletedReasons.append(failureReason(result));
        } else
            ++mDeletedCount;
        // The run's own copy follows, so that nothing later takes the track as still present.
        const qint32 index = mTrackList.indexOf(track.uniqueId());
        if (index >= 0)
            mTrackList.at(index).setOnRemoteDevice(track.onRemoteDevice());
    }
    logReturn(result);
    return result;
}

void MusicSync::Upload()
{
    LogScope scope("MusicSync::Upload");
    logValue("Tracks to copy", mTrackList.count());
    qint32 attempts = 0;
    for (qint32 i = mTrackList.count() - 1; i >= 0; --i) {
        if (hasBeenCancelled())
            break;
        logValue("Checking whether to copy track", i);
        // Only a track that is chosen and not on the phone is copied. The guard costs a system
        // call, so the tracks passed over do not enter it.
        if (!wouldCopy(mTrackList.at(i)))
            continue;
        if (!phoneStillThere())
            break;
        if (!CrashGuard::run([this, i, &attempts]() { uploadOneTrack(i, attempts); }))
            logMessage("Upload of one track was interrupted by a fault");
    }
}

void MusicSync::uploadOneTrack(qint32 aIndex, qint32& aAttempts)
{
    Track& track = mTrackList.at(aIndex);
    ChangeState(SyncState::Copying);
    if (track.trackName().isEmpty())
        logMessage("NULL trackName");
    UpdateProgress(mTrackList.totalTracksToCopy(), aAttempts, track.trackName());
    logValue("Uploading track index", aIndex);

    if (track.needsConversion()) {
        logMessage("Coverting to MP3");
        Mp3Converter::convert(track);
    }
    if (hasBeenCancelled()) {
        logMessage("Has been cancelled");
        return;
    }

    logMessage("About to upload track");
    track.dump();
    mDevice->clearLastError();
    // A large file takes a while: the bar and the track's line move while it is sent.
    const qint32 total = mTrackList.totalTracksToCopy();
    const qint32 done = aAttempts;
    int shownFilePercent = -1;
    mDevice->SetTransferObserver([&](const QString&, quint64 aSent, quint64 aAll) {
        // A small file is sent before anyone could read its share; the last share is the
        // next track's report.
        const int filePercent = aAll > 0 ? int(aSent * 100 / aAll) : 100;
        if (aAll < kFileProgressFromBytes || filePercent >= 100 || filePercent == shownFilePercent
            || total <= 0)
            return;
        shownFilePercent = filePercent;
        mPercentComplete = int((qint64(done) * 100 + filePercent) / total);
        emit ProgressUpdate(mState, mPercentComplete,
                            QStringLiteral("%1 (%2%)").arg(track.trackName()).arg(filePercent));
    });
    int result = mDevice->UploadTrack(track);
    mDevice->SetTransferObserver({});
    ++aAttempts;
    QString reason;
    // A device that found nothing to copy (the local file is gone) answers 0 without placing
    // the track; that is a failure for the user, and nothing must enter the cache.
    if (result == 0 && !track.onRemoteDevice()) {
        result = Device::kCopyFailed;
        reason = QStringLiteral("the file is missing on this computer");
    }
    // A failure may be the phone going away; the reason then says so. (A copy that succeeded
    // reached the phone's own file system: files are never created in a folder that stands in.)
    if (result != 0)
        phoneStillThere();
    if (result == 0) {
        const int cacheResult = mTrackCache.addTrack(track);
        if (cacheResult != 0)
            logValue("Cache record failed", cacheResult);
        ++mCopiedCount;
        logMessage("Track copied");
        // Sent once the track is on the phone, so that the phone's refresh hint can name it.
        uploadAlbumArtForTrack(track, false);
    } else {
        mNotCopiedTracks.append(track);
        mNotCopiedReasons.append(reason.isEmpty() ? failureReason(result) : reason);
        logMessage("Track not copied");
        logValue("err", result);
        mLastError = result;
    }
}

bool MusicSync::phoneStillThere()
{
    if (!mPhoneDisconnected && !mDevice->StillConnected()) {
        logMessage("The phone was disconnected.");
        mPhoneDisconnected = true;
    }
    return !mPhoneDisconnected;
}

QString MusicSync::failureReason(int aResult) const
{
    if (mPhoneDisconnected)
        return Device::FailureReason(ENODEV);
    const QString reason = Device::FailureReason(mDevice->lastError());
    if (!reason.isEmpty())
        return reason;
    if (aResult == Device::kFolderNotCreated)
        return QStringLiteral("a folder on the phone could not be created");
    return QString();
}

void MusicSync::writePlaylists()
{
    LogScope scope("MusicSync::writePlaylists");
    QList<PlaylistEntry> all = mPlaylistEntries;
    all.append(mPodcastEntries);
    for (const PlaylistEntry& entry : std::as_const(all)) {
        if (entry.mName.isEmpty())
            continue;
        UpdateProgress(SyncState::Playlists, entry.mName);
        // A track that did not reach the phone has no path there; an entry for it would be a
        // broken line in the playlist.
        PlaylistEntry onPhone;
        onPhone.mName = entry.mName;
        for (const PlaylistItem& item : entry.mItems) {
            const Track& track = mTrackList.at(item.mTrackIndex);
            if (track.onRemoteDevice() && !track.deviceId().isEmpty())
                onPhone.mItems.append(item);
        }
        if (mDevice->createPlaylist(onPhone, mTrackList, mForceFull) != 0) {
            logValue("Playlist not written", entry.mName);
            mNotWrittenPlaylists.append(entry.mName);
        }
    }
    mDevice->removeOldPlaylists();
}

bool MusicSync::updateAlbumArtForTracksAlreadyOnDevice()
{
    LogScope scope("MusicSync::updateAlbumArtForTracksAlreadyOnDevice");
    ChangeState(SyncState::CheckingAlbumArt);
    for (qint32 i = 0; i < mTrackList.count(); ++i) {
        const Track& track = mTrackList.at(i);
        if (!track.onRemoteDevice())
            continue;
        UpdateProgress(0, 0, track.albumName() + QStringLiteral(" - ") + track.artistName());
        uploadAlbumArtForTrack(track, true);
    }
    logReturn(1);
    return true;
}

void MusicSync::uploadAlbumArtForTrack(const Track& aTrack, bool aForce)
{
    if (!CrashGuard::run([this, &aTrack, aForce]() { uploadAlbumArtForTrackInt(aTrack, aForce); }))
        logMessage("Album art of the track skipped after a fault");
}

void MusicSync::uploadAlbumArtForTrackInt(const Track& aTrack, bool aForce)
{
    LogScope scope("MusicSync::uploadAlbumArtForTrackInt");
    const QString key = aTrack.albumName() + aTrack.artistName();
    if (mAlbumArtDone.contains(key))
        return;
    // Nothing would be sent: spare the library the artwork lookup.
    if (!mEnableArtworkSync && !aForce)
        return;
    const QString artworkPath = mLibrary->generateArtwork(aTrack);
    logValue("artworkPath", artworkPath);
    if (artworkPath.isEmpty())
        return;
    const QString target = AppPaths::corvoFolder() + QStringLiteral("/AlbumArt.jpg");
    if (AlbumArtImage::write(artworkPath, target)) {
        mDevice->uploadAlbumArt(aTrack, target);
        mAlbumArtDone.insert(key);
    }
    QFile::remove(artworkPath);
}

bool MusicSync::removeDir(const QString& aDirName)
{
    logMessage("removeDir");
    logValue("dirName", aDirName);
    // Links inside are removed, not followed: what they point to is not ours to delete.
    return QDir(aDirName).removeRecursively();
}
