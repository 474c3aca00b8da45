// "pellmar-sync backups" and "pellmar-sync export" as a user runs them.
#include "TestMain.h"
#include "TestPaths.h"
#include "backup/FakeBackupBuilder.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

namespace {

struct Result
{
    int mExitCode = -1;
    QString mOut;
    QString mErr;
};

QByteArray contents(const QString& aPath)
{
    QFile file(aPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A notes database of the older layout with one note.
bool makeNotesDatabase(const QString& aPath)
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "notes-fixture");
        db.setDatabaseName(aPath);
        if (db.open()) {
            QSqlQuery q(db);
            ok = q.exec("CREATE TABLE Note (ROWID INTEGER PRIMARY KEY, title TEXT, summary TEXT, "
                        "creation_date INTEGER, modification_date INTEGER)")
                 && q.exec("CREATE TABLE note_bodies (note_id INTEGER, data TEXT)")
                 && q.exec("INSERT INTO Note VALUES (1, 'Shopping', 'milk', 0, 10)")
                 && q.exec("INSERT INTO note_bodies VALUES (1, 'milk<br>eggs')");
            db.close();
        }
    }
    QSqlDatabase::removeDatabase("notes-fixture");
    return ok;
}

// A message database of the newer layout: one received message with a picture.
bool makeMessagesDatabase(const QString& aPath)
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "sms-fixture");
        db.setDatabaseName(aPath);
        if (db.open()) {
            QSqlQuery q(db);
            ok = q.exec("CREATE TABLE handle (ROWID INTEGER PRIMARY KEY, id TEXT)")
                 && q.exec("CREATE TABLE message (ROWID INTEGER PRIMARY KEY, text TEXT, "
                           "handle_id INTEGER, date INTEGER, is_from_me INTEGER, read INTEGER)")
                 && q.exec("CREATE TABLE attachment (ROWID INTEGER PRIMARY KEY, filename TEXT, "
                           "mime_type TEXT)")
                 && q.exec("CREATE TABLE message_attachment_join (message_id INTEGER, "
                           "attachment_id INTEGER)")
                 && q.exec("INSERT INTO handle VALUES (1, '+4912345')")
                 && q.exec("INSERT INTO message VALUES (12, 'look', 1, 100, 0, 1)")
                 && q.exec("INSERT INTO attachment VALUES (3, "
                           "'~/Library/SMS/Attachments/ab/12/IMG_1.JPG', 'image/jpeg')")
                 && q.exec("INSERT INTO message_attachment_join VALUES (12, 3)");
            db.close();
        }
    }
    QSqlDatabase::removeDatabase("sms-fixture");
    return ok;
}

QByteArray jpeg()
{
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return bytes;
}

} // namespace

class TestBackupCommands : public QObject
{
    Q_OBJECT

    QTemporaryDir mDir;
    QString mRoot;
    QString mUserHome;

    Result sync(const QStringList& aArguments)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", mUserHome);
        env.insert("PELLMAR_BACKUP_ROOTS", mRoot);
        env.insert("PELLMAR_EXTRACT_SETTLE_MS", "0");
        env.insert("PATH", QFileInfo(TestPaths::program("pellmar-extract")).absolutePath() + ":"
                               + env.value("PATH"));
        for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_DESKTOP_DIR"})
            env.remove(name);
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(mUserHome);
        process.start(TestPaths::program("pellmar-sync"), aArguments);
        Result result;
        if (!process.waitForFinished(60000))
            return result;
        result.mExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
        result.mOut = QString::fromUtf8(process.readAllStandardOutput());
        result.mErr = QString::fromUtf8(process.readAllStandardError());
        return result;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(!TestPaths::program("pellmar-sync").isEmpty(), "pellmar-sync not built");
        QVERIFY2(!TestPaths::program("pellmar-extract").isEmpty(), "pellmar-extract not built");
        mRoot = mDir.path() + "/Backup/";
        mUserHome = mDir.path() + "/home";
        QVERIFY(QDir().mkpath(mUserHome + "/Desktop/CDZ")); // the trace log is on

        const QString notes = mDir.path() + "/notes.sqlite";
        QVERIFY(makeNotesDatabase(notes));
        const QString sms = mDir.path() + "/sms.db";
        QVERIFY(makeMessagesDatabase(sms));
        FakeBackupBuilder phone(mRoot + "a1b2c3");
        phone.setInfoPlist("Anna's iPhone", FakeBackupBuilder::PlistFormat::Binary);
        phone.setManifestPlist(false);
        phone.addFileFrom("HomeDomain", "Library/Notes/notes.sqlite", notes);
        phone.addFileFrom("HomeDomain", "Library/SMS/sms.db", sms);
        // Since iOS 4 attachments live in the media domain.
        phone.addFile("MediaDomain", "Library/SMS/Attachments/ab/12/IMG_1.JPG", jpeg());
        phone.addFile("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0001.JPG", "jpeg");
        QVERIFY(phone.write());

        FakeBackupBuilder locked(mRoot + "ffff");
        locked.setInfoPlist("Locked phone");
        locked.addFile("HomeDomain", "Library/SMS/sms.db", "x");
        locked.setManifestPlist(true, FakeBackupBuilder::PlistFormat::Binary);
        QVERIFY(locked.write());

