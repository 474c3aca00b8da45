#include "TestMain.h"
#include "app/DebugLog.h"
#include "backup/iphone/AppleExtractor.h"
#include "backup/FakeBackupBuilder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>

namespace {

QByteArray contents(const QString& aPath)
{
    QFile file(aPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeFile(const QString& aPath, const QByteArray& aData)
{
    QDir().mkpath(QFileInfo(aPath).absolutePath());
    QFile file(aPath);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(aData);
}

QString testFolder()
{
    return DebugLog::defaultFolder() + "/test/";
}

// Which member a record landed in, as text, so that one table covers every rule.
QString classified(const QString& aBackupName)
{
    AppleExtractor e;
    e.classify("/w/file", aBackupName);
    QStringList found;
    if (!e.mSmsDatabases.isEmpty())
        found << "sms";
    if (!e.mAddressBookDatabases.isEmpty())
        found << "addressbook";
    if (!e.mAddressBookImagesDatabase.isEmpty())
        found << "images";
    if (!e.mNotesDatabases.isEmpty())
        found << "notes";
    if (!e.mCalendarDatabases.isEmpty())
        found << "calendar";
    for (const PhotoPath& p : e.mPhotos)
        found << "photo " + p.mDestPhotoPath;
    for (auto it = e.mMessageFiles.cbegin(); it != e.mMessageFiles.cend(); ++it)
        found << "file " + it.key();
    return found.join(", ");
}

} // namespace

class TestAppleExtractor : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(FakeBackupBuilder::prepareExtraction(), "pellmar-extract not built"); }

    void cleanup() { QDir(testFolder()).removeRecursively(); }

    void classification_data()
    {
        QTest::addColumn<QString>("line2");
        QTest::addColumn<QString>("expected");
        QTest::newRow("photo") << "CameraRollDomainMedia/DCIM/100APPLE/IMG_0001.JPG"
                               << "photo \\100APPLE\\IMG_0001.JPG";
        QTest::newRow("photo, no domain") << "Media\\DCIM\\100APPLE\\IMG_0002.JPG"
                                          << "photo \\100APPLE\\IMG_0002.JPG";
        QTest::newRow("hidden camera file") << "CameraRollDomainMedia/DCIM/.MISC/Info.plist" << "";
        QTest::newRow("two components") << "CameraRollDomainMedia/DCIM" << "";
        QTest::newRow("address book") << "HomeDomainLibrary/AddressBook/AddressBook.sqlitedb"
                                      << "addressbook";
        QTest::newRow("images") << "Library/AddressBook/AddressBookImages.sqlitedb" << "images";
        QTest::newRow("sms") << "HomeDomainLibrary//SMS/sms.db" << "sms";
        QTest::newRow("calendar") << "Library/Calendar/Calendar.sqlitedb" << "calendar";
        QTest::newRow("notes") << "Library/Notes/notes.sqlite" << "notes";
        QTest::newRow("notes, old name") << "Library/Notes/notes.db" << "notes";
        QTest::newRow("notes with domain") << "HomeDomainLibrary/Notes/notes.sqlite" << "notes";
        QTest::newRow("case matters") << "HomeDomainLibrary/sms/sms.db" << "";
        QTest::newRow("parts") << "Library\\SMS\\Parts\\0c\\12-1.jpg" << "file 12-1.jpg";
        QTest::newRow("attachment") << "Library/SMS/Attachments/ab/12/IMG_1.JPG"
                                    << "file Library/SMS/Attachments/ab/12/IMG_1.JPG";
        QTest::newRow("attachment with domain")
            << "MediaDomainLibrary/SMS/Attachments/ab/12/IMG_1.JPG"
            << "file Library/SMS/Attachments/ab/12/IMG_1.JPG";
        QTest::newRow("other domain") << "AppDomainLibrary/SMS/sms.db" << "";
    }

    void classification()
    {
        QFETCH(QString, line2);
        QFETCH(QString, expected);
        QCOMPARE(classified(line2), expected);
    }

