// The extraction tool as the application starts it: a separate process with two arguments.
#include "TestMain.h"
#include "TestPaths.h"
#include "backup/FakeBackupBuilder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct Record
{
    QString mUnpacked;
    QString mPlace;
};

struct Run
{
    int mExitCode = -1;
    bool mHasList = false;
    QList<Record> mRecords;
    QString mErrors;
};

Run runTool(const QString& aBackup, const QString& aWorking)
{
    Run run;
    QProcess process;
    process.start(TestPaths::program("pellmar-extract"), {aBackup, aWorking});
    if (!process.waitForFinished(30000))
        return run;
    run.mExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.mErrors = QString::fromUtf8(process.readAllStandardError());
    QFile list(aWorking + "/backup_file_list");
    run.mHasList = list.open(QIODevice::ReadOnly);
    if (run.mHasList) {
        const QList<QByteArray> lines = list.readAll().split('\n');
        for (int i = 0; i + 1 < lines.size(); i += 2)
            run.mRecords.append({QString::fromUtf8(lines.at(i)), QString::fromUtf8(lines.at(i + 1))});
    }
    return run;
}

QByteArray contents(const QString& aPath)
{
    QFile file(aPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QStringList places(const Run& aRun)
{
    QStringList result;
    for (const Record& r : aRun.mRecords)
        result << r.mPlace;
    return result;
}

// Every file below aFolder, relative to it.
QStringList filesBelow(const QString& aFolder)
{
    QStringList files;
    QDirIterator it(aFolder, QDir::Files | QDir::System | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(aFolder).relativeFilePath(it.next());
    files.sort();
    return files;
}

} // namespace

class TestBackupExtractTool : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(!TestPaths::program("pellmar-extract").isEmpty(), "not built"); }

    void unpacksEveryLayout_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("storage");
        QTest::newRow("Manifest.db, sharded") << int(FakeBackupBuilder::Index::ManifestDb)
                                              << int(FakeBackupBuilder::Storage::Sharded);
        QTest::newRow("Manifest.db, flat") << int(FakeBackupBuilder::Index::ManifestDb)
                                           << int(FakeBackupBuilder::Storage::Flat);
        QTest::newRow("Manifest.mbdb") << int(FakeBackupBuilder::Index::Mbdb)
                                       << int(FakeBackupBuilder::Storage::Flat);
    }

    void unpacksEveryLayout()
    {
        QFETCH(int, index);
        QFETCH(int, storage);
        QTemporaryDir dir;
        FakeBackupBuilder backup(dir.path() + "/backup", FakeBackupBuilder::Index(index),
                                 FakeBackupBuilder::Storage(storage));
        backup.addFolder("HomeDomain", "Library/SMS");
        backup.addFile("HomeDomain", "Library/SMS/sms.db", "messages");
        backup.addFile("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0001.JPG", "jpeg");
        backup.addFile("MediaDomain", "Library/SMS/Attachments/ab/12/IMG 1.JPG", "");
        backup.addMissingFile("HomeDomain", "Library/Notes/notes.sqlite");
        backup.addFile("HomeDomain", "Library/Calendar/Calendar.sqlitedb", "calendar");
        backup.setInfoPlist("Phone");
        QVERIFY(backup.write());

        const QString working = dir.path() + "/work/";
        const Run run = runTool(backup.backupPath(), working);
        QCOMPARE(run.mExitCode, 0);
        QVERIFY(run.mHasList);
        // Folders and files missing from the backup are not listed; the order is the index's.
        QCOMPARE(places(run), QStringList({"HomeDomainLibrary/SMS/sms.db",
                                           "CameraRollDomainMedia/DCIM/100APPLE/IMG_0001.JPG",
                                           "MediaDomainLibrary/SMS/Attachments/ab/12/IMG 1.JPG",
                                           "HomeDomainLibrary/Calendar/Calendar.sqlitedb"}));
        const QString realWorking = QFileInfo(working).canonicalFilePath() + "/";
        for (const Record& r : run.mRecords) {
            QVERIFY2(QFileInfo(r.mUnpacked).isAbsolute(), qPrintable(r.mUnpacked));
            QVERIFY(r.mUnpacked.startsWith(realWorking));
        }
        QCOMPARE(contents(run.mRecords.at(0).mUnpacked), QByteArray("messages"));
        QCOMPARE(contents(run.mRecords.at(1).mUnpacked), QByteArray("jpeg"));
        QCOMPARE(contents(run.mRecords.at(2).mUnpacked), QByteArray(""));
        QCOMPARE(contents(run.mRecords.at(3).mUnpacked), QByteArray("calendar"));
    }

    void encryptedBackupGivesNoList_data()
    {
        QTest::addColumn<int>("format");
        QTest::newRow("binary Manifest.plist") << int(FakeBackupBuilder::PlistFormat::Binary);
        QTest::newRow("XML Manifest.plist") << int(FakeBackupBuilder::PlistFormat::Xml);
    }

    void encryptedBackupGivesNoList()
    {
        QFETCH(int, format);
        QTemporaryDir dir;
        FakeBackupBuilder backup(dir.path() + "/backup");
        backup.addFile("HomeDomain", "Library/SMS/sms.db", "messages");
        backup.setManifestPlist(true, FakeBackupBuilder::PlistFormat(format));
        QVERIFY(backup.write());
        const Run run = runTool(backup.backupPath(), dir.path() + "/work/");
        QCOMPARE(run.mExitCode, 1);
        QVERIFY(!run.mHasList);
        QVERIFY(run.mErrors.contains("encrypted"));

        FakeBackupBuilder clear(dir.path() + "/clear");
        clear.addFile("HomeDomain", "Library/SMS/sms.db", "messages");
        clear.setManifestPlist(false, FakeBackupBuilder::PlistFormat(format));
        QVERIFY(clear.write());
        QCOMPARE(runTool(clear.backupPath(), dir.path() + "/work2/").mRecords.size(), 1);
    }

    void hostileEntriesNeverLeaveTheWorkingFolder()
    {
        QTemporaryDir dir;
        const QString secret = dir.path() + "/secret.txt";
        QFile s(secret);
        QVERIFY(s.open(QIODevice::WriteOnly));
        s.write("secret");
        s.close();

        FakeBackupBuilder backup(dir.path() + "/backup");
        const QString good = backup.addFile("HomeDomain", "Library/SMS/sms.db", "good");
        // File ids that are not 40 lowercase hex characters.
        backup.addRawEntry(good.toUpper(), "HomeDomain", "Library/a", 1, "upper");
        backup.addRawEntry(good.left(39), "HomeDomain", "Library/b", 1, "short");
        backup.addRawEntry("../../../../secret.txt", "HomeDomain", "Library/c", 1, QByteArray());
        // Paths that climb out or are absolute, in the path or in the domain.
        backup.addFile("HomeDomain", "../../../escaped.txt", "climb");
        backup.addFile("HomeDomain", "Library/../../../../escaped2.txt", "climb");
        backup.addFile("HomeDomain", "/tmp/absolute.txt", "absolute");
        backup.addFile("..", "escaped3.txt", "domain");
        backup.addFile("Home/../..", "escaped4.txt", "domain");
        backup.addFile("HomeDomain", "Library/line\nbreak.txt", "newline");
        // A link entry, stored as a real link to a file outside the backup.
        backup.addLink("HomeDomain", "Library/link.txt", secret);
        QVERIFY(backup.write());
        // A regular-file entry whose stored copy is a link.
        const QString sneaky = backup.addFile("HomeDomain", "Library/sneaky.txt", "x");
        QVERIFY(backup.write());
        const QString sneakyStored = backup.backupPath() + sneaky.left(2) + "/" + sneaky;
        QVERIFY(QFile::remove(sneakyStored));
        QVERIFY(QFile::link(secret, sneakyStored));

        const QString working = dir.path() + "/deep/work/";
        const Run run = runTool(backup.backupPath(), working);
        QCOMPARE(run.mExitCode, 0);
        QCOMPARE(places(run), QStringList({"HomeDomainLibrary/SMS/sms.db"}));
        // Nothing was written next to the working folder or anywhere else in the tree.
        QStringList outside = filesBelow(dir.path());
        outside.removeIf([](const QString& f) {
            return f.startsWith("backup/") || f.startsWith("deep/work/");
        });
        QCOMPARE(outside, QStringList({"secret.txt"}));
        QVERIFY(!QFileInfo::exists("/tmp/absolute.txt") || contents("/tmp/absolute.txt") != "absolute");
        for (const QString& f : filesBelow(working))
            QVERIFY2(contents(working + f) != "secret", qPrintable(f));
    }

    void damagedIndexes()
    {
        QTemporaryDir dir;
        // A Manifest.mbdb cut inside its third record keeps the two records before.
        FakeBackupBuilder old(dir.path() + "/old", FakeBackupBuilder::Index::Mbdb);
        old.addFile("HomeDomain", "Library/SMS/sms.db", "1");
        old.addFile("HomeDomain", "Library/Notes/notes.sqlite", "2");
        old.addFile("HomeDomain", "Library/Calendar/Calendar.sqlitedb", "3");
        QVERIFY(old.write());
        QFile mbdb(old.backupPath() + "Manifest.mbdb");
        QVERIFY(mbdb.open(QIODevice::ReadWrite));
        const qint64 full = mbdb.size();
        QVERIFY(mbdb.resize(full - 20));
        mbdb.close();
        Run run = runTool(old.backupPath(), dir.path() + "/w1/");
        // The list is written, but the damage is reported, naming the file.
        QCOMPARE(run.mExitCode, 3);
        QVERIFY2(run.mErrors.contains("Manifest.mbdb is damaged"),
                 qPrintable(run.mErrors));
        QCOMPARE(places(run), QStringList({"HomeDomainLibrary/SMS/sms.db",
                                           "HomeDomainLibrary/Notes/notes.sqlite"}));

        // Every shorter cut of the file (cut shorter and shorter) ends cleanly, never with a
        // crash.
        QFile whole(old.backupPath() + "Manifest.mbdb");
        QVERIFY(whole.open(QIODevice::ReadWrite));
        for (qint64 size : {full / 2, qint64(40), qint64(7), qint64(6), qint64(4), qint64(0)}) {
            QVERIFY(whole.resize(size));
            run = runTool(old.backupPath(), dir.path() + "/w2-" + QString::number(size) + "/");
            // A cut file never passes for a whole one: entries before the damage give a list
            // and exit code 3, none give no list and exit code 1.
            QVERIFY2(run.mExitCode == 1 || run.mExitCode == 3, qPrintable(QString::number(size)));
            QVERIFY2(run.mHasList == (run.mExitCode == 3),
                     qPrintable(QString::number(size) + run.mErrors));
            QVERIFY2(run.mErrors.contains("Manifest.mbdb"), qPrintable(run.mErrors));
        }
        whole.close();

        // A Manifest.db that is not a database gives no list.
        FakeBackupBuilder garbage(dir.path() + "/garbage");
        garbage.addFile("HomeDomain", "Library/SMS/sms.db", "1");
        QVERIFY(garbage.write());
        QFile db(garbage.backupPath() + "Manifest.db");
        QVERIFY(db.open(QIODevice::WriteOnly | QIODevice::Truncate));
        db.write(QByteArray("SQLite format 3") + QByteArray(3000, '\x5a'));
        db.close();
        run = runTool(garbage.backupPath(), dir.path() + "/w3/");
        QCOMPARE(run.mExitCode, 1);
        QVERIFY(!run.mHasList);

        // A folder without any index.
        QVERIFY(QDir().mkpath(dir.path() + "/empty"));
        run = runTool(dir.path() + "/empty/", dir.path() + "/w4/");
        QCOMPARE(run.mExitCode, 1);
        QVERIFY(!run.mHasList);
    }

    void usage()
    {
        QProcess process;
        process.start(TestPaths::program("pellmar-extract"), {"only-one"});
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitCode(), 2);
        QVERIFY(process.readAllStandardError().contains("Usage"));
    }
};

PELLMAR_TEST_MAIN(TestBackupExtractTool)
#include "test_backup_extract_tool.moc"
