// A phone pulled out mid-run leaves its mount point behind as an empty folder of the computer's
// own disk. The run must notice, stop, record nothing that did not reach the phone, and write
// nothing into the stand-in folder; the next run with the phone back copies what is missing.
#include "CanaryFolder.h"
#include "TestMain.h"
#include "device/PhoneTree.h"
#include "engine/EngineFixture.h"
#include "sync/SyncSession.h"
#include "tracks/SyncState.h"

#include <QDir>
#include <QProcess>
#include <QtTest>

namespace {

using Playlists = QList<QPair<QString, QStringList>>;

const QStringList kMix = {QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Gamma"),
                          QStringLiteral("Delta")};

void addTracks(EngineFixture& aFixture)
{
    // Two albums of two tracks.
    for (int i = 0; i < kMix.size(); ++i)
        aFixture.addTrack(kMix.at(i), i < 2 ? QStringLiteral("Ann") : QStringLiteral("Bob"),
                          i < 2 ? QStringLiteral("First") : QStringLiteral("Second"), i % 2 + 1);
    aFixture.setPlaylist(QStringLiteral("Mix"), kMix);
    aFixture.writeLibrary();
    EngineFixture::Configuration configuration;
    configuration.mPlaylists = {QStringLiteral("Mix")};
    aFixture.configure(configuration);
}

// Runs with the phone taken away (by aPull) when the second track is about to be copied.
EngineFixture::Result runAndPull(EngineFixture& aFixture, const std::function<void()>& aPull)
{
    int copying = 0;
    return aFixture.run(EngineFixture::RunOptions(), [&](SyncSession& aSync) {
        QObject::connect(&aSync, qOverload<int, int, QString>(&SyncSession::ProgressUpdate), &aSync,
                         [&](int aState, int, const QString&) {
                             if (aState == SyncState::Copying && ++copying == 2)
                                 aPull();
                         },
                         Qt::DirectConnection);
    });
}

// The tracks of the phone folder, by name ("Alpha"), as their files say.
QStringList tracksIn(const QString& aRoot)
{
    QStringList names;
    for (const QString& path : PhoneTree::capture(aRoot).paths()) {
        if (path.startsWith(QLatin1String("Music/")))
            names << path;
    }
    return names;
}

bool run(const QString& aProgram, const QStringList& aArguments)
{
    QProcess process;
    process.start(aProgram, aArguments);
    return process.waitForFinished(20000) && process.exitStatus() == QProcess::NormalExit
           && process.exitCode() == 0;
}

void checkStoppedAndNothingRecorded(const EngineFixture& aFixture,
                                    const EngineFixture::Result& aResult,
                                    const QString& aRealPhone)
{
    QCOMPARE(aResult.finalState(), int(SyncState::FinishedWithErrors));
    QVERIFY(aResult.mPhoneDisconnected);
    // Only what reached the phone is recorded; the run stopped at the pulled phone.
    const QStringList onPhone = tracksIn(aRealPhone);
    QCOMPARE(aFixture.cachedOnPhone().size(), onPhone.size());
    QVERIFY(onPhone.size() < kMix.size());
    QVERIFY(aResult.mUploadRequests.size() <= 2);
    for (const QString& reason : aResult.mNotCopiedReasons)
        QCOMPARE(reason, QStringLiteral("the phone was disconnected"));
}

} // namespace

class TestPhoneGone : public QObject
{
    Q_OBJECT

private slots:
    void phoneFolderReplacedByAnEmptyOne();
    void phoneFolderDeleted();
    void bindMountLazilyUnmounted();
    void fullPhoneIsNamedForEachTrack();
};

