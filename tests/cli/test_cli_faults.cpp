// pellmar-sync through its process where the ground is hostile: two runs on one phone, settings
// that name the wrong files. Each case keeps a canary folder beside the phone and one in the
// home folder, whose trees must come out unchanged.
#include "CanaryFolder.h"
#include "CliProcess.h"
#include "TestMain.h"
#include "device/PhoneTree.h"
#include "engine/EngineFixture.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

const QStringList kMix = {QStringLiteral("Alpha"), QStringLiteral("Beta")};

QByteArray readFile(const QString& aPath)
{
    QFile file(aPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A library, a phone folder set up for the playlist "Mix", and a home of the program's own.
struct CliFixture
{
    QTemporaryDir home;
    EngineFixture engine;
    CanaryFolder canary{engine.root() + "/canary"};
    CanaryFolder homeCanary{home.path() + "/Documents"};
    QString phoneId;

    CliFixture()
    {
        engine.addTrack("Alpha", "Ann", "First", 1);
        engine.addTrack("Beta", "Ann", "First", 2);
        engine.setPlaylist("Mix", kMix);
        engine.writeLibrary();
    }
    QStringList phoneArgs() const
    {
        return {"--library", engine.libraryPath(), "--phone-folder", engine.phoneRoot()};
    }
    CliProcess sync(const QStringList& aArguments) const
    {
        return CliProcess::run("pellmar-sync", aArguments + phoneArgs(), home.path());
    }
    bool setUp()
    {
        const CliProcess setup = sync({"setup", "--playlist", "Mix"});
        phoneId = QString::fromLatin1(readFile(engine.phoneRoot() + "/CORVO/uniqueid"));
        return setup.mExitCode == 0 && !phoneId.isEmpty();
    }
    QString corvo() const { return home.path() + "/CORVO"; }
    QString lockPath() const { return corvo() + "/phone-" + phoneId + ".lock"; }
};

} // namespace

class TestCliFaults : public QObject
{
    Q_OBJECT

private slots:
    // Concurrency
    void secondRunOnOnePhoneIsTurnedAway();
    void lockOfAKilledRunDoesNotBlock();
    // Settings
    void fullSyncNeverDeletesTheSettingsFile();
    void damagedSettingsFileIsNamed();
    // Far deeper or larger than any settings file: refused as damaged, never parsed at length.
    void hostileSettingsFileIsRefused_data();
    void hostileSettingsFileIsRefused();
    // Library
    void damagedLibraryDeletesNothing();
    // Phone
    void readOnlyPhoneIsReported();
};

void TestCliFaults::secondRunOnOnePhoneIsTurnedAway()
{
    CliFixture f;
    QVERIFY(f.setUp());
    QVERIFY(CliProcess::run("pellmar-sync", {"--help"}, f.home.path()).mOut.contains("5  another run"));
    // Another process (this test) holds the phone's lock, as a running sync would.
    QLockFile held(f.lockPath());
    QVERIFY(held.tryLock(0));
    const CliProcess second = f.sync({"run", "--yes"});
    QCOMPARE(second.mExitCode, 5);
    QVERIFY2(second.mErr.contains("process " + QString::number(QCoreApplication::applicationPid())),
             qPrintable(second.all()));
    // The turned-away run touched nothing.
    QVERIFY(!QFileInfo::exists(f.engine.phoneRoot() + "/Music"));
    // Nor may a setup change the settings under the run, which saves its own when it ends.
    const QByteArray settingsBefore = readFile(f.corvo() + "/corvo.xml");
    QVERIFY(!settingsBefore.isEmpty());
    QCOMPARE(f.sync({"setup", "--whole-library"}).mExitCode, 5);
    QCOMPARE(readFile(f.corvo() + "/corvo.xml"), settingsBefore);
    held.unlock();
    const CliProcess first = f.sync({"run", "--yes"});
    QCOMPARE(first.mExitCode, 0);
    QVERIFY(!QFileInfo::exists(f.lockPath()));
    PELLMAR_VERIFY_CANARY(f.canary);
    PELLMAR_VERIFY_CANARY(f.homeCanary);
}

void TestCliFaults::lockOfAKilledRunDoesNotBlock()
{
    CliFixture f;
    QVERIFY(f.setUp());
    // The lock a killed pellmar-sync left: its process id no longer runs.
    QProcess ended;
    ended.start("true", {});
    QVERIFY(ended.waitForStarted());
    const qint64 endedPid = ended.processId();
    QVERIFY(ended.waitForFinished());
    QFile lock(f.lockPath());
    QVERIFY(lock.open(QIODevice::WriteOnly));
    lock.write(QByteArray::number(endedPid) + "\npellmar-sync\n"
               + QSysInfo::machineHostName().toUtf8() + "\n");
    lock.close();
    const CliProcess run = f.sync({"run", "--yes"});
    QCOMPARE(run.mExitCode, 0);
    QVERIFY(QFileInfo::exists(f.engine.phoneRoot() + "/Music/Ann/First"));
    PELLMAR_VERIFY_CANARY(f.canary);
}

void TestCliFaults::fullSyncNeverDeletesTheSettingsFile()
{
    CliFixture f;
    QVERIFY(f.setUp());
    // The settings name the settings file itself as the phone's cache.
    const QString settingsPath = f.corvo() + "/corvo.xml";
    QByteArray settings = readFile(settingsPath);
    const qsizetype from = settings.indexOf("<cache>") + 7;
    settings.replace(from, settings.indexOf("</cache>") - from, settingsPath.toUtf8());
    QFile file(settingsPath);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(settings);
    file.close();

    const CliProcess run = f.sync({"run", "--yes", "--force-full"});
    QCOMPARE(run.mExitCode, 0);
    const QByteArray after = readFile(settingsPath);
    QVERIFY2(after.contains("<id>" + f.phoneId.toLatin1() + "</id>"), after.constData());
    QVERIFY(after.contains("/mcache0</cache>"));
    QVERIFY(QFileInfo::exists(f.corvo() + "/mcache0"));
    QVERIFY(QFileInfo::exists(f.engine.phoneRoot() + "/Music/Ann/First"));
    PELLMAR_VERIFY_CANARY(f.canary);
    PELLMAR_VERIFY_CANARY(f.homeCanary);
}

void TestCliFaults::damagedSettingsFileIsNamed()
{
    CliFixture f;
    QVERIFY(f.setUp());
    const QString settingsPath = f.corvo() + "/corvo.xml";
    QFile settings(settingsPath);
    QVERIFY(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
    settings.write("<settings><device><id>");
    settings.close();
    const CliProcess run = f.sync({"run", "--yes"});
    QCOMPARE(run.mExitCode, 4);
    QVERIFY2(run.mOut.contains("corvo.xml is damaged"), qPrintable(run.all()));
    QVERIFY2(run.mOut.contains(settingsPath + ".bad"), qPrintable(run.all()));
    // Reading it changed nothing; the copy is made by the setup that replaces it.
    QCOMPARE(readFile(settingsPath), QByteArray("<settings><device><id>"));
    QVERIFY(!QFileInfo::exists(settingsPath + ".bad"));
    QVERIFY(!QFileInfo::exists(f.engine.phoneRoot() + "/Music"));

    const CliProcess setup = f.sync({"setup", "--playlist", "Mix"});
    QCOMPARE(setup.mExitCode, 0);
    QVERIFY2(setup.mOut.contains(settingsPath + ".bad"), qPrintable(setup.all()));
    QCOMPARE(readFile(settingsPath + ".bad"), QByteArray("<settings><device><id>"));
    QVERIFY(readFile(settingsPath).contains("<playlist>Mix</playlist>"));
    PELLMAR_VERIFY_CANARY(f.homeCanary);
}

void TestCliFaults::hostileSettingsFileIsRefused_data()
{
    QTest::addColumn<QByteArray>("contents");
    const int depth = 100000;
    QTest::newRow("nested 100,000 deep")
        << "<settings>" + QByteArray("<a>").repeated(depth) + QByteArray("</a>").repeated(depth)
               + "</settings>";
    // Well-formed, and every element a phone would use, but 50 MB of it.
    const QByteArray phone = "<device><id>x</id><name>Phone</name><playlist>Mix</playlist></device>\n";
    QTest::newRow("50 MB") << "<settings>\n" + phone.repeated(50 * 1024 * 1024 / phone.size())
                                  + "</settings>\n";
}

void TestCliFaults::hostileSettingsFileIsRefused()
{
    QFETCH(QByteArray, contents);
    CliFixture f;
    QVERIFY(f.setUp());
    const QString settingsPath = f.corvo() + "/corvo.xml";
    QFile settings(settingsPath);
    QVERIFY(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
    settings.write(contents);
    settings.close();
    for (const QStringList& command : {QStringList{"devices"}, QStringList{"run", "--yes"}}) {
        const CliProcess process = f.sync(command);
        QVERIFY2(process.mOut.contains("corvo.xml is damaged"), qPrintable(process.all()));
        QCOMPARE(process.mExitCode, command.first() == "run" ? 4 : 0);
        QCOMPARE(readFile(settingsPath), contents);
    }
    QCOMPARE(QDir(f.corvo()).entryList({"corvo.xml*"}, QDir::Files), QStringList{"corvo.xml"});
    QVERIFY(!QFileInfo::exists(f.engine.phoneRoot() + "/Music"));
    PELLMAR_VERIFY_CANARY(f.homeCanary);
}

void TestCliFaults::damagedLibraryDeletesNothing()
{
    CliFixture f;
    QVERIFY(f.setUp());
    QCOMPARE(f.sync({"run", "--yes"}).mExitCode, 0);
    const PhoneTree before = PhoneTree::capture(f.engine.phoneRoot());
    // "Tracks" turned into something else while the playlists still name the tracks.
    QByteArray library = readFile(f.engine.libraryPath());
    const qsizetype from = library.indexOf("<key>Tracks</key>");
    const qsizetype to = library.indexOf("<key>Playlists</key>");
    QVERIFY(from > 0 && to > from);
    library.replace(from, to - from, "<key>Tracks</key><array/>\n");
    QFile file(f.engine.libraryPath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(library);
    // Written long ago: a file that does not parse just after a change is taken as one
    // iTunes is still writing.
    QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                             QFileDevice::FileModificationTime));
    file.close();
    const CliProcess run = f.sync({"run", "--yes"});
    QCOMPARE(run.mExitCode, 1);
    QVERIFY2(run.mOut.contains("damaged"), qPrintable(run.all()));
    for (const QString& path : before.paths()) {
        if (path.startsWith("Music/") || path.startsWith("Playlists_CDZ/"))
            QCOMPARE(readFile(f.engine.phoneRoot() + "/" + path), before.file(path));
    }
    PELLMAR_VERIFY_CANARY(f.canary);
}

void TestCliFaults::readOnlyPhoneIsReported()
{
    CliFixture f;
    // The phone's card, mounted read-only at the phone folder.
    const QString card = f.engine.root() + "/card";
    QVERIFY(QDir().mkpath(card));
    QVERIFY(QDir().mkpath(f.engine.phoneRoot()));
    if (QProcess::execute("mount", {"--bind", card, f.engine.phoneRoot()}) != 0)
        QSKIP("mounting is not allowed here");
    const bool readOnly =
        QProcess::execute("mount", {"-o", "remount,bind,ro", f.engine.phoneRoot()}) == 0;
    const CliProcess setup = f.sync({"setup", "--playlist", "Mix"});
    // Set up on a writable card, then the card turns read-only (its lock switch).
    QProcess::execute("mount", {"-o", "remount,bind,rw", f.engine.phoneRoot()});
    const bool setUp = f.setUp();
    QProcess::execute("mount", {"-o", "remount,bind,ro", f.engine.phoneRoot()});
    const CliProcess run = f.sync({"run", "--yes"});
    QProcess::execute("umount", {f.engine.phoneRoot()});
    QVERIFY(readOnly);
    QCOMPARE(setup.mExitCode, 1);
    QVERIFY2(setup.mErr.contains("the phone is read-only"), qPrintable(setup.all()));
    QVERIFY2(!setup.mOut.contains("is set up"), qPrintable(setup.all()));
    QVERIFY(setUp);
    QCOMPARE(run.mExitCode, 1);
    QVERIFY2(run.mOut.contains("Not copied: 2"), qPrintable(run.all()));
    QCOMPARE(run.mOut.count("(the phone is read-only)"), 2);
    // The last line says what was left behind, never that the run is complete.
    QVERIFY2(run.mOut.trimmed().endsWith(
                 "Phone synchronization ended with 2 tracks not copied: the phone is read-only"),
             qPrintable(run.all()));
    PELLMAR_VERIFY_CANARY(f.canary);
}

PELLMAR_TEST_MAIN(TestCliFaults)
#include "test_cli_faults.moc"
