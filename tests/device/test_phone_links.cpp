// Symbolic links planted on a phone (a memory card, a folder) point at the user's own files.
// Nothing is ever read, written, created or deleted through one: the operation that meets a
// link fails, and the canary folder the links point into comes out unchanged.
#include "CanaryFolder.h"
#include "TestMain.h"
#include "device/DeviceTestHelpers.h"

#include "device/PhoneFileAccess.h"
#include "device/UsbMSDevice.h"
#include "tracks/Track.h"
#include "tracks/TrackCache.h"
#include "tracks/TrackList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

using DeviceTestHelpers::entryOf;
using DeviceTestHelpers::readFile;
using DeviceTestHelpers::writeFile;

struct Fixture
{
    QTemporaryDir dir;
    QString root = dir.path() + "/phone";
    QString lib = dir.path() + "/lib";
    CanaryFolder canary{dir.path() + "/canary"};
    CanaryFolder homeCanary{QDir::homePath() + "/Documents-" + QFileInfo(dir.path()).fileName()};

    Fixture() { QDir().mkpath(root + "/CORVO"); }
    ~Fixture() { QDir(homeCanary.path()).removeRecursively(); }

    void link(const QString& aTarget, const QString& aPhonePath)
    {
        QDir().mkpath(QFileInfo(root + "/" + aPhonePath).absolutePath());
        QVERIFY(QFile::link(aTarget, root + "/" + aPhonePath));
    }
    QString song(const QString& aName)
    {
        writeFile(lib + "/" + aName, "track bytes " + aName.toUtf8());
        return lib + "/" + aName;
    }
};

Track libraryTrack(const QString& aName, const QString& aAlbum, const QString& aArtist,
                   const QString& aPath)
{
    return Track(aName, aAlbum, aArtist, 1, aPath, true, false, false, QString());
}

} // namespace

class TestPhoneLinks : public QObject
{
    Q_OBJECT

private slots:
    void accessNeverPassesALink();
    void corvoFilesThroughLinks_data();
    void corvoFilesThroughLinks();
    void linkedPlaylistIsNotTruncated();
    void linkedArtistFolderTakesNoTrack();
    void deletionThroughALinkedFolderIsRefused();
    void oneAccessSharedByTwoThreads();
};

void TestPhoneLinks::accessNeverPassesALink()
{
    Fixture f;
    f.link(f.canary.path(), "Music");
    f.link(f.canary.file(), "song.mp3");
    const PhoneFileAccess files(f.root);

    errno = 0;
    QCOMPARE(files.openFile("Music/letter.txt", O_RDONLY), -1);
    QVERIFY(errno == ELOOP || errno == ENOTDIR);
    QCOMPARE(files.openFile("song.mp3", O_WRONLY | O_TRUNC), -1);
    QCOMPARE(errno, ELOOP);
    QCOMPARE(files.openFile("Music/new/x.mp3", O_WRONLY | O_CREAT), -1);
    QVERIFY(!files.makeFolders("Music/Artist"));
    QVERIFY(!files.rename("song.mp3", "Music/moved.mp3"));
    QVERIFY(files.entries("Music").isEmpty());
    QCOMPARE(files.openFile("../canary/letter.txt", O_RDONLY), -1);
    QCOMPARE(errno, EINVAL);
    // Removing a link removes the link only.
    QVERIFY(files.removeFile("song.mp3"));
    QVERIFY(!QFileInfo(f.root + "/song.mp3").isSymLink());
    // Plain folders and files below the root work as usual, and the root is never made.
    QCOMPARE(files.openFile("Music2/a/b.mp3", O_WRONLY | O_CREAT), -1);
    QVERIFY(files.makeFolders("Music2/a"));
    const int fd = files.openFile("\\Music2\\a\\b.mp3", O_WRONLY | O_CREAT | O_EXCL);
    QVERIFY(fd >= 0);
    ::close(fd);
    QVERIFY(files.isFile("Music2/a/b.mp3"));
    QVERIFY(!PhoneFileAccess(f.dir.path() + "/gone").makeFolders("CORVO"));
    QVERIFY(!QFileInfo::exists(f.dir.path() + "/gone"));
    PELLMAR_VERIFY_CANARY(f.canary);
}

void TestPhoneLinks::corvoFilesThroughLinks_data()
{
    QTest::addColumn<QString>("linkPath");
    QTest::newRow("pcversion.txt") << "CORVO/pcversion.txt";
    QTest::newRow("playlisthint") << "CORVO/playlisthint";
    QTest::newRow("metadata0.xml") << "CORVO/metadata0.xml";
    QTest::newRow("uniqueid") << "CORVO/uniqueid";
    QTest::newRow("CORVO folder") << "CORVO";
}

void TestPhoneLinks::corvoFilesThroughLinks()
{
    QFETCH(QString, linkPath);
    Fixture f;
    if (linkPath == "CORVO") {
        QDir(f.root + "/CORVO").removeRecursively();
        f.link(f.canary.path(), "CORVO");
    } else {
        f.link(f.canary.file(), linkPath);
    }
    writeFile(f.root + "/Playlists_CDZ/Old.m3u", "#EXTM3U\r\nold\r\n");
    UsbMSDevice phone(f.root, "Phone", true);
    // The id is never read through a link: the letter's first word is not an id.
    QCOMPARE(phone.UniqueDeviceId(), QString::fromLatin1(Device::kTempDeviceId));
    phone.SetConfigured();
    phone.PrepareForSync();
    phone.setPcSoftwareVersion("9.9");
    TrackList tracks;
    QCOMPARE(phone.createPlaylist(entryOf("Mix", {}), tracks, true).code(), 0);
    phone.removeOldPlaylists();
    phone.FinalizeSync();
    PELLMAR_VERIFY_CANARY(f.canary);
    PELLMAR_VERIFY_CANARY(f.homeCanary);
    QVERIFY(QFileInfo(f.root + "/" + linkPath).isSymLink());
    // Where the link stood in the way the work it blocked did not happen; the rest did.
    QCOMPARE(readFile(f.root + "/Playlists_CDZ/Mix.m3u"), QByteArray("#EXTM3U\r\n"));
    if (linkPath == "CORVO/metadata0.xml")
        QVERIFY(QFileInfo::exists(f.root + "/CORVO/metadata1.xml"));
}

