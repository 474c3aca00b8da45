// Whole synchronisation runs on real folders: what reaches the phone, what the cache records,
// and which states the window receives.
#include "TestMain.h"
#include "app/AppPaths.h"
#include "device/PhoneTree.h"
#include "engine/EngineFixture.h"
#include "library/MusicLibrary.h"
#include "mtp/FakeMtpBackend.h"
#include "settings/SyncSettings.h"
#include "sync/SyncFrontEnd.h"
#include "sync/SyncPlan.h"
#include "sync/SyncSession.h"
#include "tracks/SyncState.h"
#include "tracks/TrackCache.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

#include <algorithm>
#include <csignal>

namespace {

using Playlists = QList<QPair<QString, QStringList>>;

// The playlist of addTwoAlbums, in its order.
const QStringList kMix = {QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Gamma"),
                          QStringLiteral("Delta")};

// Two albums of two tracks each, all in one playlist.
void addTwoAlbums(EngineFixture& aFixture)
{
    aFixture.addTrack(QStringLiteral("Alpha"), QStringLiteral("Ann"), QStringLiteral("First"), 1);
    aFixture.addTrack(QStringLiteral("Beta"), QStringLiteral("Ann"), QStringLiteral("First"), 2);
    aFixture.addTrack(QStringLiteral("Gamma"), QStringLiteral("Bob"), QStringLiteral("Second"), 1);
    aFixture.addTrack(QStringLiteral("Delta"), QStringLiteral("Bob"), QStringLiteral("Second"), 2);
    aFixture.setPlaylist(QStringLiteral("Mix"), kMix);
    aFixture.writeLibrary();
    EngineFixture::Configuration configuration;
    configuration.mPlaylists = {QStringLiteral("Mix")};
    aFixture.configure(configuration);
}

const QStringList kAll = {QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Delta"),
                          QStringLiteral("Gamma")};

// The phone after a complete run of addTwoAlbums: every track and the whole playlist.
PhoneTree everythingCopied(EngineFixture& aFixture)
{
    return aFixture.expectedTree(kAll, Playlists{{QStringLiteral("Mix"), kMix}});
}

// The phone as it was before a run that must leave the music and the playlists alone: only the
// run's own files in CORVO (metadata, hints) are as the fixture expects them now.
PhoneTree onlyCorvoChanged(const PhoneTree& aBefore, const EngineFixture& aFixture)
{
    PhoneTree expected = aBefore;
    const PhoneTree& own = aFixture.expectedOwnFiles();
    for (const QString& path : own.paths())
        expected.setFile(path, own.file(path));
    return expected;
}

// Modification times of the music and playlist files on the phone.
QMap<QString, QDateTime> musicTimes(const QString& aRoot)
{
    QMap<QString, QDateTime> times;
    for (const QString& folder : {QStringLiteral("Music"), QStringLiteral("Playlists_CDZ")}) {
        QDirIterator it(aRoot + QLatin1Char('/') + folder, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            times.insert(it.filePath(), it.fileInfo().lastModified());
        }
    }
    return times;
}

} // namespace

class TestSyncEngine : public QObject
{
    Q_OBJECT

private slots:
    // Each test starts without settings and without the caches of earlier tests.
    void init()
    {
        QDir(AppPaths::corvoFolder()).removeRecursively();
    }

