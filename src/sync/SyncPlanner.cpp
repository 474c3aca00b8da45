#include "sync/SyncPlanner.h"

#include "app/DebugLog.h"
#include "backup/iphone/BackupDiscovery.h"
#include "backup/blackberry/BlackBerryReader.h"
#include "device/Device.h"
#include "device/PhoneNames.h"
#include "library/MusicLibrary.h"
#include "settings/SettingsSnapshot.h"
#include "settings/SyncSettings.h"
#include "sync/SyncRunContext.h"
#include "tracks/TrackCache.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

#include <algorithm>
#include <string>

SyncPlanner::SyncPlanner(MusicLibrary* aLibrary, Device* aDevice, SyncRunContext* aContext)
    : mLibrary(aLibrary), mDevice(aDevice), mContext(aContext)
{
}

bool SyncPlanner::cancelled()
{
    return mContext && mContext->hasBeenCancelled();
}

SyncPlan SyncPlanner::plan(const SettingsSnapshot* aSettings, bool aForceFull)
{
    LogScope scope("SyncPlanner::plan");
    mPlan = SyncPlan();
    mPlan.mForceFull = aForceFull;
    if (quint64 freeSpace = 0; mDevice->GetFreeStorageSpace(freeSpace) == 0)
        mPlan.mFreeSpace = qint64(freeSpace);
    logValue("mFreeSpace", mPlan.mFreeSpace);
    if (!aSettings) {
        mPlan.mOutcome = SyncState::NoSettings;
        return std::move(mPlan);
    }
    mPlan.mDeviceId = mDevice->UniqueDeviceId();
    logValue("id", mPlan.mDeviceId);
    const PhoneSettings phone = aSettings->phone(mPlan.mDeviceId);
    if (!readConfiguration(phone)) {
        mPlan.mOutcome = SyncState::NotConfigured;
        return std::move(mPlan);
    }
    if (cancelled())
        return std::move(mPlan);
    if (mContext) {
        logMessage("Preparing to sync");
        mContext->ChangeState(SyncState::Preparing);
    }
    mPlan.mBackupPath = phone.selectedBackupPath();
    mPlan.mBackupEncrypted = !mPlan.mBackupPath.isEmpty()
                             && !BlackBerryReader::isBlackBerryBackup(mPlan.mBackupPath)
                             && BackupDiscovery::isEncrypted(mPlan.mBackupPath);
    // A full run deletes the cache first.
    if (!aForceFull && !readCache(phone)) {
        mPlan.mCacheUnusable = true;
        mPlan.mOutcome = SyncState::FinishedWithErrors;
        return std::move(mPlan);
    }
    choosePlaylists();
    if (!scanPlaylists(phone)) {
        mPlan.mLibraryReadFailed = true;
        mPlan.mOutcome = SyncState::FinishedWithErrors;
        return std::move(mPlan);
    }
    gatherPodcasts(phone);
    mPlan.mLibraryIncomplete = mLibrary->lastReadIncomplete();
    planTracks();
    bool onPhone = false;
    for (qint32 i = 0; i < mPlan.mTracks.count() && !onPhone; ++i)
        onPhone = mPlan.mTracks.at(i).onRemoteDevice();
    mPlan.mRefreshAlbumArt = onPhone && phone.forceArtworkSync();
    planPlaylists();
    mPlan.mOutcome = SyncState::Finished;
    return std::move(mPlan);
}

bool SyncPlanner::readConfiguration(const PhoneSettings& aPhone)
{
    LogScope scope("SyncPlanner::readConfiguration");
    mPlaylistNames.clear();
    mPodcastNames.clear();
    const int result =
        aPhone.getConfig(mSyncEntireLibrary, mPodcastSyncSetting, mPlaylistNames, mPodcastNames);
    if (result != 0) {
        logMessage("Could not get config");
        logReturn(result);
        return false;
    }
    mPlan.mEnableArtworkSync = aPhone.enableArtworkSync();
    logValue("mEnableArtworkSync", int(mPlan.mEnableArtworkSync));
    logReturn(result);
    return true;
}

