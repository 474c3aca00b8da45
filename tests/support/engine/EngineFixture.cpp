#include "EngineFixture.h"

#include "TestPaths.h"
#include "device/PhoneNames.h"
#include "device/mtp/MtpPhone.h"
#include "device/mtp/MtpPhoneParent.h"
#include "device/mtp/MtpCachedConnection.h"
#include "device/mtp/MtpConnection.h"
#include "mtp/FakeMtpBackend.h"
#include "mtp/FakeMtpPhone.h"
#include "library/LibraryXmlBuilder.h"
#include "library/LibraryFactory.h"
#include "library/MusicLibrary.h"
#include "settings/SyncSettings.h"
#include "sync/SyncFrontEnd.h"
#include "sync/SyncSession.h"
#include "tracks/SyncState.h"
#include "tracks/TrackCache.h"
#include "tracks/TrackList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

EngineFixture::PhoneKind gDefaultKind = EngineFixture::PhoneKind::Folder;
using MtpTestPhone = PhoneProbe<MtpPhone>;

} // namespace

void EngineFixture::setDefaultPhoneKind(PhoneKind aKind)
{
    gDefaultKind = aKind;
}

EngineFixture::EngineFixture()
    : mKind(gDefaultKind),
      mOwnFiles(mKind == PhoneKind::Mtp ? ExpectedPhoneFiles::Kind::Mtp : ExpectedPhoneFiles::Kind::Folder)
{
    QDir().mkpath(phoneRoot());
    QDir().mkpath(mediaPath(QString()));
    if (mKind == PhoneKind::Mtp) {
        mMtp = std::make_shared<FakeMtpBackend>();
        const int phone = mMtp->addPhone(QStringLiteral("Google"), QStringLiteral("Pixel 7"),
                                         QStringLiteral("SERIAL1"), QStringLiteral("Test Phone"));
        mMtpStorage = mMtp->addStorage(phone, QStringLiteral("Internal storage"), 1ULL << 34, 1ULL << 34);
    }
}

int EngineFixture::copyFailedCode() const
{
    return mKind == PhoneKind::Mtp ? PhoneResult::kSendFailed : PhoneResult::kCopyFailed;
}

std::unique_ptr<MtpPhoneParent> EngineFixture::openMtpPhone() const
{
    QList<DeviceParent*> found = FakeMtpPhone::enumerate(mMtp);
    if (found.isEmpty())
        qFatal("the fake MTP phone did not open");
    return std::unique_ptr<MtpPhoneParent>(static_cast<MtpPhoneParent*>(found.first()));
}

QString EngineFixture::mediaPath(const QString& aRelativePath) const
{
    return mDir.path() + QStringLiteral("/media/") + aRelativePath;
}

EngineFixture::TrackFile& EngineFixture::addTrack(const QString& aName, const QString& aArtist,
                                                  const QString& aAlbum, qint32 aNumber,
                                                  const QString& aFileName,
                                                  const QByteArray& aContent)
{
    TrackFile track;
    track.mName = aName;
    track.mArtist = aArtist;
    track.mAlbum = aAlbum;
    track.mNumber = aNumber;
    const QString fileName = aFileName.isEmpty()
                                 ? QStringLiteral("%1 %2.mp3").arg(aNumber, 2, 10, QLatin1Char('0')).arg(aName)
                                 : aFileName;
    track.mRelativePath = aArtist + QLatin1Char('/') + aAlbum + QLatin1Char('/') + fileName;
    const QString path = mediaPath(track.mRelativePath);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        // Distinct bytes per track, so that a file copied under the wrong name is caught.
        file.write(aContent.isEmpty() ? ("track " + aName.toUtf8() + "\n").repeated(100)
                                      : aContent);
    }
    mTracks.append(track);
    return mTracks.last();
}

