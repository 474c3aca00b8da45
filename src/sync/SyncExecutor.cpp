#include "sync/SyncExecutor.h"

#include "app/CrashGuard.h"
#include "app/DebugLog.h"
#include "device/Device.h"
#include "settings/SyncSettings.h"
#include "sync/AlbumArtSender.h"
#include "sync/BackupTransferStage.h"
#include "sync/Mp3Converter.h"
#include "sync/SleepInhibitor.h"
#include "sync/SyncPlan.h"
#include "sync/SyncRunContext.h"

#include <QFile>

#include <cerrno>

namespace {

// Files from this size on report how far they have been sent.
constexpr quint64 kFileProgressFromBytes = 1024 * 1024;

} // namespace

SyncExecutor::SyncExecutor(SyncRunContext& aContext, MusicLibrary* aLibrary,
                           const SettingsSnapshot& aSettings, SyncResult& aResult)
    : mContext(aContext), mLibrary(aLibrary), mSettings(aSettings), mResult(aResult)
{
}

bool SyncExecutor::cancelled()
{
    return mContext.hasBeenCancelled();
}

void SyncExecutor::execute(SyncPlan& aPlan, SyncAnswers aAnswers)
{
    LogScope scope("SyncExecutor::execute");
    Device* device = mContext.device();
    device->PrepareForSync();
    const SleepInhibitor stayAwake;
    mResult = SyncResult();
    mResult.mDrmTracks = std::move(aPlan.mDrmTracks);
    device->setPcSoftwareVersion(QStringLiteral("123"));

    if (!cancelled())
        run(aPlan, aAnswers);
    aAnswers.mBackupPassword.fill('\0');

    if (cancelled()) {
        device->FinalizeSync();
        mContext.ChangeState(SyncState::Cancelled);
    } else if (mContext.State() == SyncState::NoSettings
               || mContext.State() == SyncState::NotConfigured) {
        // Pair PrepareForSync also on the paths that never reach the music part.
        device->FinalizeSync();
    }
    mResult.mFinalState = mContext.State();
}

void SyncExecutor::run(SyncPlan& aPlan, SyncAnswers& aAnswers)
{
    Device* device = mContext.device();
    if (aPlan.mOutcome == SyncState::NoSettings) {
        logMessage("Can't open settings");
        mContext.ChangeState(SyncState::NoSettings);
        return;
    }
    if (aPlan.mOutcome == SyncState::NotConfigured) {
        mContext.ChangeState(SyncState::NotConfigured);
        return;
    }
    const QString& id = aPlan.mDeviceId;
    const SettingsSnapshot started = markRunStarted(id);
    if (aPlan.mForceFull)
        deleteCacheFiles(started, id);

    BackupTransferStage(mContext, mSettings, id, mResult, aAnswers.mBackupPassword).run();

    if (cancelled())
        return;
    if (!openCache(started, aPlan)) {
        // This run copies nothing, and it must still end in an idle state so that the window
        // leaves its busy display.
        device->FinalizeSync();
        mContext.ChangeState(SyncState::FinishedWithErrors);
        return;
    }
    if (aPlan.mLibraryReadFailed) {
        // Tracks the library could not be asked about would all look unchosen: deleting them,
        // or emptying the playlists, would wipe the phone because of a read error.
        logMessage("Library could not be read - nothing is changed on the phone");
        mResult.mLibraryReadFailed = true;
        mTrackCache.close();
        device->FinalizeSync();
        mContext.ChangeState(SyncState::FinishedWithErrors);
        return;
    }
    if (!cancelled() && !aPlan.mToDelete.isEmpty() && !aAnswers.mDeleteConfirmed) {
        mTrackCache.close();
        logMessage("Delete cancelled");
        device->FinalizeSync();
        mContext.ChangeState(SyncState::Cancelled);
        return;
    }
    AlbumArtSender albumArt(mContext, mLibrary, aPlan.mEnableArtworkSync);
    if (!cancelled())
        forcedAlbumArt(aPlan, albumArt);
    if (!cancelled()) {
        logMessage("About to delete tracks");
        deleteTracks(aPlan);
    }
    if (!cancelled()) {
        logMessage("About to upload");
        upload(aPlan, albumArt);
    }
    mTrackCache.writeIntegrityValue();
    mTrackCache.close();
    // A stopped run reports only that it was cancelled (execute does): never "finished" first.
    if (cancelled())
        return;
    if (phoneStillThere())
        writePlaylists(aPlan);
    if (cancelled())
        return;
    device->FinalizeSync();
    if (mResult.mPhoneDisconnected) {
        mContext.ChangeState(SyncState::FinishedWithErrors);
        return;
    }
    mContext.ChangeState(SyncState::Finished);
    logMessage("Sync done");
}