    void firstSyncThenNothingToDo()
    {
        EngineFixture fixture;
        addTwoAlbums(fixture);

        const auto first = fixture.run();
        QCOMPARE(first.mStates,
                 (QList<int>{SyncState::Preparing, SyncState::Copying, SyncState::Copying,
                             SyncState::Copying, SyncState::Copying, SyncState::Playlists,
                             SyncState::Finished}));
        // Percent before each attempt: attempts so far x 100 / tracks to copy.
        QCOMPARE(first.mCopyPercents, (QList<int>{0, 25, 50, 75}));
        QCOMPARE(first.mCopied, 4);
        QCOMPARE(first.mConfirmAsked, 0);
        QCOMPARE(first.mPrepareCount, first.mFinalizeCount);
        PELLMAR_COMPARE_TREE(everythingCopied(fixture), fixture.phoneRoot());
        QCOMPARE(fixture.cachedOnPhone(), kAll);
        if (FakeMtpBackend* mtp = fixture.mtpBackend()) {
            // The phone marks a complete run; each track went over once.
            QCOMPARE(mtp->fileData(fixture.mtpStorageId(), "CORVO/synccomplete"), QByteArray("sync-complete"));
            QCOMPARE(mtp->calls(FakeMtpBackend::kSend), 4 + 1 + 1 + 1);
            mtp->resetCalls();
        }

        const auto before = musicTimes(fixture.phoneRoot());
        QTest::qWait(20);
        const auto second = fixture.run();
        QCOMPARE(second.mStates,
                 (QList<int>{SyncState::Preparing, SyncState::Playlists, SyncState::Finished}));
        QCOMPARE(second.mCopied, 0);
        QCOMPARE(second.mDeleted, 0);
        QVERIFY(second.mUploadRequests.isEmpty());
        QCOMPARE(second.mConfirmAsked, 0);
        QCOMPARE(musicTimes(fixture.phoneRoot()), before);
        QCOMPARE(fixture.cachedOnPhone(), kAll);
        // Nothing to do sends only the run's marker.
        if (FakeMtpBackend* mtp = fixture.mtpBackend())
            QCOMPARE(mtp->calls(FakeMtpBackend::kSend), 1);
    }

    void firstUseIsClearedInTheSettingsFile()
    {
        EngineFixture fixture;
        addTwoAlbums(fixture);
        SyncSettings before;
        QCOMPARE(before.load(), 0);
        before.setFirstUse(fixture.phoneId(), true);
        QCOMPARE(before.save(), 0);

        QCOMPARE(fixture.run().finalState(), SyncState::Finished);
        QVERIFY(!SettingsSnapshot::read().phone(fixture.phoneId()).firstUse());
    }

    void removedTrackDeletedWhenConfirmed()
    {
        EngineFixture fixture;
        addTwoAlbums(fixture);
        fixture.run();

        fixture.setPlaylist(QStringLiteral("Mix"), {QStringLiteral("Alpha"), QStringLiteral("Beta"),
                                                    QStringLiteral("Gamma")});
        fixture.writeLibrary();
        const auto result = fixture.run();
        QCOMPARE(result.mConfirmAsked, 1);
        QCOMPARE(result.mDeleted, 1);
        QCOMPARE(result.finalState(), SyncState::Finished);
        QVERIFY(result.mStates.contains(SyncState::Deleting));
        PELLMAR_COMPARE_TREE(fixture.expectedTree({QStringLiteral("Alpha"), QStringLiteral("Beta"),
            QStringLiteral("Gamma")}, Playlists{{QStringLiteral("Mix"), {QStringLiteral("Alpha"),
            QStringLiteral("Beta"), QStringLiteral("Gamma")}}}), fixture.phoneRoot());
        // The record stays with its on-phone flag cleared.
        QCOMPARE(fixture.cachedOnPhone(), (QStringList{QStringLiteral("Alpha"),
                                                       QStringLiteral("Beta"),
                                                       QStringLiteral("Gamma")}));

        // Chosen again later, the track comes back.
        fixture.setPlaylist(QStringLiteral("Mix"), kAll);
        fixture.writeLibrary();
        const auto again = fixture.run();
        QCOMPARE(again.mCopied, 1);
        QCOMPARE(fixture.cachedOnPhone(), kAll);
    }

    void refusedDeletionEndsTheRunWithNothingCopied()
    {
        EngineFixture fixture;
        addTwoAlbums(fixture);
        fixture.run();
        const PhoneTree before = PhoneTree::capture(fixture.phoneRoot());

        fixture.addTrack(QStringLiteral("Epsilon"), QStringLiteral("Bob"), QStringLiteral("Second"), 3);
        fixture.setPlaylist(QStringLiteral("Mix"), {QStringLiteral("Alpha"), QStringLiteral("Epsilon")});
        fixture.writeLibrary();
        EngineFixture::RunOptions options;
        options.mConfirmDeletion = false;
        const auto result = fixture.run(options);
        QCOMPARE(result.mConfirmAsked, 1);
        QCOMPARE(result.mStates, (QList<int>{SyncState::Preparing, SyncState::Cancelled}));
        QVERIFY(result.mUploadRequests.isEmpty());
        QCOMPARE(result.mPrepareCount, result.mFinalizeCount);
        // Nothing but the run's own metadata file changed.
        PELLMAR_COMPARE_TREE(onlyCorvoChanged(before, fixture), fixture.phoneRoot());
        QCOMPARE(fixture.cachedOnPhone(), kAll);
    }

