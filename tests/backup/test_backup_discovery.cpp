#include "TestMain.h"
#include "backup/iphone/BackupDiscovery.h"
#include "backup/FakeBackupBuilder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <plist/plist.h>

namespace {

void writeFile(const QString& aPath, const QByteArray& aData)
{
    QDir().mkpath(QFileInfo(aPath).absolutePath());
    QFile file(aPath);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(aData);
}

QString deviceNameOf(const QString& aFolder, const QByteArray& aXml)
{
    writeFile(aFolder + "/Info.plist", aXml);
    return BackupDiscovery::getDeviceNameFromInfoPlist(aFolder + "/Info.plist");
}

const QByteArray kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n";

} // namespace

class TestBackupDiscovery : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        qunsetenv("PELLMAR_BACKUP_ROOTS");
        qunsetenv("XDG_DATA_HOME");
        qunsetenv("WINEPREFIX");
    }

    void rootsInSearchOrder()
    {
        qputenv("USER", "anna");
        const QString home = QDir::homePath();
        QCOMPARE(BackupDiscovery::backupRoots(),
                 QStringList({home + "/.local/share/Apple Computer/MobileSync/Backup/",
                              home + "/Library/Application Support/MobileSync/Backup/",
                              home + "/.wine/drive_c/users/anna/AppData/Roaming/Apple "
                                     "Computer/MobileSync/Backup/"}));
        qputenv("XDG_DATA_HOME", "/data/x");
        qputenv("WINEPREFIX", "/opt/wine/");
        const QStringList roots = BackupDiscovery::backupRoots();
        QCOMPARE(roots.at(0), QString("/data/x/Apple Computer/MobileSync/Backup/"));
        QCOMPARE(roots.at(2),
                 QString("/opt/wine/drive_c/users/anna/AppData/Roaming/Apple "
                         "Computer/MobileSync/Backup/"));
    }

    void environmentReplacesRoots()
    {
        qputenv("PELLMAR_BACKUP_ROOTS", "/a:/b/::/c/d");
        QCOMPARE(BackupDiscovery::backupRoots(), QStringList({"/a/", "/b/", "/c/d/"}));
    }

    void findsBackupsOnceUnderTheFirstRoot()
    {
        QTemporaryDir dir;
        const QString first = dir.path() + "/roaming/";
        const QString second = dir.path() + "/local/";
        for (const QString& root : {first, second}) {
            FakeBackupBuilder same(root + "3f0a");
            same.setInfoPlist(root == first ? "Anna's iPhone" : "Anna (old copy)");
            QVERIFY(same.write());
        }
        FakeBackupBuilder binary(second + "Abc", FakeBackupBuilder::Index::Mbdb);
        binary.setInfoPlist("Bert", FakeBackupBuilder::PlistFormat::Binary);
        QVERIFY(binary.write());
        FakeBackupBuilder earlier(second + "abb");
        earlier.setInfoPlist("Carla");
        QVERIFY(earlier.write());
        // Not listed: no Info.plist, no Display Name, a plain file among the folders.
        QVERIFY(QDir().mkpath(first + "nothing"));
        writeFile(first + "noname/Info.plist",
                  kHeader + "<plist><dict><key>Device Name</key><string>X</string></dict></plist>");
        writeFile(first + "file.txt", "x");

        const QList<BackupInfo> backups =
            BackupDiscovery::findiTunesBackups({first, second, dir.path() + "/missing/"});
        QCOMPARE(backups.size(), 3);
        QCOMPARE(backups.at(0).mBackupName, QString("Anna's iPhone"));
        QCOMPARE(backups.at(0).mBackupPath, first + "3f0a/");
        QCOMPARE(backups.at(0).mBackupFolder, QString("3f0a"));
        // Sorted without regard to case within a root.
        QCOMPARE(backups.at(1).mBackupName, QString("Carla"));
        QCOMPARE(backups.at(2).mBackupName, QString("Bert"));
        QCOMPARE(backups.at(2).mBackupPath, second + "Abc/");

        qputenv("PELLMAR_BACKUP_ROOTS", second.toUtf8());
        QCOMPARE(BackupDiscovery::findiTunesBackups().size(), 3);
    }

    void deviceNameFollowsTheKeyRules()
    {
        QTemporaryDir dir;
        // The string right after "Display Name" counts; a later one overwrites.
        QCOMPARE(deviceNameOf(dir.path(),
                              kHeader + "<plist version=\"1.0\">\n<dict>\n"
                                        "\t<key>Device Name</key>\n\t<string>Wrong</string>\n"
                                        "\t<key>Display Name</key>\n\t<string>First</string>\n"
                                        "\t<key>Display Name</key>\n\t<string>R&amp;D phone</string>\n"
                                        "</dict>\n</plist>\n"),
                 QString("R&D phone"));
        // A value that is not a string is not a name; nor is a later key's string.
        QCOMPARE(deviceNameOf(dir.path(),
                              kHeader + "<plist><dict>\n<key>Display Name</key>\n<integer>5</integer>\n"
                                        "<key>Other</key>\n<string>No</string>\n</dict></plist>"),
                 QString());
        // Windows line ends between the elements.
        QCOMPARE(deviceNameOf(dir.path(),
                              kHeader + "<plist><dict>\r\n\t<key>Display Name</key>\r\n\t"
                                        "<string>Crlf</string>\r\n</dict></plist>\r\n"),
                 QString("Crlf"));
        // A damaged file keeps the name found before the damage.
        QCOMPARE(deviceNameOf(dir.path(),
                              "<plist><dict>\n<key>Display Name</key>\n<string>Kept</string>\n"
                              "<key>Broken</key><<<<"),
                 QString("Kept"));
        QCOMPARE(deviceNameOf(dir.path(), "bplist00 this is no binary plist"), QString());
        QCOMPARE(deviceNameOf(dir.path(), QByteArray()), QString());
        QCOMPARE(BackupDiscovery::getDeviceNameFromInfoPlist(dir.path() + "/absent.plist"),
                 QString());
    }

    void binaryInfoPlistFollowsTheSameRules()
    {
        QTemporaryDir dir;
        FakeBackupBuilder backup(dir.path() + "/b");
        backup.setInfoPlist(QString::fromUtf8("Zoë's iPhone"), FakeBackupBuilder::PlistFormat::Binary);
        QVERIFY(backup.write());
        QFile file(backup.backupPath() + "Info.plist");
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().startsWith("bplist00"));
        QCOMPARE(BackupDiscovery::getDeviceNameFromInfoPlist(backup.backupPath() + "Info.plist"),
                 QString::fromUtf8("Zoë's iPhone"));
    }

    // Only the top-level "Display Name" names the device, in either form of the file: an
    // application's own "Display Name" further on is not the phone's, and a string that XML
    // cannot carry does not hide the name.
    void deviceNameIsTheTopLevelKey()
    {
        plist_t root = plist_new_dict();
        plist_dict_set_item(root, "Build Version", plist_new_string("20A\x01" "362"));
        plist_dict_set_item(root, "Display Name", plist_new_string("Anna's iPhone"));
        plist_t app = plist_new_dict();
        plist_dict_set_item(app, "Display Name", plist_new_string("Maps"));
        plist_t apps = plist_new_dict();
        plist_dict_set_item(apps, "com.example.maps", app);
        plist_dict_set_item(root, "Applications", apps);
        char* data = nullptr;
        uint32_t length = 0;
        plist_to_bin(root, &data, &length);
        const QByteArray binary(data, qsizetype(length));
        plist_to_bin_free(data);
        plist_free(root);

        QTemporaryDir dir;
        QCOMPARE(deviceNameOf(dir.path(), binary), QString("Anna's iPhone"));
        QCOMPARE(deviceNameOf(dir.path(),
                              kHeader + "<plist><dict>\n<key>Display Name</key>\n"
                                        "<string>Anna's iPhone</string>\n<key>Applications</key>\n"
                                        "<dict><key>com.example.maps</key><dict>\n"
                                        "<key>Display Name</key><string>Maps</string>\n"
                                        "</dict></dict></dict></plist>\n"),
                 QString("Anna's iPhone"));
    }

    void encryptionFromManifestPlist()
    {
        QTemporaryDir dir;
        FakeBackupBuilder xml(dir.path() + "/x");
        xml.setManifestPlist(true, FakeBackupBuilder::PlistFormat::Xml);
        FakeBackupBuilder binary(dir.path() + "/b");
        binary.setManifestPlist(true, FakeBackupBuilder::PlistFormat::Binary);
        FakeBackupBuilder plain(dir.path() + "/p");
        plain.setManifestPlist(false, FakeBackupBuilder::PlistFormat::Binary);
        FakeBackupBuilder none(dir.path() + "/n");
        for (FakeBackupBuilder* b : {&xml, &binary, &plain, &none})
            QVERIFY(b->write());
        QVERIFY(BackupDiscovery::isEncrypted(xml.backupPath()));
        QVERIFY(BackupDiscovery::isEncrypted(binary.folder()));
        QVERIFY(!BackupDiscovery::isEncrypted(plain.backupPath()));
        QVERIFY(!BackupDiscovery::isEncrypted(none.backupPath()));
        writeFile(dir.path() + "/g/Manifest.plist", "bplist00\xff\xff garbage");
        QVERIFY(!BackupDiscovery::isEncrypted(dir.path() + "/g/"));
    }
};

PELLMAR_TEST_MAIN(TestBackupDiscovery)
#include "test_backup_discovery.moc"