EngineFixture::TrackFile& EngineFixture::addSampleTrack(const QString& aName,
                                                        const QString& aArtist,
                                                        const QString& aAlbum, qint32 aNumber,
                                                        const QString& aSampleRelativePath,
                                                        const QString& aFileName)
{
    QFile sample(TestPaths::sourceDir() + QStringLiteral("/samples/demo/iTunes Media/")
                 + aSampleRelativePath);
    sample.open(QIODevice::ReadOnly);
    return addTrack(aName, aArtist, aAlbum, aNumber, aFileName, sample.readAll());
}

EngineFixture::TrackFile& EngineFixture::addEpisode(const QString& aPodcast, const QString& aName,
                                                    qint32 aNumber, const QDateTime& aDateAdded)
{
    TrackFile& episode = addTrack(aName, aPodcast, aPodcast, aNumber);
    // Below "Podcasts/<podcast>/", where the phone files episodes under "Podcasts".
    const QString oldPath = mediaPath(episode.mRelativePath);
    episode.mRelativePath = QStringLiteral("Podcasts/") + aPodcast + QLatin1Char('/')
                            + QFileInfo(oldPath).fileName();
    QDir().mkpath(QFileInfo(mediaPath(episode.mRelativePath)).absolutePath());
    QFile::rename(oldPath, mediaPath(episode.mRelativePath));
    episode.mPodcast = true;
    episode.mDateAdded = aDateAdded;
    return episode;
}

EngineFixture::TrackFile& EngineFixture::track(const QString& aName)
{
    for (TrackFile& track : mTracks) {
        if (track.mName == aName)
            return track;
    }
    qFatal("no track %s", qPrintable(aName));
}

void EngineFixture::setPlaylist(const QString& aName, const QStringList& aTrackNames)
{
    for (auto& playlist : mPlaylists) {
        if (playlist.first == aName) {
            playlist.second = aTrackNames;
            return;
        }
    }
    mPlaylists.append({aName, aTrackNames});
}

void EngineFixture::writeLibrary()
{
    LibraryXmlBuilder builder(LibraryXmlBuilder::Style::MacOS);
    QList<qint64> music;
    QList<qint64> podcasts;
    for (TrackFile& track : mTracks) {
        LibraryXmlBuilder::TrackSpec trackFields;
        trackFields.mName = track.mName;
        trackFields.mArtist = track.mArtist;
        trackFields.mAlbum = track.mAlbum;
        trackFields.mTrackNumber = track.mNumber;
        trackFields.mPodcast = track.mPodcast;
        trackFields.mCompilation = track.mCompilation;
        trackFields.mDateAdded = track.mDateAdded;
        const QString path = mediaPath(track.mRelativePath);
        if (!track.mFileExists)
            QFile::remove(path);
        trackFields.mSize = track.mFileExists ? QFileInfo(path).size() : 1000;
        trackFields.mKind = path.endsWith(QLatin1String(".m4a")) ? QStringLiteral("AAC audio file")
                                                          : QStringLiteral("MPEG audio file");
        trackFields.mLocation = LibraryXmlBuilder::linuxUrl(path);
        track.mId = builder.addTrack(trackFields);
        (track.mPodcast ? podcasts : music).append(track.mId);
    }
    builder.addMasterPlaylist();
    LibraryXmlBuilder::PlaylistSpec musicPlaylist;
    musicPlaylist.mName = QStringLiteral("Music");
    musicPlaylist.mDistinguishedKind = 4;
    musicPlaylist.mTrackIds = music;
    builder.addPlaylist(musicPlaylist);
    LibraryXmlBuilder::PlaylistSpec podcastPlaylist;
    podcastPlaylist.mName = QStringLiteral("Podcasts");
    podcastPlaylist.mDistinguishedKind = 10;
    podcastPlaylist.mTrackIds = podcasts;
    builder.addPlaylist(podcastPlaylist);
    for (const auto& playlist : mPlaylists) {
        LibraryXmlBuilder::PlaylistSpec trackFields;
        trackFields.mName = playlist.first;
        for (const QString& name : playlist.second)
            trackFields.mTrackIds.append(track(name).mId);
        builder.addPlaylist(trackFields);
    }
    builder.write(libraryPath());
    LibraryFactory::setChosenPath(libraryPath());
}