    // What a dry run shows is what the run then does: the same copies, in the same order, and
    // the same deletions.
    void theRunCarriesOutItsPlan()
    {
        EngineFixture fixture;
        addTwoAlbums(fixture);
        fixture.run();
        fixture.addTrack(QStringLiteral("Epsilon"), QStringLiteral("Bob"), QStringLiteral("Second"), 3);
        fixture.addTrack(QStringLiteral("Zeta"), QStringLiteral("Bob"), QStringLiteral("Second"), 4);
        fixture.setPlaylist(QStringLiteral("Mix"), {QStringLiteral("Alpha"), QStringLiteral("Beta"),
                                                    QStringLiteral("Epsilon"), QStringLiteral("Zeta")});
        fixture.writeLibrary();

        const SyncPlan plan = fixture.plan();
        QStringList toCopy;
        for (const Track& track : plan.mToCopy)
            toCopy << track.trackName();
        QStringList toDelete;
        for (const Track& track : plan.mToDelete)
            toDelete << track.trackName();
        toDelete.sort();
        QCOMPARE(toCopy, (QStringList{QStringLiteral("Zeta"), QStringLiteral("Epsilon")}));
        QCOMPARE(toDelete, (QStringList{QStringLiteral("Delta"), QStringLiteral("Gamma")}));

        const auto result = fixture.run();
        QCOMPARE(result.finalState(), SyncState::Finished);
        QCOMPARE(result.mUploadRequests, toCopy);
        QCOMPARE(result.mDeleted, 2);
        QCOMPARE(fixture.cachedOnPhone(), (QStringList{QStringLiteral("Alpha"), QStringLiteral("Beta"),
                                                       QStringLiteral("Epsilon"), QStringLiteral("Zeta")}));
    }

    void cancelDuringCopy()
    {
        EngineFixture fixture;
        addTwoAlbums(fixture);
        EngineFixture::RunOptions options;
        options.mCancelBeforeAttempt = 2;
        const auto result = fixture.run(options);
        QCOMPARE(result.mCopied, 2);
        // A stopped run is never reported finished, not even on its way to "cancelled".
        QCOMPARE(result.finalState(), int(SyncState::Cancelled));
        QVERIFY(!result.mStates.contains(SyncState::Finished));
        QVERIFY(!result.mStates.contains(SyncState::Playlists));
        QVERIFY(!QFileInfo::exists(fixture.phoneRoot() + QStringLiteral("/Playlists_CDZ")));
        // Uploads run from the last track to the first.
        QCOMPARE(fixture.cachedOnPhone(), (QStringList{QStringLiteral("Delta"), QStringLiteral("Gamma")}));
        PELLMAR_COMPARE_TREE(fixture.expectedTree({QStringLiteral("Delta"), QStringLiteral("Gamma")},
                                                  {}), fixture.phoneRoot());

        const auto rest = fixture.run();
        QCOMPARE(rest.mCopied, 2);
        QCOMPARE(rest.finalState(), SyncState::Finished);
        QCOMPARE(fixture.cachedOnPhone(), kAll);
    }

    void forceFullRebuildsCacheAndPlaylists()
    {
        EngineFixture fixture;
        addTwoAlbums(fixture);
        fixture.run();
        const QString playlist = fixture.phoneRoot() + QStringLiteral("/Playlists_CDZ/Mix.m3u");
        QFile file(playlist);
        QVERIFY(file.open(QIODevice::ReadWrite));
        const QDateTime old = QDateTime::currentDateTime().addDays(-2);
        QVERIFY(file.setFileTime(old, QFileDevice::FileModificationTime));
        file.close();

        EngineFixture::RunOptions options;
        options.mForceFull = true;
        options.mFreeSpace = 0;
        const auto result = fixture.run(options);
        QCOMPARE(result.mSpaceAsked, 0);
        QCOMPARE(result.finalState(), SyncState::Finished);
        // The cache started empty: every track was offered to the phone again, found in place.
        QCOMPARE(result.mUploadRequests.size(), 4);
        QCOMPARE(fixture.cachedOnPhone(), kAll);
        QVERIFY(QFileInfo(playlist).lastModified() > old.addDays(1));
        PELLMAR_COMPARE_TREE(everythingCopied(fixture), fixture.phoneRoot());
    }