SettingsSnapshot SyncExecutor::markRunStarted(const QString& aId)
{
    LogScope scope("SyncExecutor::markRunStarted");
    // Read afresh: the front end may have saved an answer ("always delete") since the snapshot.
    SyncSettings settings;
    if (settings.load() != 0)
        return SettingsSnapshot();
    if (settings.snapshot().phone(aId).firstUse()) {
        settings.setFirstUse(aId, false);
        if (settings.save() != 0)
            logMessage("Could not save first-use");
    }
    // The cache name may change here: what follows reads it from what was saved.
    settings.ensureGeneratedCacheFileName(aId);
    return settings.snapshot();
}

void SyncExecutor::deleteCacheFiles(const SettingsSnapshot& aSettings, const QString& aId)
{
    LogScope scope("SyncExecutor::deleteCacheFiles");
    QString cacheFileName = aSettings.phone(aId).cacheFileName();
    if (cacheFileName.isEmpty()) {
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

bool SyncExecutor::openCache(const SettingsSnapshot& aSettings, const SyncPlan& aPlan)
{
    LogScope scope("SyncExecutor::openCache");
    qint32 result = mTrackCache.open(aSettings, aPlan.mDeviceId);
    logValue("open", result);
    if (result == TrackCacheResult::kNewCacheFile)
        result = 0;
    else if (result == 0) {
        // The plan read the records; the run needs the header to extend them.
        result = mTrackCache.readHeader();
        if (result == TrackCacheResult::kEndOfFile)
            result = 0;
    }
    if (result != 0 || aPlan.mCacheUnusable) {
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

void SyncExecutor::forcedAlbumArt(SyncPlan& aPlan, AlbumArtSender& aAlbumArt)
{
    if (!mSettings.phone(aPlan.mDeviceId).forceArtworkSync())
        return;
    aAlbumArt.refreshTracksOnPhone(aPlan.mTracks);
    SyncSettings::update([&](SyncSettings& aSettings) {
        aSettings.setForceArtworkSync(aPlan.mDeviceId, false);
    });
}

void SyncExecutor::deleteTracks(SyncPlan& aPlan)
{
    LogScope scope("SyncExecutor::deleteTracks");
    Device* device = mContext.device();
    int result = 0;
    for (Track& track : aPlan.mToDelete) {
        // A phone that is gone would have every file "already deleted" and its records dropped.
        if (cancelled() || !phoneStillThere())
            break;
        mContext.UpdateProgress(SyncState::Deleting, track.trackName());
        const PhoneResult deleted = device->DeleteTrack(track);
        result = deleted.code();
        if (!deleted.isOk()) {
            mResult.mNotDeleted.append(track);
            mResult.mNotDeletedReasons.append(failureReason(deleted));
        } else {
            // Recorded here, as copies are: the phone only deletes.
            mTrackCache.removeDeletedTrack(track);
            ++mResult.mDeleted;
        }
        // The run's own copy follows, so that nothing later takes the track as still present.
        const qint32 index = aPlan.mTracks.indexOf(track.uniqueId());
        if (index >= 0)
            aPlan.mTracks.at(index).setOnRemoteDevice(track.onRemoteDevice());
    }
    logReturn(result);
}

void SyncExecutor::upload(SyncPlan& aPlan, AlbumArtSender& aAlbumArt)
{
    LogScope scope("SyncExecutor::upload");
    TrackList& tracks = aPlan.mTracks;
    logValue("Tracks to copy", tracks.count());
    qint32 attempts = 0;
    for (qint32 i = tracks.count() - 1; i >= 0; --i) {
        if (cancelled())
            break;
        logValue("Checking whether to copy track", i);
        // The plan's copies: a chosen track that is not on the phone. Only those enter the
        // guard.
        if (!SyncPlan::wouldCopy(tracks.at(i)))
            continue;
        if (!phoneStillThere())
            break;
        if (!CrashGuard::run([&, i]() { uploadOneTrack(aPlan, i, attempts, aAlbumArt); }))
            logMessage("Upload of one track was interrupted by a fault");
    }
}

void SyncExecutor::uploadOneTrack(SyncPlan& aPlan, qint32 aIndex, qint32& aAttempts,
                                  AlbumArtSender& aAlbumArt)
{
    Device* device = mContext.device();
    Track& track = aPlan.mTracks.at(aIndex);
    mContext.ChangeState(SyncState::Copying);
    if (track.trackName().isEmpty())
        logMessage("NULL trackName");
    const qint32 total = aPlan.mTracks.totalTracksToCopy();
    mContext.UpdateProgress(total, aAttempts, track.trackName());
    logValue("Uploading track index", aIndex);

    if (track.needsConversion()) {
        logMessage("Coverting to MP3");
        Mp3Converter::convert(track, mContext.cancelCheck());
    }
    if (cancelled()) {
        logMessage("Has been cancelled");
        return;
    }

    logMessage("About to upload track");
    track.dump();
    // A large file takes a while: the bar and the track's line move while it is sent.
    const qint32 done = aAttempts;
    int shownFilePercent = -1;
    device->SetTransferObserver([&](const QString&, quint64 aSent, quint64 aAll) {
        // A small file is sent before anyone could read its share; the last share is the
        // next track's report.
        const int filePercent = aAll > 0 ? int(aSent * 100 / aAll) : 100;
        if (aAll < kFileProgressFromBytes || filePercent >= 100 || filePercent == shownFilePercent
            || total <= 0)
            return;
        shownFilePercent = filePercent;
        mContext.ReportShare(int((qint64(done) * 100 + filePercent) / total),
                             QStringLiteral("%1 (%2%)").arg(track.trackName()).arg(filePercent));
    });
    const PhoneResult uploaded = device->UploadTrack(track);
    device->SetTransferObserver({});
    ++aAttempts;
    int result = uploaded.code();
    QString reason;
    // A device that found nothing to copy (the local file is gone) answers 0 without placing
    // the track; that is a failure for the user, and nothing must enter the cache.
    if (result == 0 && !track.onRemoteDevice()) {
        result = PhoneResult::kCopyFailed;
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
        ++mResult.mCopied;
        logMessage("Track copied");
        // Sent once the track is on the phone, so that the phone's refresh hint can name it.
        aAlbumArt.send(track, false);
    } else {
        mResult.mNotCopied.append(track);
        mResult.mNotCopiedReasons.append(reason.isEmpty() ? failureReason(uploaded) : reason);
        logMessage("Track not copied");
        logValue("err", result);
        mResult.mLastError = result;
    }
}

bool SyncExecutor::phoneStillThere()
{
    if (!mResult.mPhoneDisconnected && !mContext.device()->StillConnected()) {
        logMessage("The phone was disconnected.");
        mResult.mPhoneDisconnected = true;
    }
    return !mResult.mPhoneDisconnected;
}

QString SyncExecutor::failureReason(const PhoneResult& aResult) const
{
    if (mResult.mPhoneDisconnected)
        return PhoneResult::reasonOf(ENODEV);
    return aResult.reason();
}

void SyncExecutor::writePlaylists(SyncPlan& aPlan)
{
    LogScope scope("SyncExecutor::writePlaylists");
    Device* device = mContext.device();
    for (const PlaylistEntry& entry : std::as_const(aPlan.mPlaylists)) {
        if (entry.mName.isEmpty())
            continue;
        mContext.UpdateProgress(SyncState::Playlists, entry.mName);
        // A track that did not reach the phone has no path there; an entry for it would be a
        // broken line in the playlist.
        PlaylistEntry onPhone;
        onPhone.mName = entry.mName;
        for (const PlaylistItem& item : entry.mItems) {
            const Track& track = aPlan.mTracks.at(item.mTrackIndex);
            if (track.onRemoteDevice() && !track.deviceId().isEmpty())
                onPhone.mItems.append(item);
        }
        if (!device->createPlaylist(onPhone, aPlan.mTracks, aPlan.mForceFull).isOk()) {
            logValue("Playlist not written", entry.mName);
            mResult.mNotWrittenPlaylists.append(entry.mName);
        }
    }
    device->removeOldPlaylists();
}