    // The whole path through the real tool, for a backup of iOS 10 and later.
    void extractsADomainBackup()
    {
        QTemporaryDir dir;
        FakeBackupBuilder backup(dir.path() + "/backup");
        backup.addFile("HomeDomain", "Library/SMS/sms.db", "sms");
        backup.addFile("HomeDomain", "Library/AddressBook/AddressBook.sqlitedb", "ab");
        backup.addFile("HomeDomain", "Library/AddressBook/AddressBookImages.sqlitedb", "img");
        backup.addFile("HomeDomain", "Library/Calendar/Calendar.sqlitedb", "cal");
        backup.addFile("HomeDomain", "Library/Notes/notes.sqlite", "notes");
        backup.addFile("MediaDomain", "Library/SMS/Attachments/0f/15/IMG_0042.JPG", "att");
        backup.addFile("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0001.JPG", "p1");
        backup.addFile("CameraRollDomain", "Media/DCIM/.MISC/Info.plist", "misc");
        backup.addMissingFile("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0002.JPG");
        backup.setInfoPlist("Phone");
        QVERIFY(backup.write());

        // Whatever an earlier run left behind is gone.
        writeFile(FakeBackupBuilder::workingFolder() + "stale/old.db", "old");

        AppleExtractor extractor;
        QCOMPARE(backup.extract(extractor), 0);
        QVERIFY(!QFileInfo::exists(FakeBackupBuilder::workingFolder() + "stale"));
        QCOMPARE(extractor.mSmsDatabases.size(), 1);
        QCOMPARE(contents(extractor.mSmsDatabases.at(0)), QByteArray("sms"));
        QCOMPARE(contents(extractor.mAddressBookDatabases.value(0)), QByteArray("ab"));
        QCOMPARE(contents(extractor.mAddressBookImagesDatabase), QByteArray("img"));
        QCOMPARE(contents(extractor.mCalendarDatabases.value(0)), QByteArray("cal"));
        QCOMPARE(contents(extractor.mNotesDatabases.value(0)), QByteArray("notes"));
        const QString key = "Library/SMS/Attachments/0f/15/IMG_0042.JPG";
        QCOMPARE(extractor.mMessageFiles.keys(), QStringList({key}));
        QCOMPARE(contents(extractor.mMessageFiles.value(key)), QByteArray("att"));
        QCOMPARE(extractor.mPhotos.size(), 1);
        QCOMPARE(extractor.mPhotos.at(0).mDestPhotoPath, QString("\\100APPLE\\IMG_0001.JPG"));
        QCOMPARE(contents(extractor.mPhotos.at(0).mSourceName), QByteArray("p1"));
    }

    void extractsAnMbdbBackupInListOrder()
    {
        QTemporaryDir dir;
        FakeBackupBuilder backup(dir.path() + "/old", FakeBackupBuilder::Index::Mbdb);
        backup.addFile("HomeDomain", "Library/SMS/sms.db", "first");
        backup.addFile("MediaDomain", "Library/SMS/Parts/0c/12-1.jpg", "part");
        backup.addFile("HomeDomain", "Library/Notes/notes.db", "notes");
        backup.addFile("HomeDomain", "Library/AddressBook/AddressBookImages.sqlitedb", "img1");
        backup.addFile("HomeDomain", "Library/SMS/Backup/../sms.db", "dup"); // refused path
        backup.addFile("SysSharedContainerDomain", "Library/SMS/sms.db", "second-domain");
        backup.addFile("HomeDomain", "Library/AddressBook/../AddressBook/AddressBookImages.sqlitedb",
                       "img2");
        QVERIFY(backup.write());
        AppleExtractor extractor;
        QCOMPARE(backup.extract(extractor), 0);
        QCOMPARE(extractor.mSmsDatabases.size(), 1);
        QCOMPARE(contents(extractor.mSmsDatabases.at(0)), QByteArray("first"));
        QCOMPARE(contents(extractor.mMessageFiles.value("12-1.jpg")), QByteArray("part"));
        QCOMPARE(contents(extractor.mNotesDatabases.value(0)), QByteArray("notes"));
        QCOMPARE(contents(extractor.mAddressBookImagesDatabase), QByteArray("img1"));
    }

