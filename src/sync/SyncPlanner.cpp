#include "sync/SyncPlanner.h"

#include "app/DebugLog.h"
#include "device/Device.h"
#include "settings/SyncSettings.h"
#include "sync/MusicSync.h"
#include "tracks/TrackCache.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

bool SyncPlanner::readCacheCopy(const SyncSettings& aSettings, const QString& aId)
{
    LogScope scope("SyncPlanner::readCacheCopy");
    QString cacheFileName;
    aSettings.getCacheFileName(aId, cacheFileName);
    const QString path = TrackCache::resolveCacheFilePath(cacheFileName);
    // No cache yet, or a name the run replaces by a new one: the run starts from an empty cache.
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        logReturn(1);
        return true;
    }
    QTemporaryDir copyFolder;
    const QString copy = copyFolder.filePath(QStringLiteral("mcache"));
    const QString ids = TrackCache::persistentIdsFilePath(path);
    bool copied = copyFolder.isValid() && QFile::copy(path, copy);
    if (copied && QFileInfo::exists(ids))
        copied = QFile::copy(ids, TrackCache::persistentIdsFilePath(copy));
    if (!copied) {
        logMessage("Could not copy the track cache");
        logReturn(0);
        return false;
    }
    const int result = mSync.readCachedTracks(mSync.mTrackCache.openFile(copy));
    mSync.mTrackCache.close();
    logReturn(result == 0);
    return result == 0;
}

SyncPlan SyncPlanner::plan(bool aForceFull)
{
    LogScope scope("SyncPlanner::plan");
    SyncPlan plan;
    mSync.mForceFull = aForceFull;
    plan.mFreeSpace = mSync.mFreeSpace;

    // Read only: this object is never saved.
    SyncSettings settings;
    if (settings.load() != 0) {
        plan.mOutcome = SyncState::NoSettings;
        return plan;
    }
    const QString id = mSync.mDevice->UniqueDeviceId();
    if (mSync.readConfiguration(settings, id) != 0) {
        plan.mOutcome = SyncState::NotConfigured;
        return plan;
    }
    plan.mBackupPath = settings.selectedBackupPath(id);
    // A full run deletes the cache first.
    if (!aForceFull && !readCacheCopy(settings, id)) {
        plan.mCacheUnusable = true;
        plan.mOutcome = SyncState::FinishedWithErrors;
        return plan;
    }
    mSync.choosePlaylists();
    if (!mSync.scanPlaylists(id)) {
        plan.mLibraryReadFailed = true;
        plan.mOutcome = SyncState::FinishedWithErrors;
        return plan;
    }
    mSync.gatherPodcasts(id);

    plan.mSpaceNeeded = mSync.spaceNeeded();
    plan.mSpaceShort = mSync.spaceIsShort();
    mSync.GetTracksToDelete();
    for (qint32 i = 0; i < mSync.mTracksToDelete.count(); ++i)
        plan.mToDelete.append(mSync.mTracksToDelete.at(i));
    // The run copies from the last track to the first.
    const TrackList& tracks = mSync.mTrackList;
    bool onPhone = false;
    for (qint32 i = tracks.count() - 1; i >= 0; --i) {
        if (MusicSync::wouldCopy(tracks.at(i)))
            plan.mToCopy.append(tracks.at(i));
        onPhone = onPhone || tracks.at(i).onRemoteDevice();
    }
    plan.mRefreshAlbumArt = onPhone && settings.forceArtworkSync(id);
    planPlaylists(plan);
    plan.mOutcome = SyncState::Finished;
    return plan;
}

void SyncPlanner::planPlaylists(SyncPlan& aPlan)
{
    QSet<QString> written;
    for (const QList<PlaylistEntry>* entries : {&mSync.mPlaylistEntries, &mSync.mPodcastEntries}) {
        for (const PlaylistEntry& entry : *entries) {
            if (entry.mName.isEmpty())
                continue;
            aPlan.mPlaylistsToWrite.append(entry.mName);
            const QString baseName = Device::PlaylistFileName(entry.mName);
            if (!baseName.isEmpty())
                written.insert(baseName + QStringLiteral(".m3u"));
        }
    }
    for (const QString& file : mSync.mDevice->PlaylistFiles()) {
        if (!written.contains(file))
            aPlan.mPlaylistFilesToClear.append(file);
    }
}