    void notEnoughSpace()
    {
        EngineFixture fixture;
        addTwoAlbums(fixture);
        qint64 needed = 0;
        for (const QString& name : kAll)
            needed += QFileInfo(fixture.mediaPath(fixture.track(name).mRelativePath)).size();

        EngineFixture::RunOptions refuse;
        refuse.mFreeSpace = 100;
        refuse.mGoOnWhenShort = false;
        const auto refused = fixture.run(refuse);
        QCOMPARE(refused.mSpaceAsked, 1);
        QCOMPARE(refused.mSpaceShort, needed - 100);
        QCOMPARE(refused.mCopied, 0);
        QCOMPARE(refused.finalState(), int(SyncState::Cancelled));
        QVERIFY(!refused.mStates.contains(SyncState::Finished));
        PELLMAR_COMPARE_TREE(fixture.expectedTree({}, {}), fixture.phoneRoot());

        EngineFixture::RunOptions goOn = refuse;
        goOn.mGoOnWhenShort = true;
        const auto anyway = fixture.run(goOn);
        QCOMPARE(anyway.mSpaceAsked, 1);
        QCOMPARE(anyway.mCopied, 4);
        QCOMPARE(anyway.finalState(), SyncState::Finished);
    }

    void phoneFillsUpMidRun()
    {
        EngineFixture fixture;
        addTwoAlbums(fixture);
        const qint64 size = QFileInfo(fixture.mediaPath(fixture.track(QStringLiteral("Alpha")).mRelativePath)).size();
        EngineFixture::RunOptions options;
        options.mWriteLimit = size * 2 + size / 2;
        const auto result = fixture.run(options);
        QCOMPARE(result.mCopied, 2);
        QCOMPARE(result.mNotCopied, (QStringList{QStringLiteral("Beta"), QStringLiteral("Alpha")}));
        QCOMPARE(result.mLastError, fixture.copyFailedCode());
        QCOMPARE(result.finalState(), SyncState::Finished);
        QCOMPARE(fixture.cachedOnPhone(), (QStringList{QStringLiteral("Delta"), QStringLiteral("Gamma")}));
        // No partial file is left under any name; the playlist names only what is there.
        PELLMAR_COMPARE_TREE(fixture.expectedTree({QStringLiteral("Delta"), QStringLiteral("Gamma")},
            Playlists{{QStringLiteral("Mix"), {QStringLiteral("Gamma"), QStringLiteral("Delta")}}}),
            fixture.phoneRoot());

        const auto next = fixture.run();
        QCOMPARE(next.mCopied, 2);
        QCOMPARE(fixture.cachedOnPhone(), kAll);
        PELLMAR_COMPARE_TREE(everythingCopied(fixture), fixture.phoneRoot());
    }

    void missingLocalFileIsReportedNotCached()
    {
        EngineFixture fixture;
        fixture.addTrack(QStringLiteral("Here"), QStringLiteral("Ann"), QStringLiteral("First"), 1);
        fixture.addTrack(QStringLiteral("Gone"), QStringLiteral("Ann"), QStringLiteral("First"), 2)
            .mFileExists = false;
        fixture.setPlaylist(QStringLiteral("Mix"), {QStringLiteral("Here"), QStringLiteral("Gone")});
        fixture.writeLibrary();
        EngineFixture::Configuration configuration;
        configuration.mPlaylists = {QStringLiteral("Mix")};
        fixture.configure(configuration);

        const auto result = fixture.run();
        QCOMPARE(result.finalState(), SyncState::Finished);
        QCOMPARE(result.mCopied, 1);
        QCOMPARE(result.mNotCopied, QStringList{QStringLiteral("Gone")});
        QCOMPARE(result.mLastError, fixture.copyFailedCode());
        QCOMPARE(fixture.cachedOnPhone(), QStringList{QStringLiteral("Here")});
        // Offered again on the next run, still not copied, still not recorded.
        const auto again = fixture.run();
        QCOMPARE(again.mNotCopied, QStringList{QStringLiteral("Gone")});
        QCOMPARE(fixture.cachedOnPhone(), QStringList{QStringLiteral("Here")});
    }