void TestPhoneLinks::linkedPlaylistIsNotTruncated()
{
    Fixture f;
    f.link(f.canary.path() + "/tax.m3u", "Playlists_CDZ/Mix.m3u");
    f.link(f.canary.path() + "/tax.m3u", "Playlists_CDZ/Stale.m3u");
    UsbMSDevice phone(f.root, "Phone", true);
    TrackList tracks;
    const int index = tracks.addTrack(libraryTrack("A", "Al", "Ar", f.song("a.mp3")));
    phone.PrepareForSync();
    // Forced or compared, the write meets the link and fails, and says so; an old playlist's
    // link is left.
    QCOMPARE(phone.createPlaylist(entryOf("Mix", {index}), tracks, false).code(), PhoneResult::kCopyFailed);
    const PhoneResult forced = phone.createPlaylist(entryOf("Mix", {index}), tracks, true);
    QCOMPARE(forced.code(), PhoneResult::kCopyFailed);
    QCOMPARE(forced.error(), ELOOP);
    phone.removeOldPlaylists();
    phone.FinalizeSync();
    PELLMAR_VERIFY_CANARY(f.canary);
    QVERIFY(QFileInfo(f.root + "/Playlists_CDZ/Mix.m3u").isSymLink());
}

void TestPhoneLinks::linkedArtistFolderTakesNoTrack()
{
    Fixture f;
    f.link(f.canary.path(), "Music/Ar");
    UsbMSDevice phone(f.root, "Phone", true);
    Track track = libraryTrack("A", "Al", "Ar", f.song("a.mp3"));
    Track art = libraryTrack("B", "photos", "Ar", f.song("b.mp3"));
    phone.PrepareForSync();
    QCOMPARE(phone.UploadTrack(track).code(), PhoneResult::kFolderNotCreated);
    QVERIFY(!track.onRemoteDevice());
    QVERIFY(track.deviceId().isEmpty());
    phone.uploadAlbumArt(art, f.song("cover.jpg"));
    QCOMPARE(phone.CopyFile(f.song("c.mp3"), "\\Music\\Ar\\photos\\c.mp3", false).code(),
             PhoneResult::kFolderNotCreated);
    phone.FinalizeSync();
    PELLMAR_VERIFY_CANARY(f.canary);
}

void TestPhoneLinks::deletionThroughALinkedFolderIsRefused()
{
    Fixture f;
    // A track recorded earlier, whose artist folder has since become a link to the user's files.
    f.link(f.canary.path(), "Music/Ar");
    f.link(f.canary.path() + "/passwd", "Music/keep.mp3");
    UsbMSDevice phone(f.root, "Phone", true);
    TrackCache cache;
    Track gone = libraryTrack("L", "Al", "Ar", f.lib + "/letter.txt");
    gone.setDeviceId("\\Music\\Ar\\letter.txt");
    gone.setOnRemoteDevice(true);
    QCOMPARE(phone.DeleteTrack(gone).code(), PhoneResult::kDeleteFailed);
    QVERIFY(gone.onRemoteDevice());
    // A link in the place of a track file goes, and only the link.
    Track linked = libraryTrack("K", "", "", f.lib + "/keep.mp3");
    linked.setDeviceId("\\Music\\keep.mp3");
    QCOMPARE(phone.DeleteTrack(linked).code(), 0);
    QVERIFY(!QFileInfo(f.root + "/Music/keep.mp3").isSymLink());
    PELLMAR_VERIFY_CANARY(f.canary);
}

PELLMAR_TEST_MAIN(TestPhoneLinks)
#include "test_phone_links.moc"

void TestPhoneLinks::oneAccessSharedByTwoThreads()
{
    // A run copies while the window's checks read the phone's files: the folder one of them
    // keeps open must never be closed or replaced under the other.
    Fixture f;
    const PhoneFileAccess files(f.root);
    QVERIFY(files.makeFolders("Music/A") && files.makeFolders("Music/B"));
    const auto work = [&files](const QString& aFolder, int& aFailures) {
        for (int i = 0; i < 400; ++i) {
            const QString path = QStringLiteral("Music/%1/%2.mp3").arg(aFolder).arg(i);
            const int fd = files.openFile(path, O_WRONLY | O_CREAT | O_EXCL);
            const bool written = fd >= 0 && ::write(fd, "x", 1) == 1;
            if (fd >= 0)
                ::close(fd);
            if (!written || !files.isFile(path) || !files.isFolder("CORVO"))
                ++aFailures;
        }
    };
    int failuresA = 0;
    int failuresB = 0;
    QThread* other = QThread::create([&] { work(QStringLiteral("A"), failuresA); });
    other->start();
    work(QStringLiteral("B"), failuresB);
    other->wait();
    delete other;
    QCOMPARE(failuresA, 0);
    QCOMPARE(failuresB, 0);
    QCOMPARE(QDir(f.root + "/Music/A").count(), 402u);
    // A rename between two folders keeps both usable.
    QVERIFY(files.rename("Music/A/0.mp3", "Music/B/moved.mp3"));
    QVERIFY(files.isFile("Music/B/moved.mp3") && !files.exists("Music/A/0.mp3"));
    QVERIFY(files.isFile("Music/A/1.mp3"));
}