QString EngineFixture::configure(const Configuration& aConfiguration)
{
    QString name;
    if (mKind == PhoneKind::Mtp) {
        const std::unique_ptr<MtpPhoneParent> parent = openMtpPhone();
        Device* phone = parent->Devices().first();
        phone->SetConfigured();
        mPhoneId = phone->UniqueDeviceId();
        name = phone->FriendlyName();
        mMtp->exportTo(mMtpStorage, phoneRoot());
    } else {
        TestPhone phone(phoneRoot());
        phone.SetConfigured();
        mPhoneId = phone.UniqueDeviceId();
        name = phone.FriendlyName();
    }
    mOwnFiles.configured(mPhoneId);
    mConfiguration = aConfiguration;
    SyncSettings settings;
    settings.load();
    settings.setConfig(mPhoneId, name, aConfiguration.mWholeLibrary,
                       aConfiguration.mPlaylists, aConfiguration.mPodcastSetting,
                       aConfiguration.mPodcasts);
    settings.setConvertAacToMp3(mPhoneId, aConfiguration.mConvert);
    settings.setEnableArtworkSync(mPhoneId, aConfiguration.mEnableArt);
    settings.setForceArtworkSync(mPhoneId, aConfiguration.mForceArt);
    settings.setNumberOfEpisodesToSync(mPhoneId, aConfiguration.mEpisodes);
    settings.save();
    return mPhoneId;
}

EngineFixture::Result EngineFixture::run()
{
    return run(RunOptions());
}

EngineFixture::Result EngineFixture::run(const RunOptions& aOptions)
{
    return run(aOptions, [](SyncSession&) {});
}

EngineFixture::Result EngineFixture::run(const RunOptions& aOptions,
                                         const std::function<void(SyncSession&)>& aSetup)
{
    if (mKind == PhoneKind::Mtp) {
        const std::unique_ptr<MtpPhoneParent> parent = openMtpPhone();
        MtpTestPhone phone(parent.get(), parent->MtpDevice()->GetDevice()->Storages().first());
        phone.SetReopenPolicy(1, 0);
        if (aOptions.mWriteLimit >= 0)
            mMtp->setSendLimit(aOptions.mWriteLimit);
        Result result = runOn(phone, aOptions, aSetup);
        mMtp->setSendLimit(-1);
        mMtp->exportTo(mMtpStorage, phoneRoot());
        return result;
    }
    TestPhone phone(phoneRoot());
    if (aOptions.mWriteLimit >= 0)
        phone.setWriteLimit(aOptions.mWriteLimit);
    return runOn(phone, aOptions, aSetup);
}

int EngineFixture::runInChildProcess(const RunOptions& aOptions)
{
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        // An ended test child leaves no core file behind.
        const rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        run(aOptions);
        _exit(0);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child)
        return -1;
    return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}

namespace {

// Answers a run's questions as the options say and counts them.
class FixtureFrontEnd : public SyncFrontEnd
{
public:
    FixtureFrontEnd(const EngineFixture::RunOptions& aOptions, EngineFixture::Result& aResult)
        : mOptions(aOptions), mResult(aResult)
    {
    }
    void phoneNotMounted(Device&) override {}
    void settingsDamaged(const SettingsSnapshot&) override {}
    void phoneNotConfigured(Device&) override {}
    void phoneInUse(Device&, const QString&) override {}
    QByteArray backupPassword(const QString& aBackupPath) override
    {
        return mOptions.mBackupPassword ? mOptions.mBackupPassword(aBackupPath) : QByteArray();
    }
    bool goOnWithoutSpace(const SyncPlan& aPlan) override
    {
        ++mResult.mSpaceAsked;
        mResult.mSpaceShort = aPlan.mSpaceNeeded - aPlan.mFreeSpace;
        return mOptions.mGoOnWhenShort;
    }
    void copyProtectedFound(const SyncPlan&) override { ++mResult.mDrmAsked; }
    bool confirmDeletions(const SyncPlan&) override
    {
        ++mResult.mConfirmAsked;
        return mOptions.mConfirmDeletion;
    }

private:
    const EngineFixture::RunOptions& mOptions;
    EngineFixture::Result& mResult;
};

SyncPlan planOn(Device& aPhone)
{
    MusicLibrary library;
    EngineFixture::RunOptions options;
    EngineFixture::Result result;
    FixtureFrontEnd answers(options, result);
    SyncSession session(&library, answers);
    session.attach(&aPhone, nullptr);
    return session.planOnly(false);
}

} // namespace

