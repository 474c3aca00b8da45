// "pellmar-sync export" of an encrypted backup: the same files as from the plain backup, with
// the password from a file; a wrong one exports nothing; nothing decrypted stays anywhere.
#include "CliProcess.h"
#include "TestMain.h"
#include "TestPaths.h"
#include "backup/FakeBackupBuilder.h"
#include "backup/FakeKeybag.h"
#include "backup/NotesFixture.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

namespace {

const QByteArray kPassword = "s3cret pass";

QByteArray contents(const QString& aPath)
{
    QFile file(aPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& aPath, const QByteArray& aData)
{
    QFile file(aPath);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(aData);
}

QStringList entriesBelow(const QString& aFolder)
{
    QStringList files;
    QDirIterator it(aFolder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(aFolder).relativeFilePath(it.next());
    return files;
}

} // namespace

class TestEncryptedExport : public QObject
{
    Q_OBJECT

    QTemporaryDir mDir;
    QString mHome;
    QString mNotes;
    QMap<QString, QString> mEnvironment;

    CliProcess sync(const QStringList& aArguments)
    {
        return CliProcess::run("pellmar-sync", aArguments, mHome, mEnvironment);
    }

    void build(FakeBackupBuilder& aBackup, const FakeKeybag* aKeybag)
    {
        aBackup.setInfoPlist("Anna's iPhone");
        aBackup.setManifestPlist(aKeybag != nullptr, FakeBackupBuilder::PlistFormat::Binary);
        aBackup.addFileFrom("HomeDomain", "Library/Notes/notes.sqlite", mNotes);
        aBackup.addFile("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0001.JPG", "jpeg");
        if (aKeybag)
            aBackup.setEncryption(aKeybag);
        QVERIFY(aBackup.write());
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(!TestPaths::program("pellmar-sync").isEmpty(), "pellmar-sync not built");
        mHome = mDir.path() + "/home";
        QVERIFY(QDir().mkpath(mHome + "/Desktop/CDZ")); // the trace log is on
        mNotes = mDir.path() + "/notes.sqlite";
        {
            NotesFixture notes(mNotes, NotesFixture::Layout::Older);
            QVERIFY(notes.addNote({"Shopping", "milk", "milk<br>eggs", 0, 10}) > 0);
            QVERIFY(notes.isOk());
        }
        mEnvironment = {{"PELLMAR_EXTRACT_SETTLE_MS", "0"},
                        {"PELLMAR_BACKUP_ROOTS", mDir.path() + "/Backup"},
                        {"PATH", QFileInfo(TestPaths::program("pellmar-extract")).absolutePath()
                                     + ":" + qEnvironmentVariable("PATH")}};
    }

    void exportsWhatThePlainBackupGives()
    {
        FakeBackupBuilder plain(mDir.path() + "/plain");
        build(plain, nullptr);
        FakeKeybag keybag(kPassword, 5, 3);
        FakeBackupBuilder encrypted(mDir.path() + "/Backup/0e0e");
        build(encrypted, &keybag);
        const QString passwordFile = mDir.path() + "/password.txt";
        writeFile(passwordFile, kPassword + "\n");

        QVERIFY(sync({"backups"}).mOut.contains("encrypted: yes"));
        const CliProcess expected = sync({"export", plain.folder(), mDir.path() + "/out-plain", "--photos"});
        QCOMPARE(expected.mExitCode, 0);
        // The plain export kept its databases in the log's folder; the encrypted one may not.
        QVERIFY(QDir(mHome + "/Desktop/CDZ").removeRecursively());
        QVERIFY(QDir().mkpath(mHome + "/Desktop/CDZ"));
        const QString out = mDir.path() + "/out";
        const CliProcess r =
            sync({"export", encrypted.folder(), out, "--photos", "--password-file", passwordFile});
        QVERIFY2(r.mExitCode == 0, qPrintable(r.all()));
        QVERIFY(r.mOut.contains("Checking the backup password..."));
        for (const char* name : {"notes.xml", "messages.xml", "address.xml", "calendar.xml",
                                 "DCIM/100APPLE/IMG_0001.JPG"})
            QCOMPARE(contents(out + "/" + name), contents(mDir.path() + "/out-plain/" + name));
        QVERIFY(contents(out + "/notes.xml").contains("<title>"));

        // Nothing decrypted is left in the working folder, nor copied into the log's folder.
        QCOMPARE(entriesBelow(mHome + "/CORVO/extracted"), QStringList());
        const QByteArray notes = contents(mNotes);
        QVERIFY(QFileInfo::exists(mHome + "/Desktop/CDZ/log.txt"));
        QVERIFY(!contents(mHome + "/Desktop/CDZ/log.txt").contains(kPassword));
        for (const QString& name : entriesBelow(mHome + "/Desktop/CDZ"))
            QVERIFY2(contents(mHome + "/Desktop/CDZ/" + name) != notes, qPrintable(name));
    }

    void wrongOrMissingPasswordExportsNothing()
    {
        FakeKeybag keybag(kPassword, 5, 3);
        FakeBackupBuilder encrypted(mDir.path() + "/enc2");
        build(encrypted, &keybag);
        const QString passwordFile = mDir.path() + "/wrong.txt";
        writeFile(passwordFile, "not it\n");
        const QString out = mDir.path() + "/wrong-out";
        CliProcess r = sync({"export", encrypted.folder(), out, "--password-file", passwordFile});
        QCOMPARE(r.mExitCode, 6);
        QVERIFY2(r.mErr.contains("The backup password is not right."), qPrintable(r.all()));
        QCOMPARE(entriesBelow(out), QStringList());
        QCOMPARE(entriesBelow(mHome + "/CORVO/extracted"), QStringList());
        QVERIFY(sync({"--help"}).mOut.contains("6  the password of an encrypted backup is not right"));

        // Without a terminal and without a file, the user learns how to give it.
        r = sync({"export", encrypted.folder(), out});
        QCOMPARE(r.mExitCode, 2);
        QVERIFY2(r.mErr.contains("--password-file FILE"), qPrintable(r.all()));

        // What a killed export of an encrypted backup left is removed when the program starts;
        // a working folder that held no decrypted data is left as it is.
        const QString working = mHome + "/CORVO/extracted/";
        QVERIFY(QDir().mkpath(working + "unpacked/HomeDomain"));
        writeFile(working + "unpacked/HomeDomain/notes.sqlite", "plain text");
        QCOMPARE(sync({"backups"}).mExitCode, 0);
        QCOMPARE(entriesBelow(working).size(), 3);
        writeFile(working + ".decrypted", "");
        QCOMPARE(sync({"backups"}).mExitCode, 0);
        QCOMPARE(entriesBelow(working), QStringList());

        // A keybag that cannot be read is no password matter.
        FakeBackupBuilder damaged(mDir.path() + "/enc3");
        damaged.setKeybagBytes(keybag.bytes().left(20));
        build(damaged, &keybag);
        r = sync({"export", damaged.folder(), out, "--password-file", passwordFile});
        QCOMPARE(r.mExitCode, 1);
        QVERIFY2(r.mErr.contains("keybag"), qPrintable(r.all()));
    }
};

PELLMAR_TEST_MAIN(TestEncryptedExport)
#include "test_encrypted_export.moc"
