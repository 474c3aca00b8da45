// Backups and export's working folder as an unlucky or hostile user leaves them: a link in
// place of the working folder, a backup inside it, databases and indexes that are damaged.
// Nothing outside the working folder may change, and no failure may pass for success.
#include "CanaryFolder.h"
#include "CliProcess.h"
#include "TestMain.h"
#include "backup/FakeBackupBuilder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

const QMap<QString, QString> kEnvironment = {{"PELLMAR_EXTRACT_SETTLE_MS", "0"}};

QByteArray contents(const QString& aPath)
{
    QFile file(aPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Fixture
{
    QTemporaryDir dir;
    QString home = dir.path() + "/home";
    QString working = home + "/CORVO/extracted";
    CanaryFolder canary{dir.path() + "/canary"};

    Fixture() { QDir().mkpath(home + "/CORVO"); }
    CliProcess exportTo(const QString& aBackup, const QString& aOut,
                        const QStringList& aMore = {}) const
    {
        return CliProcess::run("pellmar-sync", QStringList{"export", aBackup, aOut} + aMore, home,
                               kEnvironment);
    }
};

} // namespace

class TestBackupFaults : public QObject
{
    Q_OBJECT

private slots:
    void linkedWorkingFolderIsNotEmptied();
    void backupInsideTheWorkingFolderIsRefused();
    void messagesDatabaseThatIsNoDatabase();
    void damagedIndexIsReportedByExport();
};

void TestBackupFaults::linkedWorkingFolderIsNotEmptied()
{
    Fixture f;
    QVERIFY(QFile::link(f.canary.path(), f.working));
    FakeBackupBuilder backup(f.dir.path() + "/B1");
    backup.addFile("HomeDomain", "Library/Notes/notes.sqlite", "not needed");
    QVERIFY(backup.write());
    f.exportTo(backup.folder(), f.dir.path() + "/out");
    PELLMAR_VERIFY_CANARY(f.canary);
    // The link itself gave way to a real working folder.
    QVERIFY(!QFileInfo(f.working).isSymLink());
}

void TestBackupFaults::backupInsideTheWorkingFolderIsRefused()
{
    Fixture f;
    FakeBackupBuilder backup(f.working + "/B1");
    backup.addFile("HomeDomain", "Library/Notes/notes.sqlite", "user data");
    QVERIFY(backup.write());
    const QByteArray manifest = contents(backup.backupPath() + "Manifest.db");
    const CliProcess run = f.exportTo(backup.folder(), f.dir.path() + "/out");
    QCOMPARE(run.mExitCode, 2);
    QVERIFY2(run.mErr.contains("must not lie inside"), qPrintable(run.all()));
    QCOMPARE(contents(backup.backupPath() + "Manifest.db"), manifest);
    PELLMAR_VERIFY_CANARY(f.canary);
}

void TestBackupFaults::messagesDatabaseThatIsNoDatabase()
{
    Fixture f;
    FakeBackupBuilder backup(f.dir.path() + "/B2");
    backup.addFile("HomeDomain", "Library/SMS/sms.db", QByteArray(4096, 'x'));
    QVERIFY(backup.write());
    const CliProcess run = f.exportTo(backup.folder(), f.dir.path() + "/out", {"--messages"});
    QCOMPARE(run.mExitCode, 1);
    QVERIFY2(run.mErr.contains("sms.db is not a readable SQLite database"), qPrintable(run.all()));
    QVERIFY2(!run.mOut.contains("wrote"), qPrintable(run.all()));
    PELLMAR_VERIFY_CANARY(f.canary);
}

void TestBackupFaults::damagedIndexIsReportedByExport()
{
    Fixture f;
    FakeBackupBuilder backup(f.dir.path() + "/B3", FakeBackupBuilder::Index::Mbdb);
    backup.addFile("HomeDomain", "Library/Notes/notes.sqlite", "1");
    backup.addFile("HomeDomain", "Library/Calendar/Calendar.sqlitedb", "2");
    QVERIFY(backup.write());
    QFile mbdb(backup.backupPath() + "Manifest.mbdb");
    QVERIFY(mbdb.open(QIODevice::ReadWrite));
    QVERIFY(mbdb.resize(mbdb.size() - 10));
    mbdb.close();
    // The first entry is still exported, but the export says what is missing and fails.
    const CliProcess cut = f.exportTo(backup.folder(), f.dir.path() + "/out", {"--notes"});
    QCOMPARE(cut.mExitCode, 1);
    QVERIFY2(cut.mErr.contains("Manifest.mbdb is damaged"), qPrintable(cut.all()));

    // Garbage behind the header: nothing can be read, and export says so.
    QVERIFY(mbdb.open(QIODevice::WriteOnly | QIODevice::Truncate));
    mbdb.write(QByteArray("mbdb\x05\x00", 6) + QByteArray(300, '\xff'));
    mbdb.close();
    const CliProcess garbage = f.exportTo(backup.folder(), f.dir.path() + "/out2");
    QCOMPARE(garbage.mExitCode, 1);
    QVERIFY2(garbage.mErr.contains("Manifest.mbdb is damaged"), qPrintable(garbage.all()));
    PELLMAR_VERIFY_CANARY(f.canary);
}

PELLMAR_TEST_MAIN(TestBackupFaults)
#include "test_backup_faults.moc"