void TestPhoneGone::phoneFolderReplacedByAnEmptyOne()
{
    EngineFixture fixture;
    addTracks(fixture);
    CanaryFolder canary(fixture.root() + "/canary");
    const QString away = fixture.root() + "/phone-away";
    const EngineFixture::Result result = runAndPull(fixture, [&]() {
        QVERIFY(QDir().rename(fixture.phoneRoot(), away));
        QVERIFY(QDir().mkpath(fixture.phoneRoot()));
    });
    checkStoppedAndNothingRecorded(fixture, result, away);
    // Nothing went into the folder that stood in for the phone.
    QCOMPARE(PhoneTree::capture(fixture.phoneRoot()).paths(), QStringList());
    QVERIFY(QDir(fixture.phoneRoot()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));

    // Plugged back in: the next run copies what is missing.
    QVERIFY(QDir(fixture.phoneRoot()).removeRecursively());
    QVERIFY(QDir().rename(away, fixture.phoneRoot()));
    const EngineFixture::Result again = fixture.run();
    QCOMPARE(again.finalState(), int(SyncState::Finished));
    PELLMAR_COMPARE_TREE(fixture.expectedTree(kMix, Playlists{{"Mix", kMix}}), fixture.phoneRoot());
    QCOMPARE(fixture.cachedOnPhone().size(), kMix.size());
    PELLMAR_VERIFY_CANARY(canary);
}

void TestPhoneGone::phoneFolderDeleted()
{
    EngineFixture fixture;
    addTracks(fixture);
    const EngineFixture::Result result = runAndPull(fixture, [&]() {
        QVERIFY(QDir(fixture.phoneRoot()).removeRecursively());
    });
    QCOMPARE(result.finalState(), int(SyncState::FinishedWithErrors));
    QVERIFY(result.mPhoneDisconnected);
    // The phone's folder is never made again by the run.
    QVERIFY(!QFileInfo::exists(fixture.phoneRoot()));
    QVERIFY(fixture.cachedOnPhone().size() <= 1);
}

void TestPhoneGone::bindMountLazilyUnmounted()
{
    EngineFixture fixture;
    addTracks(fixture);
    // The phone's own file system is a folder mounted at the phone root.
    const QString card = fixture.root() + "/card";
    QVERIFY(QDir().rename(fixture.phoneRoot(), card));
    QVERIFY(QDir().mkpath(fixture.phoneRoot()));
    if (!run("mount", {"--bind", card, fixture.phoneRoot()}))
        QSKIP("bind mounts are not allowed here; the vanishing folder cases cover the phone");
    CanaryFolder canary(fixture.root() + "/canary");
    bool unmounted = false;
    const EngineFixture::Result result = runAndPull(fixture, [&]() {
        unmounted = run("umount", {"-l", fixture.phoneRoot()});
    });
    if (!unmounted)
        run("umount", {"-l", fixture.phoneRoot()});
    QVERIFY(unmounted);
    checkStoppedAndNothingRecorded(fixture, result, card);
    QVERIFY(QDir(fixture.phoneRoot()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));

    QVERIFY(run("mount", {"--bind", card, fixture.phoneRoot()}));
    const EngineFixture::Result again = fixture.run();
    const QStringList differences =
        fixture.expectedTree(kMix, Playlists{{"Mix", kMix}}).compare(fixture.phoneRoot());
    QVERIFY(run("umount", {fixture.phoneRoot()}));
    QCOMPARE(again.finalState(), int(SyncState::Finished));
    QVERIFY2(differences.isEmpty(), qPrintable(differences.join('\n')));
    QCOMPARE(fixture.cachedOnPhone().size(), kMix.size());
    PELLMAR_VERIFY_CANARY(canary);
}

void TestPhoneGone::fullPhoneIsNamedForEachTrack()
{
    EngineFixture fixture;
    addTracks(fixture);
    EngineFixture::RunOptions options;
    options.mWriteLimit = 0;
    const EngineFixture::Result result = fixture.run(options);
    QCOMPARE(result.mNotCopied.size(), kMix.size());
    QCOMPARE(result.mNotCopiedReasons,
             QStringList(kMix.size(), QStringLiteral("the phone is full")));
    QVERIFY(!result.mPhoneDisconnected);
}

PELLMAR_TEST_MAIN(TestPhoneGone)
#include "test_phone_gone.moc"