        FakeBackupBuilder broken(mRoot + "0broken");
        broken.setInfoPlist("Broken phone");
        QVERIFY(broken.write());
        QVERIFY(QFile::remove(broken.backupPath() + "Manifest.db"));
    }

    void listsBackups()
    {
        const Result r = sync({"backups"});
        QCOMPARE(r.mExitCode, 0);
        const QString expected = "Broken phone\n    path:      " + mRoot + "0broken/\n"
                                 "    encrypted: no\n"
                                 "Anna's iPhone\n    path:      " + mRoot + "a1b2c3/\n"
                                 "    encrypted: no\n"
                                 "Locked phone\n    path:      " + mRoot + "ffff/\n"
                                 "    encrypted: yes\n";
        QCOMPARE(r.mOut, expected);
        QCOMPARE(sync({"backups", "extra"}).mExitCode, 2);
    }

    void listsNothingWhenThereAreNoBackups()
    {
        const QString saved = mRoot;
        mRoot = mDir.path() + "/nowhere/";
        const Result r = sync({"backups"});
        mRoot = saved;
        QCOMPARE(r.mExitCode, 0);
        QVERIFY(r.mOut.startsWith("No iPhone backup found"));
        QVERIFY(r.mOut.contains(mDir.path() + "/nowhere/"));
    }

    void exportsEverything()
    {
        const QString out = mDir.path() + "/out";
        const Result r = sync({"export", mRoot + "a1b2c3", out, "--photos"});
        QCOMPARE(r.mExitCode, 0);
        for (const char* name : {"messages.xml", "address.xml", "calendar.xml", "notes.xml"})
            QVERIFY2(r.mOut.contains(out + "/" + name), name);
        QVERIFY(contents(out + "/notes.xml").contains("<title>Shopping</title>"));
        const QByteArray messages = contents(out + "/messages.xml");
        QVERIFY(messages.contains("<address>+4912345</address>"));
        QVERIFY2(messages.contains("<attachment mime_type=\"image/jpeg\">/9j/"), messages.constData());
        // No database of a kind still gives its (empty) document.
        QVERIFY(contents(out + "/calendar.xml").contains("<calendar/>"));
        QCOMPARE(contents(out + "/DCIM/100APPLE/IMG_0001.JPG"), QByteArray("jpeg"));
        QVERIFY(r.mOut.contains("copied 1 photo"));

        // The backup's files and the list were kept in the trace log's folder.
        const QString log = mUserHome + "/Desktop/CDZ/";
        QVERIFY(QFileInfo::exists(log + "Info.plist"));
        QVERIFY(QFileInfo::exists(log + "Manifest.plist"));
        QVERIFY(contents(log + "backupfiles").contains("HomeDomainLibrary/Notes/notes.sqlite"));
    }

    void exportsOnlyWhatIsAskedByBackupName()
    {
        const QString out = mDir.path() + "/only-notes";
        const Result r = sync({"export", "a1b2c3", out, "--notes"});
        QCOMPARE(r.mExitCode, 0);
        // Beside it, the notes as text files for any phone, with the README that says so.
        QCOMPARE(QDir(out).entryList(QDir::Files), QStringList({"notes.xml", "README.txt"}));
        QVERIFY(!QDir(out + "/notes").entryList(QDir::Files).isEmpty());
        QCOMPARE(sync({"export", "Anna's iPhone", mDir.path() + "/by-name", "--calendar"}).mExitCode, 0);
        QVERIFY(QFileInfo::exists(mDir.path() + "/by-name/calendar.xml"));
    }

    void refusesWhatItCannotExport()
    {
        // Encrypted, without a password and without a terminal to ask on.
        Result r = sync({"export", mRoot + "ffff", mDir.path() + "/enc"});
        QCOMPARE(r.mExitCode, 2);
        QVERIFY(r.mErr.contains("encrypted"));
        QVERIFY(!QFileInfo::exists(mDir.path() + "/enc/messages.xml"));

        r = sync({"export", mRoot + "0broken", mDir.path() + "/broken"});
        QCOMPARE(r.mExitCode, 1);
        QVERIFY(r.mErr.contains("could not be read"));

        r = sync({"export", "no-such-backup", mDir.path() + "/x"});
        QCOMPARE(r.mExitCode, 1);
        QVERIFY(r.mErr.contains("no-such-backup"));

        // The working folder is emptied by every export; the backup is the user's own.
        QCOMPARE(sync({"export", "a1b2c3", mUserHome + "/CORVO/extracted/out"}).mExitCode, 2);
        QCOMPARE(sync({"export", "a1b2c3", mRoot + "a1b2c3/out"}).mExitCode, 2);
        QVERIFY(!QFileInfo::exists(mRoot + "a1b2c3/out"));

        QCOMPARE(sync({"export", "a1b2c3"}).mExitCode, 2);
        QCOMPARE(sync({"export", "a1b2c3", mDir.path() + "/y", "--bogus"}).mExitCode, 2);
        QCOMPARE(sync({"export", "a1b2c3", mDir.path() + "/y", "--phone", "x"}).mExitCode, 2);
    }
};

PELLMAR_TEST_MAIN(TestBackupCommands)
#include "test_backup_commands.moc"