    void exceptionInsideOneUploadLetsTheRestComplete()
    {
        EngineFixture fixture;
        addTwoAlbums(fixture);
        EngineFixture::RunOptions options;
        options.mFaultingTrack = QStringLiteral("Gamma");
        const auto result = fixture.run(options);
        QCOMPARE(result.finalState(), SyncState::Finished);
        QCOMPARE(result.mCopied, 3);
        QCOMPARE(result.mUploadRequests, (QStringList{QStringLiteral("Delta"), QStringLiteral("Gamma"),
                                                      QStringLiteral("Beta"), QStringLiteral("Alpha")}));
        QCOMPARE(fixture.cachedOnPhone(), (QStringList{QStringLiteral("Alpha"), QStringLiteral("Beta"),
                                                       QStringLiteral("Delta")}));
    }

    // After a processor fault nothing more reaches the phone or the cache: the process ends,
    // and the next run goes on from what the cache recorded.
    void processorFaultInAnUploadEndsTheProcess()
    {
        EngineFixture fixture;
        addTwoAlbums(fixture);
        EngineFixture::RunOptions options;
        options.mFaultingTrack = QStringLiteral("Gamma");
        options.mSegfault = true;
        QCOMPARE(fixture.runInChildProcess(options), SIGSEGV);
        QCOMPARE(fixture.cachedOnPhone(), QStringList{QStringLiteral("Delta")});
        if (fixture.mtpBackend())
            return; // the in-memory phone of the ended process went with it
        const auto next = fixture.run();
        QCOMPARE(next.finalState(), SyncState::Finished);
        QCOMPARE(next.mUploadRequests, (QStringList{QStringLiteral("Gamma"), QStringLiteral("Beta"),
                                                    QStringLiteral("Alpha")}));
        QCOMPARE(fixture.cachedOnPhone(), kAll);
    }

    void processorFaultElsewhereEndsTheProcess()
    {
        EngineFixture fixture;
        addTwoAlbums(fixture);
        fixture.run();
        fixture.setPlaylist(QStringLiteral("Mix"), {QStringLiteral("Alpha")});
        fixture.writeLibrary();
        EngineFixture::RunOptions options;
        options.mFaultingDeletion = true;
        QCOMPARE(fixture.runInChildProcess(options), SIGSEGV);
        // The phone keeps its tracks; the next run without the fault completes.
        QCOMPARE(fixture.cachedOnPhone(), kAll);
        QCOMPARE(fixture.run().finalState(), SyncState::Finished);
        QCOMPARE(fixture.cachedOnPhone(), QStringList{QStringLiteral("Alpha")});
    }

    void unreadableCacheIsClearedAndTheNextRunStartsClean()
    {
        EngineFixture fixture;
        addTwoAlbums(fixture);
        fixture.run();
        const QString cache = fixture.cacheFilePath();
        QFile file(cache);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("this is not a track cache").repeated(4));
        file.close();

        const auto broken = fixture.run();
        QCOMPARE(broken.mStates, (QList<int>{SyncState::Preparing, SyncState::FinishedWithErrors}));
        QCOMPARE(broken.mPrepareCount, broken.mFinalizeCount);
        QVERIFY(broken.mUploadRequests.isEmpty());
        QCOMPARE(QFileInfo(cache).size(), 44);