    // Cancel reaches an extraction tool that hangs: it is killed within moments, and what it
    // had unpacked (perhaps decrypted) is removed.
    void cancelStopsAHangingTool()
    {
        QTemporaryDir dir;
        FakeBackupBuilder backup(dir.path() + "/backup");
        backup.setInfoPlist("Phone");
        QVERIFY(backup.write());
        const QByteArray oldPath = qgetenv("PATH");
        const auto restorePath = qScopeGuard([&oldPath] { qputenv("PATH", oldPath); });
        const QString tool = dir.path() + "/bin/pellmar-extract";
        writeFile(tool, "#!/bin/sh\nprintf partial > \"$2/sms.db\"\nexec sleep 30\n");
        QFile::setPermissions(tool, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", QFile::encodeName(dir.path() + "/bin") + ':' + oldPath);

        const QString working = FakeBackupBuilder::workingFolder();
        AppleExtractor extractor;
        extractor.setCancelCheck([&working] { return QFileInfo::exists(working + "sms.db"); });
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(extractor.extractFromManifest(backup.backupPath(), working),
                 AppleExtractor::kCancelled);
        QVERIFY(timer.elapsed() < 10000);
        QVERIFY(QDir(working).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    }

    void encryptedBackupFails()
    {
        QTemporaryDir dir;
        FakeBackupBuilder backup(dir.path() + "/enc");
        backup.addFile("HomeDomain", "Library/SMS/sms.db", "sms");
        backup.setManifestPlist(true, FakeBackupBuilder::PlistFormat::Binary);
        QVERIFY(backup.write());
        AppleExtractor extractor;
        QCOMPARE(backup.extract(extractor), AppleExtractor::kNoBackupFileList);
        QVERIFY(extractor.mSmsDatabases.isEmpty());
        QVERIFY(QFileInfo(FakeBackupBuilder::workingFolder()).isDir());

        // A missing backup folder fails the same way.
        AppleExtractor other;
        QCOMPARE(other.extractFromManifest(dir.path() + "/none/", FakeBackupBuilder::workingFolder()),
                 AppleExtractor::kNoBackupFileList);
    }

    // The user's test folder replaces the list and the first message and address databases.
    void testOverrides()
    {
        writeFile(testFolder() + "backupfiles",
                  "/x/sms1.db\nHomeDomainLibrary/SMS/sms.db\n"
                  "/x/sms2.db\nLibrary/SMS/sms.db\n"
                  "/x/ab.db\nLibrary/AddressBook/AddressBook.sqlitedb\n"
                  "/x/short\nLibrary\n"
                  "/x/half-record.db\n");
        writeFile(testFolder() + "sms.db", "override");
        AppleExtractor extractor;
        QTemporaryDir dir;
        // The override is read even though the tool wrote no list; the result stays a failure.
        QCOMPARE(extractor.extractFromManifest(dir.path() + "/none/", FakeBackupBuilder::workingFolder()),
                 AppleExtractor::kNoBackupFileList);
        QCOMPARE(extractor.mSmsDatabases, QStringList({testFolder() + "sms.db", "/x/sms2.db"}));
        QCOMPARE(extractor.mAddressBookDatabases, QStringList({"/x/ab.db"}));
    }

    void refusesDangerousWorkingFolders()
    {
        QTemporaryDir dir;
        writeFile(QDir::homePath() + "/keep.txt", "keep");
        AppleExtractor extractor;
        QCOMPARE(extractor.extractFromManifest(dir.path() + "/", QDir::homePath() + "/"),
                 AppleExtractor::kNoBackupFileList);
        QCOMPARE(extractor.extractFromManifest(dir.path() + "/", QString()),
                 AppleExtractor::kNoBackupFileList);
        QCOMPARE(contents(QDir::homePath() + "/keep.txt"), QByteArray("keep"));
    }
};

PELLMAR_TEST_MAIN(TestAppleExtractor)
#include "test_apple_extractor.moc"