bool SyncPlanner::readCache(const PhoneSettings& aPhone)
{
    LogScope scope("SyncPlanner::readCache");
    const QString cacheFileName = aPhone.cacheFileName();
    const QString path = TrackCache::resolveCacheFilePath(cacheFileName);
    // No cache yet, or a name the run replaces by a new one: the run starts from an empty cache.
    if (path.isEmpty() || !SyncSettings::isGeneratedCacheFileName(cacheFileName)
        || !QFileInfo::exists(path) || QFileInfo(path).size() == 0) {
        logReturn(1);
        return true;
    }
    if (!mReadCacheCopy) {
        const bool read = readCacheFile(path);
        logReturn(read);
        return read;
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
    const bool read = readCacheFile(copy);
    logReturn(read);
    return read;
}

bool SyncPlanner::readCacheFile(const QString& aPath)
{
    TrackCache cache;
    qint32 result = cache.openFile(aPath);
    logValue("open", result);
    if (result == TrackCacheResult::kNewCacheFile)
        result = 0;
    if (result == 0) {
        result = cache.updateTrackList(mPlan.mTracks, -1);
        logValue("updateTrackList", result);
    }
    cache.close();
    if (result != 0)
        logMessage("Track cache is unusable");
    return result == 0;
}

void SyncPlanner::choosePlaylists()
{
    if (!mSyncEntireLibrary)
        return;
    LogScope scope("SyncPlanner::choosePlaylists");
    const QStringList names = mLibrary->playlistNames();
    logMessage("Synchronizing to entire library");
    for (const QString& name : names) {
        if (name.isEmpty())
            continue;
        logValue("Adding playlist", name);
        mPlaylistNames.append(name);
    }
}

bool SyncPlanner::scanPlaylists(const PhoneSettings& aPhone)
{
    // The library must answer at all.
    if (!mLibrary->read())
        return false;
    const bool convert = aPhone.convertAacToMp3();
    for (const QString& name : std::as_const(mPlaylistNames)) {
        logMessage("Scanning local playlist");
        logValue("wSyncPlaylistName", name);
        PlaylistEntry entry;
        logEnter("SyncPlanner::ScanLocalPlaylist");
        qint64 playlistSize = 0;
        const int result = mLibrary->tracks(name, mPlan.mTracks, playlistSize, convert,
                                            mPlan.mDrmTracks, entry, mSyncEntireLibrary);
        logExit("SyncPlanner::ScanLocalPlaylist");
        if (result != 0) {
            logValue("tracks failed", result);
            // A playlist the user removed from the library chooses nothing; any other failure
            // leaves the choice unknown.
            if (result != MusicLibrary::kPlaylistNotFound)
                return false;
            logMessage("Playlist is no longer in the library");
        }
        mPlan.mPlaylists.append(entry);
    }
    return true;
}

void SyncPlanner::gatherPodcasts(const PhoneSettings& aPhone)
{
    LogScope scope("SyncPlanner::gatherPodcasts");
    if (mPodcastSyncSetting == 1) {
        logMessage("Synchronizing all podcasts");
        mPodcastNames = mLibrary->podcastNames();
        for (const QString& name : std::as_const(mPodcastNames))
            logValue("playlistName", name);
    } else if (mPodcastSyncSetting == 0) {
        return;
    }
    const int episodes = aPhone.numberOfEpisodesToSync();
    logValue("numberOfEpisodesToSync", episodes);

    QList<PlaylistEntry> entries;
    TrackList podcastTracks;
    mLibrary->podcasts(mPodcastNames, entries, podcastTracks);
    for (PlaylistEntry& entry : entries) {
        std::stable_sort(entry.mItems.begin(), entry.mItems.end(),
                         [](const PlaylistItem& a, const PlaylistItem& b) {
                             return a.mDateAdded > b.mDateAdded;
                         });
        if (episodes != 0 && entry.mItems.size() > episodes)
            entry.mItems.resize(episodes);
        for (PlaylistItem& item : entry.mItems)
            item.mTrackIndex = mPlan.mTracks.addTrack(podcastTracks.at(item.mTrackIndex));
        mPlan.mPlaylists.append(entry);
    }
}

void SyncPlanner::planTracks()
{
    LogScope scope("SyncPlanner::planTracks");
    const TrackList& tracks = mPlan.mTracks;
    mPlan.mSpaceNeeded = tracks.totalLocalSize() - tracks.totalSizeOnDevice();
    mPlan.mSpaceShort = mPlan.mSpaceNeeded > mPlan.mFreeSpace && !mPlan.mForceFull;
    logValue("spaceNeeded", mPlan.mSpaceNeeded);
    for (qint32 i = 0; i < tracks.count() && !mPlan.mLibraryIncomplete; ++i) {
        if (SyncPlan::wouldDelete(tracks.at(i)))
            mPlan.mToDelete.append(tracks.at(i));
    }
    if (mPlan.mLibraryIncomplete)
        logMessage("Library read with errors: no track is deleted from the phone");
    logValue("tracksToDelete", qint64(mPlan.mToDelete.size()));
    // The run copies from the last track to the first.
    for (qint32 i = tracks.count() - 1; i >= 0; --i) {
        if (SyncPlan::wouldCopy(tracks.at(i)))
            mPlan.mToCopy.append(tracks.at(i));
    }
}

void SyncPlanner::planPlaylists()
{
    QSet<QString> written;
    for (const PlaylistEntry& entry : std::as_const(mPlan.mPlaylists)) {
        if (entry.mName.isEmpty())
            continue;
        mPlan.mPlaylistsToWrite.append(entry.mName);
        const QString baseName = PhoneNames::PlaylistFileName(entry.mName);
        if (!baseName.isEmpty())
            written.insert(baseName + QStringLiteral(".m3u"));
    }
    for (const QString& file : mDevice->PlaylistFiles()) {
        if (!written.contains(file))
            mPlan.mPlaylistFilesToClear.append(file);
    }
}