SyncPlan EngineFixture::plan()
{
    if (mKind == PhoneKind::Mtp) {
        const std::unique_ptr<MtpPhoneParent> parent = openMtpPhone();
        MtpTestPhone phone(parent.get(), parent->MtpDevice()->GetDevice()->Storages().first());
        return planOn(phone);
    }
    TestPhone phone(phoneRoot());
    return planOn(phone);
}

template <class Phone>
EngineFixture::Result EngineFixture::runOn(Phone& phone, const RunOptions& aOptions,
                                           const std::function<void(SyncSession&)>& aSetup)
{
    if (aOptions.mFreeSpace >= 0)
        phone.setFreeSpace(aOptions.mFreeSpace);
    phone.setFaultingTrack(aOptions.mFaultingTrack, aOptions.mSegfault ? Phone::Fault::Segfault
                                                                       : Phone::Fault::Exception);
    phone.setFaultingDeletion(aOptions.mFaultingDeletion);

    MusicLibrary library;
    Result result;
    FixtureFrontEnd answers(aOptions, result);
    SyncSession sync(&library, answers);
    sync.attach(&phone, nullptr);
    int attempts = 0;
    QObject::connect(&sync, qOverload<int, int>(&SyncSession::ProgressUpdate), &sync,
                     [&result](int aState, int) { result.mStates.append(aState); },
                     Qt::DirectConnection);
    QObject::connect(
        &sync, qOverload<int, int, QString>(&SyncSession::ProgressUpdate), &sync,
        [&](int aState, int aPercent, const QString&) {
            if (aState != SyncState::Copying)
                return;
            result.mCopyPercents.append(aPercent);
            if (attempts++ == aOptions.mCancelBeforeAttempt)
                sync.Cancel();
        },
        Qt::DirectConnection);
    aSetup(sync);
    const QString playlistFolder = phoneRoot() + QStringLiteral("/Playlists_CDZ");
    const PhoneTree playlistsBefore = PhoneTree::capture(playlistFolder);
    sync.runInCallingThread(aOptions.mForceFull);

    // What the run asked of the phone and the phone did gives the phone's own files.
    ExpectedPhoneFiles::Run run;
    run.mPrepared = phone.prepareCount() > 0;
    run.mFinalized = phone.finalizeCount() > 0;
    run.mCancelled = sync.hasBeenCancelled();
    for (const QString& name : phone.uploaded()) {
        const TrackFile& file = track(name);
        run.mCopied.append({placedPath(file), file.mArtist, file.mAlbum, file.mName, file.mNumber});
    }
    const PhoneTree playlistsAfter = PhoneTree::capture(playlistFolder);
    for (const auto& [name, forced] : phone.playlistsCreated()) {
        // A playlist found up to date is not written, and not hinted.
        const QString fileName = PhoneNames::PlaylistFileName(name) + QStringLiteral(".m3u");
        if (forced || !playlistsBefore.contains(fileName)
            || playlistsBefore.file(fileName) != playlistsAfter.file(fileName))
            run.mPlaylistsWritten << fileName;
    }
    run.mOldPlaylistsChecked = phone.oldPlaylistsChecked();
    for (const QString& path : playlistsAfter.paths()) {
        if (!path.contains(QLatin1Char('/')) && !path.startsWith(QLatin1Char('.'))
            && path.endsWith(QLatin1String(".m3u"), Qt::CaseInsensitive))
            run.mPlaylistFiles << path;
    }
    for (const QString& name : phone.albumArtTracks()) {
        const TrackFile& file = track(name);
        const QString path = placedPath(file);
        run.mPictures.append({path.left(path.lastIndexOf(QLatin1Char('/'))), path,
                              ExpectedPhoneFiles::albumPictureOf(mediaPath(file.mRelativePath))});
    }
    mOwnFiles.ran(run);

    const SyncResult& done = sync.result();
    result.mCopied = done.mCopied;
    result.mDeleted = done.mDeleted;
    for (const Track& track : done.mNotCopied)
        result.mNotCopied << track.trackName();
    result.mNotWrittenPlaylists = done.mNotWrittenPlaylists;
    result.mLastError = done.mLastError;
    result.mNotCopiedReasons = done.mNotCopiedReasons;
    result.mPhoneDisconnected = done.mPhoneDisconnected;
    result.mUploadRequests = phone.uploadRequests();
    result.mAlbumArtSent = phone.albumArtSent();
    result.mPrepareCount = phone.prepareCount();
    result.mFinalizeCount = phone.finalizeCount();
    return result;
}