        const auto clean = fixture.run();
        QCOMPARE(clean.finalState(), SyncState::Finished);
        // The files are still on the phone: each is found in place and recorded again.
        QCOMPARE(clean.mUploadRequests.size(), 4);
        QCOMPARE(fixture.cachedOnPhone(), kAll);
        PELLMAR_COMPARE_TREE(everythingCopied(fixture), fixture.phoneRoot());
    }

    void unreadableLibraryChangesNothing()
    {
        EngineFixture fixture;
        addTwoAlbums(fixture);
        fixture.run();
        const PhoneTree before = PhoneTree::capture(fixture.phoneRoot());

        QFile library(fixture.libraryPath());
        QVERIFY(library.open(QIODevice::WriteOnly));
        library.write("<?xml version=\"1.0\"?><plist><dict><key>Tracks</key><dict><key>");
        library.close();
        const auto result = fixture.run();
        QCOMPARE(result.mStates, (QList<int>{SyncState::Preparing, SyncState::FinishedWithErrors}));
        QCOMPARE(result.mConfirmAsked, 0);
        QCOMPARE(result.mPrepareCount, result.mFinalizeCount);
        PELLMAR_COMPARE_TREE(onlyCorvoChanged(before, fixture), fixture.phoneRoot());
        QCOMPARE(fixture.cachedOnPhone(), kAll);
    }

    void playlistRemovedFromLibraryDeletesItsTracks()
    {
        EngineFixture fixture;
        addTwoAlbums(fixture);
        fixture.run();
        // The phone still asks for "Mix", which the library no longer has.
        fixture.setPlaylist(QStringLiteral("Mix"), {});
        fixture.writeLibrary();
        QFile library(fixture.libraryPath());
        QVERIFY(library.open(QIODevice::ReadOnly));
        QByteArray xml = library.readAll();
        library.close();
        xml.replace("<string>Mix</string>", "<string>Renamed</string>");
        QVERIFY(library.open(QIODevice::WriteOnly | QIODevice::Truncate));
        library.write(xml);
        library.close();

        const auto result = fixture.run();
        QCOMPARE(result.finalState(), SyncState::Finished);
        QCOMPARE(result.mConfirmAsked, 1);
        QCOMPARE(result.mDeleted, 4);
        QVERIFY(fixture.cachedOnPhone().isEmpty());
    }

    void phoneWithoutSettingsAndNoSettingsFile()
    {
        EngineFixture fixture;
        fixture.addTrack(QStringLiteral("Alpha"), QStringLiteral("Ann"), QStringLiteral("First"), 1);
        fixture.writeLibrary();

        const auto noFile = fixture.run();
        QCOMPARE(noFile.mStates, QList<int>{SyncState::NoSettings});
        QCOMPARE(noFile.mPrepareCount, noFile.mFinalizeCount);

        // A settings file that knows another phone only.
        SyncSettings settings;
        settings.load();
        settings.setConfig(QStringLiteral("another-phone"), QStringLiteral("Other"), true, {}, 0, {});
        QCOMPARE(settings.save(), 0);
        const auto unknown = fixture.run();
        QCOMPARE(unknown.mStates, QList<int>{SyncState::NotConfigured});
        QCOMPARE(unknown.mPrepareCount, unknown.mFinalizeCount);
        PELLMAR_COMPARE_TREE(fixture.expectedTree({}, {}), fixture.phoneRoot());
        QVERIFY(!QFileInfo::exists(fixture.phoneRoot() + QStringLiteral("/Music")));
    }

    void podcastsLimitedToNewestEpisodes()
    {
        EngineFixture fixture;
        QStringList names;
        for (int i = 1; i <= 10; ++i) {
            const QString name = QStringLiteral("Episode %1").arg(i);
            // Added in a shuffled order of dates: episode i is i days old.
            fixture.addEpisode(QStringLiteral("Daily"), name, i,
                               QDateTime(QDate(2024, 1, 31).addDays(-i), QTime(8, 0), Qt::UTC));
            names << name;
        }
        fixture.writeLibrary();
        EngineFixture::Configuration configuration;
        configuration.mPlaylists = {};
        configuration.mWholeLibrary = false;
        configuration.mPodcastSetting = 2;
        configuration.mPodcasts = {QStringLiteral("Daily")};
        configuration.mEpisodes = 3;
        fixture.configure(configuration);

        const auto result = fixture.run();
        QCOMPARE(result.finalState(), SyncState::Finished);
        QCOMPARE(result.mCopied, 3);
        const QStringList newest = {QStringLiteral("Episode 1"), QStringLiteral("Episode 2"),
                                    QStringLiteral("Episode 3")};
        PELLMAR_COMPARE_TREE(fixture.expectedTree(newest, Playlists{{QStringLiteral("Daily"), newest}}),
                             fixture.phoneRoot());
    }

    void threadedRunAsksAboutThePlanInTheStartingThread()
    {
        EngineFixture fixture;
        addTwoAlbums(fixture);
        fixture.run();
        fixture.setPlaylist(QStringLiteral("Mix"), {QStringLiteral("Alpha")});
        fixture.writeLibrary();

        // A window that answers yes, and notes where and about what it was asked.
        struct Window : SyncFrontEnd
        {
            int asked = 0;
            bool inItsThread = false;
            qsizetype toDelete = 0;
            void phoneNotMounted(Device&) override {}
            void settingsDamaged(const SettingsSnapshot&) override {}
            void phoneNotConfigured(Device&) override {}
            void phoneInUse(Device&, const QString&) override {}
            QByteArray backupPassword(const QString&) override { return {}; }
            bool goOnWithoutSpace(const SyncPlan&) override { return true; }
            void copyProtectedFound(const SyncPlan&) override {}
            bool confirmDeletions(const SyncPlan& aPlan) override
            {
                ++asked;
                inItsThread = QThread::currentThread() == QCoreApplication::instance()->thread();
                toDelete = aPlan.mToDelete.size();
                return true;
            }
        } window;
        TestPhone phone(fixture.phoneRoot());
        MusicLibrary library;
        SyncSession session(&library, window);
        QVERIFY(session.begin(&phone, nullptr, SettingsSnapshot::read()));
        QList<int> states;
        QObject::connect(&session, qOverload<int, int>(&SyncSession::ProgressUpdate), &session,
                         [&states](int aState, int) { states.append(aState); },
                         Qt::QueuedConnection);
        QEventLoop loop;
        QObject::connect(&session, &SyncSession::ended, &loop, &QEventLoop::quit,
                         Qt::QueuedConnection);
        session.start(false);
        loop.exec();
        QCoreApplication::sendPostedEvents();
        QCOMPARE(window.asked, 1);
        QVERIFY(window.inItsThread);
        // The plan is complete when the question comes.
        QCOMPARE(window.toDelete, 3);
        QCOMPARE(session.result().mDeleted, 3);
        QCOMPARE(states.last(), SyncState::Finished);
        QCOMPARE(fixture.cachedOnPhone(), QStringList{QStringLiteral("Alpha")});
    }

    // A large file moves the bar while it is sent, on a phone that can tell (MTP).
    void largeFileReportsItsProgress()
    {
        EngineFixture fixture;
        if (!fixture.mtpBackend())
            QSKIP("A folder phone copies without reporting within a file");
        fixture.addTrack(QStringLiteral("Long"), QStringLiteral("Ann"), QStringLiteral("First"), 1,
                         QString(), QByteArray(3 * 1024 * 1024, 'l'));
        fixture.addTrack(QStringLiteral("Short"), QStringLiteral("Ann"), QStringLiteral("First"), 2);
        fixture.setPlaylist(QStringLiteral("Mix"), {QStringLiteral("Long"), QStringLiteral("Short")});
        fixture.writeLibrary();
        EngineFixture::Configuration configuration;
        configuration.mPlaylists = {QStringLiteral("Mix")};
        fixture.configure(configuration);
        const auto result = fixture.run();
        QCOMPARE(result.mCopied, 2);
        // Besides the report before each track (0 and 50), the large one reports shares of
        // itself; never backwards.
        const QList<int>& percents = result.mCopyPercents;
        QVERIFY2(percents.size() > 4, qPrintable(QString::number(percents.size())));
        QVERIFY(std::is_sorted(percents.cbegin(), percents.cend()));
        QVERIFY(std::any_of(percents.cbegin(), percents.cend(),
                            [](int aPercent) { return aPercent % 50 != 0; }));
        QVERIFY(percents.last() < 100);
    }
};

PELLMAR_TEST_MAIN(TestSyncEngine)
#include "test_sync_engine.moc"
