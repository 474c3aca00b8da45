// Encrypted backups opened by the extraction tool with the owner's password, which it reads
// from standard input.
#include "TestMain.h"
#include "TestPaths.h"
#include "backup/FakeBackupBuilder.h"
#include "backup/FakeKeybag.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/stat.h>

namespace {

const QByteArray kPassword = "correct horse";

struct Run
{
    int mExitCode = -1;
    bool mHasList = false;
    // Place in the backup -> contents of the unpacked copy.
    QMap<QString, QByteArray> mFiles;
    QString mErrors;
};

QByteArray contents(const QString& aPath)
{
    QFile file(aPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

Run runTool(const QStringList& aArguments, const QByteArray& aInput, const QString& aWorking)
{
    Run run;
    QProcess process;
    process.start(TestPaths::program("pellmar-extract"), aArguments);
    process.write(aInput);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000))
        return run;
    run.mExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.mErrors = QString::fromUtf8(process.readAllStandardError());
    QFile list(aWorking + "/backup_file_list");
    run.mHasList = list.open(QIODevice::ReadOnly);
    if (run.mHasList) {
        const QList<QByteArray> lines = list.readAll().split('\n');
        for (int i = 0; i + 1 < lines.size(); i += 2)
            run.mFiles.insert(QString::fromUtf8(lines.at(i + 1)),
                              contents(QString::fromUtf8(lines.at(i))));
    }
    return run;
}

Run unpack(const FakeBackupBuilder& aBackup, const QString& aWorking,
           const QByteArray& aPassword = kPassword + "\n")
{
    return runTool({aBackup.backupPath(), aWorking}, aPassword, aWorking);
}

QStringList filesBelow(const QString& aFolder)
{
    QStringList files;
    QDirIterator it(aFolder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(aFolder).relativeFilePath(it.next());
    files.sort();
    return files;
}

// Every entry below aFolder with its size, modification time and contents.
QStringList snapshot(const QString& aFolder)
{
    QStringList lines;
    QDirIterator it(aFolder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        lines << QDir(aFolder).relativeFilePath(info.filePath()) + " "
                     + QString::number(info.lastModified().toMSecsSinceEpoch()) + " "
                     + (info.isFile() ? QString::fromLatin1(
                            QCryptographicHash::hash(contents(info.filePath()),
                                                     QCryptographicHash::Sha1)
                                .toHex())
                                      : QStringLiteral("dir"));
    }
    lines.sort();
    return lines;
}

// The same files in a plain and an encrypted backup.
void addFiles(FakeBackupBuilder& aBackup)
{
    aBackup.addFile("HomeDomain", "Library/SMS/sms.db", QByteArray(5000, 's'));
    aBackup.addFile("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0001.JPG", "jpeg bytes");
    aBackup.addFile("HomeDomain", "Library/Calendar/Calendar.sqlitedb", QByteArray(32, 'c'));
    aBackup.addFile("HomeDomain", "Library/Notes/empty.txt", "");
    aBackup.addMissingFile("HomeDomain", "Library/AddressBook/AddressBook.sqlitedb");
}

} // namespace

class TestBackupDecryption : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(!TestPaths::program("pellmar-extract").isEmpty(), "not built"); }

    void givesWhatThePlainBackupGives_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("doubleDerivation");
        QTest::addColumn<int>("format");
        QTest::newRow("iOS 14, Manifest.db")
            << int(FakeBackupBuilder::Index::ManifestDb) << true
            << int(FakeBackupBuilder::PlistFormat::Binary);
        QTest::newRow("iOS 10.0, plain Manifest.db, SHA-1 only")
            << int(FakeBackupBuilder::Index::ManifestDb) << false
            << int(FakeBackupBuilder::PlistFormat::Xml);
        QTest::newRow("iOS 9, Manifest.mbdb") << int(FakeBackupBuilder::Index::Mbdb) << false
                                              << int(FakeBackupBuilder::PlistFormat::Xml);
    }

    void givesWhatThePlainBackupGives()
    {
        QFETCH(int, index);
        QFETCH(bool, doubleDerivation);
        QFETCH(int, format);
        QTemporaryDir dir;
        FakeBackupBuilder plain(dir.path() + "/plain", FakeBackupBuilder::Index(index));
        addFiles(plain);
        plain.setManifestPlist(false);
        QVERIFY(plain.write());

        FakeKeybag keybag(kPassword, 3, 2, doubleDerivation);
        FakeBackupBuilder encrypted(dir.path() + "/encrypted", FakeBackupBuilder::Index(index));
        addFiles(encrypted);
        encrypted.setManifestPlist(true, FakeBackupBuilder::PlistFormat(format));
        encrypted.setEncryption(&keybag, doubleDerivation ? "14.2" : "9.3");
        // Before iOS 10.2 the index of an encrypted backup was not encrypted itself.
        encrypted.setPlainIndex(!doubleDerivation);
        QVERIFY(encrypted.write());
        QVERIFY(contents(encrypted.folder() + "/Manifest.plist") != contents(plain.folder() + "/Manifest.plist"));

        const Run expected = unpack(plain, dir.path() + "/work-plain", QByteArray());
        QCOMPARE(expected.mExitCode, 0);
        QCOMPARE(expected.mFiles.size(), 4);
        const QString working = dir.path() + "/work";
        const Run run = unpack(encrypted, working);
        QVERIFY2(run.mExitCode == 0, qPrintable(run.mErrors));
        QCOMPARE(run.mFiles, expected.mFiles);

        // Only the unpacked files and their list remain, each for its owner's eyes only.
        QStringList files = filesBelow(working);
        QCOMPARE(files.size(), 5);
        for (const QString& file : files) {
            struct stat st{};
            QCOMPARE(::stat(QFile::encodeName(working + "/" + file).constData(), &st), 0);
            QCOMPARE(st.st_mode & 0777, mode_t(0600));
        }
        struct stat folder{};
        QCOMPARE(::stat(QFile::encodeName(working + "/unpacked").constData(), &folder), 0);
        QCOMPARE(folder.st_mode & 0777, mode_t(0700));
    }

    void wrongOrMissingPassword()
    {
        QTemporaryDir dir;
        FakeKeybag keybag(kPassword, 2, 2);
        FakeBackupBuilder backup(dir.path() + "/backup");
        addFiles(backup);
        backup.setEncryption(&keybag);
        QVERIFY(backup.write());

        const Run wrong = unpack(backup, dir.path() + "/work", "Correct horse\n");
        QCOMPARE(wrong.mExitCode, 4);
        QVERIFY(wrong.mErrors.contains("password is not right"));
        QVERIFY(filesBelow(dir.path() + "/work").isEmpty());
        QCOMPARE(unpack(backup, dir.path() + "/work", QByteArray()).mExitCode, 5);

        const QStringList check = {"--check-password", backup.backupPath()};
        QCOMPARE(runTool(check, kPassword, dir.path()).mExitCode, 0);
        QCOMPARE(runTool(check, "nope\n", dir.path()).mExitCode, 4);
        // A line end of either kind ends the password.
        QCOMPARE(runTool(check, kPassword + "\r\n", dir.path()).mExitCode, 0);
    }

    void damagedBackupsLeaveNothingBehind_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("message");
        QTest::newRow("keybag cut short") << "keybag-short" << "keybag is cut short";
        QTest::newRow("keybag length past its end") << "keybag-length" << "runs past its end";
        QTest::newRow("Manifest.db not whole blocks") << "manifest-size" << "not a multiple of 16";
        QTest::newRow("record without a key") << "no-key" << "holds no key";
        QTest::newRow("file shorter than recorded") << "short-file" << "recorded size";
    }

    void damagedBackupsLeaveNothingBehind()
    {
        QFETCH(QString, damage);
        QFETCH(QString, message);
        QTemporaryDir dir;
        FakeKeybag keybag(kPassword, 2, 2);
        FakeBackupBuilder backup(dir.path() + "/backup");
        addFiles(backup);
        const QString victim =
            backup.addFile("HomeDomain", "Library/Notes/notes.sqlite", QByteArray(4096, 'n'));
        backup.setEncryption(&keybag);
        const QByteArray bag = keybag.bytes();
        if (damage == "keybag-short")
            backup.setKeybagBytes(bag.left(12 + 5)); // VERS, then part of a tag
        if (damage == "keybag-length") {
            QByteArray broken = bag;
            broken[6] = char(0x7f); // the VERS length
            backup.setKeybagBytes(broken);
        }
        if (damage == "no-key")
            backup.omitKeyOf(victim);
        QVERIFY(backup.write());
        const QString stored = backup.folder() + "/" + victim.left(2) + "/" + victim;
        if (damage == "manifest-size") {
            QFile manifest(backup.folder() + "/Manifest.db");
            QVERIFY(manifest.open(QIODevice::Append));
            manifest.write("x");
        }
        if (damage == "short-file")
            QVERIFY(QFile::resize(stored, 1024));

        const QString working = dir.path() + "/work";
        const Run run = unpack(backup, working);
        QCOMPARE(run.mExitCode, 1);
        QVERIFY(!run.mHasList);
        QVERIFY2(run.mErrors.contains(message), qPrintable(run.mErrors));
        QVERIFY2(filesBelow(working).isEmpty(), qPrintable(filesBelow(working).join(' ')));
    }

    void theBackupFolderIsNeverWritten_data()
    {
        QTest::addColumn<bool>("encrypt");
        QTest::newRow("plain") << false;
        QTest::newRow("encrypted") << true;
    }

    void theBackupFolderIsNeverWritten()
    {
        QFETCH(bool, encrypt);
        QTemporaryDir dir;
        FakeKeybag keybag(kPassword, 2, 2);
        FakeBackupBuilder backup(dir.path() + "/backup");
        addFiles(backup);
        backup.setManifestWal(true);
        if (encrypt)
            backup.setEncryption(&keybag);
        QVERIFY(backup.write());
        if (!encrypt)
            QCOMPARE(contents(backup.folder() + "/Manifest.db").mid(18, 2), QByteArray("\x02\x02"));
        const QStringList before = snapshot(backup.folder());
        QTest::qWait(20); // a write would show in the modification times
        const Run run = unpack(backup, dir.path() + "/work");
        QVERIFY2(run.mExitCode == 0, qPrintable(run.mErrors));
        QCOMPARE(snapshot(backup.folder()), before);
    }
};

PELLMAR_TEST_MAIN(TestBackupDecryption)
#include "test_backup_decryption.moc"