QString EngineFixture::phonePath(const TrackFile& aTrack, const QString& aExtension) const
{
    QString fileName = QFileInfo(aTrack.mRelativePath).fileName();
    if (!aExtension.isEmpty())
        fileName = QFileInfo(fileName).completeBaseName() + QLatin1Char('.') + aExtension;
    const QString artist = aTrack.mPodcast       ? QStringLiteral("Podcasts")
                           : aTrack.mCompilation ? QStringLiteral("Compilation")
                                                 : aTrack.mArtist;
    return QStringLiteral("Music/") + artist
           + QLatin1Char('/') + aTrack.mAlbum + QLatin1Char('/') + fileName;
}

QString EngineFixture::placedPath(const TrackFile& aTrack) const
{
    const bool converted = mConfiguration.mConvert
                           && !aTrack.mRelativePath.endsWith(QLatin1String(".mp3"), Qt::CaseInsensitive);
    return phonePath(aTrack, converted ? QStringLiteral("mp3") : QString());
}

QByteArray EngineFixture::playlistBytes(const QStringList& aTrackNames) const
{
    QByteArray bytes = "#EXTM3U\r\n";
    for (const QString& name : aTrackNames) {
        const TrackFile& track = const_cast<EngineFixture*>(this)->track(name);
        bytes += "#EXTINF:0," + name.toUtf8() + "\r\n";
        bytes += "../" + phonePath(track).toUtf8() + "\r\n";
    }
    return bytes;
}

PhoneTree EngineFixture::expectedTree(const QStringList& aTrackNames,
                                      const QList<QPair<QString, QStringList>>& aPlaylists) const
{
    PhoneTree expected;
    for (const QString& name : aTrackNames) {
        const TrackFile& track = const_cast<EngineFixture*>(this)->track(name);
        expected.setFileFrom(phonePath(track), mediaPath(track.mRelativePath));
    }
    for (const auto& playlist : aPlaylists) {
        expected.setFile(QStringLiteral("Playlists_CDZ/") + playlist.first + QStringLiteral(".m3u"),
                         playlistBytes(playlist.second));
    }
    const PhoneTree& own = mOwnFiles.files();
    for (const QString& path : own.paths())
        expected.setFile(path, own.file(path));
    return expected;
}

QString EngineFixture::cacheFilePath() const
{
    return TrackCache::resolveCacheFilePath(SettingsSnapshot::read().phone(mPhoneId).cacheFileName());
}

QStringList EngineFixture::cachedOnPhone() const
{
    QStringList names;
    if (!QFileInfo::exists(cacheFilePath()))
        return names;
    TrackCache cache;
    if (cache.openFile(cacheFilePath()) < TrackCacheResult::kNewCacheFile)
        return names;
    TrackList list;
    cache.updateTrackList(list, -1);
    cache.close();
    for (qint32 i = 0; i < list.count(); ++i) {
        if (list.at(i).onRemoteDevice())
            names << list.at(i).trackName();
    }
    names.sort();
    return names;
}
