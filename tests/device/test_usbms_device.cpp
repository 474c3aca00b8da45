// A folder as a mass-storage phone, through the operations the sync engine calls. Every test
// compares the whole phone tree afterwards.
#include "TestMain.h"
#include "TestPaths.h"
#include "device/DeviceTestHelpers.h"
#include "device/FaultPhone.h"
#include "device/PhoneTree.h"
#include "device/PlaylistCheck.h"

#include "device/UsbMSDevice.h"
#include "tracks/PlaylistEntry.h"
#include "tracks/Track.h"
#include "tracks/TrackCache.h"
#include "tracks/TrackList.h"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <unistd.h>

namespace {

using DeviceTestHelpers::entryOf;
using DeviceTestHelpers::readFile;
using DeviceTestHelpers::writeFile;

Track libraryTrack(const QString& aName, const QString& aAlbum, const QString& aArtist,
                   const QString& aPath, int aNumber = 1)
{
    return Track(aName, aAlbum, aArtist, aNumber, aPath, true, false, false, QString());
}

// A phone folder and a library folder, both temporary.
struct Fixture
{
    QTemporaryDir dir;
    QString root = dir.path() + "/phone";
    QString lib = dir.path() + "/lib";

    Fixture() { QDir().mkpath(root); }

    QString song(const QString& aName, const QByteArray& aContent)
    {
        writeFile(lib + "/" + aName, aContent);
        return lib + "/" + aName;
    }
};

} // namespace

class TestUsbMSDevice : public QObject
{
    Q_OBJECT

private slots:
    void uploadPlacesTracksAndMetadata();
    void uploadWhenDestinationExists();
    void uploadWithMissingSource();
    void uploadConvertedTrack();
    void copyFailuresLeaveNoPartialFile_data();
    void copyFailuresLeaveNoPartialFile();
    void copyToReadOnlyFolder();
    void copyFileRules();
    void deleteTrack();
    void deleteRefusesPathsOutsideTheRoot();
    void metadataFileNumbering();
    void metadataFileBytes();
    void uniqueIdFile();
    void phonePlaylists();
    void playlistNamesStayInTheFolder();
    void oldPlaylistsAreEmptied();
    void failedPlaylistWriteKeepsTheOldOne();
    void playlistLinksAreReplacedNotFollowed();
    void albumArtAndRefreshHint();
    void pcVersionAndSpace();
};

void TestUsbMSDevice::uploadPlacesTracksAndMetadata()
{
    Fixture f;
    UsbMSDevice phone(f.root, QStringLiteral("Phone"), true);
    PhoneTree expected;

    const QString a = f.song("a.mp3", "aaaa");
    const QString b = f.song("b.m4a", QByteArray(3 * 1024 * 1024 + 17, 'b'));  // several chunks
    const QString c = f.song("c.mp3", "cc");
    // Decomposed accents from the library end up composed in the metadata file.
    Track one = libraryTrack(QStringLiteral("Cafe\u0301"), "Live: 1999", "AC/DC", a, 3);
    Track two = libraryTrack("Two", "Hits", "Various", b, 7);
    two.setCompilation(true);
    Track three = libraryTrack("Three", QString(), QString(), c);

    phone.PrepareForSync();
    QCOMPARE(phone.UploadTrack(one).code(), 0);
    QCOMPARE(phone.UploadTrack(two).code(), 0);
    QCOMPARE(phone.UploadTrack(three).code(), 0);
    phone.FinalizeSync();
    phone.FinalizeSync();  // a second call does nothing

    QCOMPARE(one.deviceId(), QStringLiteral("/Music/AC_DC/Live_ 1999/a.mp3"));
    QVERIFY(one.onRemoteDevice());
    QCOMPARE(one.rawSizeOnDevice(), qint64(4));
    QCOMPARE(two.deviceId(), QStringLiteral("/Music/Compilation/Hits/b.m4a"));
    QCOMPARE(two.rawSizeOnDevice(), qint64(3 * 1024 * 1024 + 17));
    QCOMPARE(three.deviceId(), QStringLiteral("/Music/c.mp3"));

    expected.setFileFrom("Music/AC_DC/Live_ 1999/a.mp3", a);
    expected.setFileFrom("Music/Compilation/Hits/b.m4a", b);
    expected.setFileFrom("Music/c.mp3", c);
    expected.setFile("CORVO/metadata0.xml",
                     "<?xml version=\"1.0\" encoding=\"UTF-8\"?><metadata>"
                     "<track path=\"/Music/AC_DC/Live_ 1999/a.mp3\" artist=\"AC/DC\" album=\"Live: 1999\" "
                     "track_name=\"Caf\xc3\xa9\" track_number=\"3\"/>"
                     "<track path=\"/Music/Compilation/Hits/b.m4a\" artist=\"Various\" album=\"Hits\" "
                     "track_name=\"Two\" track_number=\"7\"/>"
                     "<track path=\"/Music/c.mp3\" artist=\"\" album=\"\" track_name=\"Three\" "
                     "track_number=\"1\"/></metadata>\n");
    PELLMAR_COMPARE_TREE(expected, f.root);
}

void TestUsbMSDevice::uploadWhenDestinationExists()
{
    Fixture f;
    UsbMSDevice phone(f.root, QStringLiteral("Phone"), true);
    // A file at least as long as the track is taken as the track: the user's own copy stays.
    const QString a = f.song("a.mp3", "new content");
    writeFile(f.root + "/Music/Ar/Al/a.mp3", "older content");
    // A hidden partial copy left by a crash is cleared when its folder is met.
    writeFile(f.root + "/Music/Ar/Al/.pellmar-partial-a.mp3", "ol");
    // A file shorter than the track is a copy cut short: it is copied again.
    const QString b = f.song("b.mp3", "bbbbbbbb");
    writeFile(f.root + "/Music/Ar/Al/b.mp3", "bbb");

    Track track = libraryTrack("A", "Al", "Ar", a);
    Track second = libraryTrack("B", "Al", "Ar", b, 2);
    phone.PrepareForSync();
    QCOMPARE(phone.UploadTrack(track).code(), 0);
    QCOMPARE(phone.UploadTrack(second).code(), 0);
    phone.FinalizeSync();
    QCOMPARE(track.deviceId(), QStringLiteral("/Music/Ar/Al/a.mp3"));
    QVERIFY(track.onRemoteDevice());
    QCOMPARE(track.rawSizeOnDevice(), qint64(13));
    QVERIFY(second.onRemoteDevice());
    QCOMPARE(second.rawSizeOnDevice(), qint64(8));

    PhoneTree expected;
    expected.setFile("Music/Ar/Al/a.mp3", "older content");
    expected.setFileFrom("Music/Ar/Al/b.mp3", b);
    expected.setFile("CORVO/metadata0.xml",
                     "<?xml version=\"1.0\" encoding=\"UTF-8\"?><metadata><track path=\"/Music/Ar/Al/a.mp3\" "
                     "artist=\"Ar\" album=\"Al\" track_name=\"A\" track_number=\"1\"/>"
                     "<track path=\"/Music/Ar/Al/b.mp3\" artist=\"Ar\" album=\"Al\" track_name=\"B\" "
                     "track_number=\"2\"/></metadata>\n");
    PELLMAR_COMPARE_TREE(expected, f.root);
}

void TestUsbMSDevice::uploadWithMissingSource()
{
    Fixture f;
    UsbMSDevice phone(f.root, QStringLiteral("Phone"), true);
    Track track = libraryTrack("A", "Al", "Ar", f.lib + "/gone.mp3");
    QCOMPARE(phone.UploadTrack(track).code(), 0);
    QVERIFY(track.deviceId().isEmpty());
    QVERIFY(!track.onRemoteDevice());
    PhoneTree expected;
    PELLMAR_COMPARE_TREE(expected, f.root);
}

void TestUsbMSDevice::uploadConvertedTrack()
{
    Fixture f;
    UsbMSDevice phone(f.root, QStringLiteral("Phone"), true);
    const QString aac = f.song("song.m4a", "aac data");
    writeFile(Track::conversionOutputPath(), "mp3 data");
    Track track = libraryTrack("S", "Al", "Ar", aac);
    track.setConvertToMp3(true);
    QCOMPARE(phone.UploadTrack(track).code(), 0);
    QCOMPARE(track.deviceId(), QStringLiteral("/Music/Ar/Al/song.mp3"));
    // A four-letter extension is replaced whole.
    Track aiff = libraryTrack("T", "Al", "Ar", f.song("take.aiff", "aiff data"));
    aiff.setConvertToMp3(true);
    QCOMPARE(phone.UploadTrack(aiff).code(), 0);
    QCOMPARE(aiff.deviceId(), QStringLiteral("/Music/Ar/Al/take.mp3"));
    PhoneTree expected;
    expected.setFile("Music/Ar/Al/song.mp3", "mp3 data");
    expected.setFile("Music/Ar/Al/take.mp3", "mp3 data");
    PELLMAR_COMPARE_TREE(expected, f.root);
    QFile::remove(Track::conversionOutputPath());
}

void TestUsbMSDevice::copyFailuresLeaveNoPartialFile_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<qint64>("afterBytes");
    QTest::newRow("full at once") << int(FaultPhone::Fault::Full) << qint64(0);
    QTest::newRow("full in the second chunk") << int(FaultPhone::Fault::Full) << qint64(1536 * 1024);
    QTest::newRow("phone disappears") << int(FaultPhone::Fault::Disappears) << qint64(1024 * 1024);
    QTest::newRow("read-only medium") << int(FaultPhone::Fault::ReadOnly) << qint64(0);
}

void TestUsbMSDevice::copyFailuresLeaveNoPartialFile()
{
    QFETCH(int, fault);
    QFETCH(qint64, afterBytes);
    Fixture f;
    FaultPhone phone(f.root);
    const QString big = f.song("big.mp3", QByteArray(2 * 1024 * 1024 + 5, 'x'));
    writeFile(f.root + "/Music/keep.mp3", "already there");

    phone.setFault(FaultPhone::Fault(fault), afterBytes);
    Track track = libraryTrack("Big", "Al", "Ar", big);
    QCOMPARE(phone.UploadTrack(track).code(), PhoneResult::kCopyFailed);
    QCOMPARE(phone.copiesAttempted(), 1);
    QVERIFY(track.deviceId().isEmpty());
    QVERIFY(!track.onRemoteDevice());
    // A replacing copy that fails keeps the old file.
    writeFile(f.root + "/CORVO/messages.xml", "<old/>");
    QCOMPARE(phone.CopyFile(big, "CORVO\\messages.xml", true).code(), PhoneResult::kCopyFailed);

    PhoneTree expected;
    if (FaultPhone::Fault(fault) == FaultPhone::Fault::Disappears) {
        QVERIFY(!QFileInfo::exists(f.root));
        return;
    }
    // Nothing under the final name and no partial copy: the next run copies it again.
    expected.setFile("Music/keep.mp3", "already there");
    expected.setFile("CORVO/messages.xml", "<old/>");
    PELLMAR_COMPARE_TREE(expected, f.root);

    phone.setFault(FaultPhone::Fault::None);
    QCOMPARE(phone.UploadTrack(track).code(), 0);
    expected.setFileFrom("Music/Ar/Al/big.mp3", big);
    PELLMAR_COMPARE_TREE(expected, f.root);
}

void TestUsbMSDevice::copyToReadOnlyFolder()
{
    if (geteuid() == 0)
        QSKIP("permissions do not bind root; the injected read-only medium covers this case");
    Fixture f;
    UsbMSDevice phone(f.root, QStringLiteral("Phone"), true);
    const QString a = f.song("a.mp3", "aaaa");
    QVERIFY(QDir().mkpath(f.root + "/Music/Ar/Al"));
    QFile::setPermissions(f.root + "/Music/Ar/Al", QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    Track track = libraryTrack("A", "Al", "Ar", a);
    QCOMPARE(phone.UploadTrack(track).code(), PhoneResult::kCopyFailed);
    Track other = libraryTrack("B", "New", "Ar", a);
    QFile::setPermissions(f.root + "/Music/Ar", QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QCOMPARE(phone.UploadTrack(other).code(), PhoneResult::kFolderNotCreated);
    QFile::setPermissions(f.root + "/Music/Ar", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile::setPermissions(f.root + "/Music/Ar/Al", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    PhoneTree expected;
    PELLMAR_COMPARE_TREE(expected, f.root);
}

void TestUsbMSDevice::copyFileRules()
{
    Fixture f;
    UsbMSDevice phone(f.root, QStringLiteral("Phone"), true);
    const QString xml = f.song("messages.xml", "<messages/>");
    const QString xml2 = f.song("messages2.xml", "<messages2/>");
    PhoneTree expected;

    QCOMPARE(phone.CopyFile(xml, "CORVO\\messages.xml", false).code(), 0);
    expected.setFile("CORVO/messages.xml", "<messages/>");
    PELLMAR_COMPARE_TREE(expected, f.root);
    // Without replace an existing file stays.
    QCOMPARE(phone.CopyFile(xml2, "CORVO\\messages.xml", false).code(), 0);
    PELLMAR_COMPARE_TREE(expected, f.root);
    QCOMPARE(phone.CopyFile(xml2, "\\CORVO\\messages.xml", true).code(), 0);
    expected.setFile("CORVO/messages.xml", "<messages2/>");
    QCOMPARE(phone.CopyFile(xml, "DCIM\\Camera\\x\\y.jpg", false).code(), 0);
    expected.setFile("DCIM/Camera/x/y.jpg", "<messages/>");
    PELLMAR_COMPARE_TREE(expected, f.root);

    // A destination from outside data never leaves the root.
    QCOMPARE(phone.CopyFile(xml, "..\\escaped.xml", true).code(), PhoneResult::kCopyFailed);
    QCOMPARE(phone.CopyFile(xml, "CORVO\\..\\..\\escaped.xml", true).code(), PhoneResult::kCopyFailed);
    QCOMPARE(phone.CopyFile(xml, QString(), true).code(), PhoneResult::kCopyFailed);
    QVERIFY(!QFileInfo::exists(f.dir.path() + "/escaped.xml"));
    PELLMAR_COMPARE_TREE(expected, f.root);

    QCOMPARE(phone.CopyFile(f.lib + "/missing.xml", "CORVO\\missing.xml", false).code(), PhoneResult::kCopyFailed);
    PELLMAR_COMPARE_TREE(expected, f.root);
}

void TestUsbMSDevice::deleteTrack()
{
    Fixture f;
    UsbMSDevice phone(f.root, QStringLiteral("Phone"), true);
    const QString a = f.song("a.mp3", "aaaa");
    const QString b = f.song("b.mp3", "bbbbbb");
    Track one = libraryTrack("A", "Al", "Ar", a);
    Track two = libraryTrack("B", "Al", "Ar", b);
    QCOMPARE(phone.UploadTrack(one).code(), 0);
    QCOMPARE(phone.UploadTrack(two).code(), 0);

    TrackCache cache;
    const QString cachePath = f.dir.path() + "/mcache0";
    const int opened = cache.openFile(cachePath);
    QVERIFY2(opened == 0 || opened == -5001, qPrintable(QString::number(opened)));
    QVERIFY(cache.isOpen());
    QCOMPARE(cache.addTrack(one), 0);
    QCOMPARE(cache.addTrack(two), 0);
    QCOMPARE(cache.close(), 0);

    QVERIFY(cache.openFile(cachePath) >= -5001);
    TrackList cached;
    QCOMPARE(cache.updateTrackList(cached), 0);
    QCOMPARE(cached.count(), 2);
    // The second file is already gone: that still counts as deleted.
    QVERIFY(QFile::remove(f.root + "/Music/Ar/Al/b.mp3"));
    QFile::setPermissions(f.root + "/Music/Ar/Al/a.mp3", QFileDevice::ReadOwner);
    QCOMPARE(phone.DeleteTrack(cached.at(0)).code(), 0);
    QCOMPARE(phone.DeleteTrack(cached.at(1)).code(), 0);
    QVERIFY(!cached.at(0).onRemoteDevice());
    QVERIFY(!cached.at(1).onRemoteDevice());
    cache.close();

    PhoneTree expected;
    PELLMAR_COMPARE_TREE(expected, f.root + "/Music");
}

void TestUsbMSDevice::deleteRefusesPathsOutsideTheRoot()
{
    Fixture f;
    UsbMSDevice phone(f.root, QStringLiteral("Phone"), true);
    writeFile(f.dir.path() + "/precious.txt", "keep me");
    writeFile(f.root + "/CORVO/precious.txt", "keep me too");
    TrackCache cache;
    QVERIFY(cache.openFile(f.dir.path() + "/mcache0") >= -5001);

    for (const QString& id : {QStringLiteral("\\..\\precious.txt"), QStringLiteral("..\\..\\precious.txt"),
                              QStringLiteral("\\Music\\..\\..\\precious.txt"), QString(),
                              QStringLiteral("\\CORVO")}) {
        Track track = libraryTrack("X", "Al", "Ar", "/x.mp3");
        track.setDeviceId(id);
        track.setOnRemoteDevice(true);
        QCOMPARE(phone.DeleteTrack(track).code(), PhoneResult::kDeleteFailed);
        QVERIFY(track.onRemoteDevice());
    }
    QCOMPARE(readFile(f.dir.path() + "/precious.txt"), QByteArray("keep me"));
    PhoneTree expected;
    expected.setFile("CORVO/precious.txt", "keep me too");
    PELLMAR_COMPARE_TREE(expected, f.root);

    // An id without a leading separator is taken inside "CORVO".
    Track inCorvo = libraryTrack("X", "Al", "Ar", "/x.mp3");
    inCorvo.setDeviceId("precious.txt");
    QCOMPARE(phone.DeleteTrack(inCorvo).code(), 0);
    expected.removeFile("CORVO/precious.txt");
    PELLMAR_COMPARE_TREE(expected, f.root);
    cache.close();
}

void TestUsbMSDevice::metadataFileNumbering()
{
    Fixture f;
    writeFile(f.root + "/CORVO/metadata0.xml", "zero");
    writeFile(f.root + "/CORVO/metadata1.xml", "one");
    UsbMSDevice phone(f.root, QStringLiteral("Phone"), true);
    phone.PrepareForSync();
    phone.PrepareForSync();  // keeps the open file
    phone.FinalizeSync();
    PhoneTree expected;
    expected.setFile("CORVO/metadata0.xml", "zero");
    expected.setFile("CORVO/metadata1.xml", "one");
    expected.setFile("CORVO/metadata2.xml",
                     "<?xml version=\"1.0\" encoding=\"UTF-8\"?><metadata/>\n");
    PELLMAR_COMPARE_TREE(expected, f.root);
}

// The companion app reads the metadata file: names with markup characters, quotes, accents,
// control characters, characters outside the BMP and a lone surrogate give these exact bytes.
void TestUsbMSDevice::metadataFileBytes()
{
    Fixture f;
    UsbMSDevice phone(f.root, QStringLiteral("Phone"), true);
    const QList<Track> names{
        libraryTrack("Rock & Roll <Live>", "\"Quoted\" 'Album'", "Simon & Garfunkel", f.song("a.mp3", "a"), 1),
        libraryTrack(QStringLiteral("Cafe\u0301 cr\u00e8me"), QStringLiteral("Bjo\u0308rk"), QStringLiteral("\u00c9dith Piaf"),
                     f.song("b & c.mp3", "b"), 2),
        libraryTrack(QStringLiteral("tab\tline\nreturn\r bell\u0007 esc\u001b"), QStringLiteral("\u000b\u000c"),
                     QStringLiteral("a > b"), f.song("c.mp3", "c"), -1),
        libraryTrack(QString::fromUtf8("\xF0\x9F\x8E\xB5 note \xE3\x81\x82"), QStringLiteral("\uFFFD\uFFFE"),
                     QString(QChar(0xD800)) + "lone", f.song("d.mp3", "d"), 40),
    };
    phone.PrepareForSync();
    for (Track track : names)
        QCOMPARE(phone.UploadTrack(track).code(), 0);
    phone.FinalizeSync();
    QCOMPARE(readFile(f.root + "/CORVO/metadata0.xml"),
             readFile(TestPaths::dataFile("device/metadata_expected.xml")));
}

void TestUsbMSDevice::uniqueIdFile()
{
    Fixture f;
    {
        UsbMSDevice phone(f.root, QStringLiteral("Phone"), true);
        QCOMPARE(phone.UniqueDeviceId(), QStringLiteral("TEMP-DEVICE-ID"));
        phone.SetConfigured();
        QVERIFY(QRegularExpression("^[0-9]+Y$").match(phone.UniqueDeviceId()).hasMatch());
        QCOMPARE(readFile(f.root + "/CORVO/uniqueid"), phone.UniqueDeviceId().toLatin1());
        const QString id = phone.UniqueDeviceId();
        phone.SetConfigured();  // an existing id is kept
        QCOMPARE(phone.UniqueDeviceId(), id);
        QCOMPARE(UsbMSDevice(f.root, "again", true).UniqueDeviceId(), id);
    }
    // Trailing junk (a line end, padding) does not change the id.
    writeFile(f.root + "/CORVO/uniqueid", QByteArray("42571493Y\r\n\0\0junk", 17));
    QCOMPARE(UsbMSDevice(f.root, "P", true).UniqueDeviceId(), QStringLiteral("42571493Y"));
    // An id file without an id counts as none, and setting up replaces it.
    writeFile(f.root + "/CORVO/uniqueid", "\r\n");
    UsbMSDevice blank(f.root, "P", true);
    QCOMPARE(blank.UniqueDeviceId(), QStringLiteral("TEMP-DEVICE-ID"));
    blank.SetConfigured();
    QVERIFY(QRegularExpression("^[0-9]+Y$").match(blank.UniqueDeviceId()).hasMatch());
    // An unmounted phone reads its id once it answers.
    writeFile(f.root + "/CORVO/uniqueid", "777Y");
    UsbMSDevice later(f.root, "P", false);
    QCOMPARE(later.UniqueDeviceId(), QStringLiteral("TEMP-DEVICE-ID"));
    QVERIFY(later.IsMounted());
    QCOMPARE(later.UniqueDeviceId(), QStringLiteral("777Y"));
    QVERIFY(!UsbMSDevice(f.dir.path() + "/absent", "P", false).IsMounted());
}

void TestUsbMSDevice::phonePlaylists()
{
    Fixture f;
    UsbMSDevice phone(f.root, QStringLiteral("Phone"), true);
    const QString a = f.song("a.mp3", "aaaa");
    const QString b = f.song("b.mp3", "bbbb");
    TrackList tracks;
    Track one = libraryTrack(QStringLiteral("Über"), "Al", "Ar", a);
    one.setDuration(61);
    Track two = libraryTrack("Two", QString(), QString(), b);
    QCOMPARE(phone.UploadTrack(one).code(), 0);
    QCOMPARE(phone.UploadTrack(two).code(), 0);
    const int i1 = tracks.addTrack(one);
    const int i2 = tracks.addTrack(two);

    PhoneTree expected = PhoneTree::capture(f.root);
    const QByteArray content = "#EXTM3U\r\n#EXTINF:61,\xc3\x9c" "ber\r\n../Music/Ar/Al/a.mp3\r\n"
                               "#EXTINF:0,Two\r\n../Music/b.mp3\r\n";
    phone.PrepareForSync();
    QCOMPARE(phone.createPlaylist(entryOf("Mix", {i1, i2}), tracks, false).code(), 0);
    QCOMPARE(phone.createPlaylist(entryOf("Empty", {}), tracks, false).code(), 0);
    phone.removeOldPlaylists();
    phone.FinalizeSync();
    expected.setFile("Playlists_CDZ/Mix.m3u", content);
    expected.setFile("Playlists_CDZ/Empty.m3u", "#EXTM3U\r\n");
    expected.setFile("CORVO/playlisthint", "Mix.m3u\nEmpty.m3u\n");
    expected.setFile("CORVO/metadata0.xml",
                     "<?xml version=\"1.0\" encoding=\"UTF-8\"?><metadata/>\n");
    PELLMAR_COMPARE_TREE(expected, f.root);
    PELLMAR_VERIFY_PLAYLIST(f.root + "/Playlists_CDZ/Mix.m3u", f.root, QStringList({a, b}));

    // The next run with the same playlists leaves the files and the hint file alone.
    const QDateTime written = QFileInfo(f.root + "/Playlists_CDZ/Mix.m3u").lastModified();
    {
        QFile mix(f.root + "/Playlists_CDZ/Mix.m3u");
        QVERIFY(mix.open(QIODevice::ReadWrite));
        QVERIFY(mix.setFileTime(written.addSecs(-3600), QFileDevice::FileModificationTime));
    }
    phone.PrepareForSync();
    QCOMPARE(phone.createPlaylist(entryOf("Mix", {i1, i2}), tracks, false).code(), 0);
    QCOMPARE(phone.createPlaylist(entryOf("Empty", {}), tracks, false).code(), 0);
    phone.removeOldPlaylists();
    phone.FinalizeSync();
    QCOMPARE(QFileInfo(f.root + "/Playlists_CDZ/Mix.m3u").lastModified(), written.addSecs(-3600));
    expected.setFile("CORVO/metadata1.xml",
                     "<?xml version=\"1.0\" encoding=\"UTF-8\"?><metadata/>\n");
    PELLMAR_COMPARE_TREE(expected, f.root);

    // A changed order is written again; a forced run rewrites an unchanged one.
    QCOMPARE(phone.createPlaylist(entryOf("Mix", {i2, i1}), tracks, false).code(), 0);
    expected.setFile("Playlists_CDZ/Mix.m3u", "#EXTM3U\r\n#EXTINF:0,Two\r\n../Music/b.mp3\r\n"
                                              "#EXTINF:61,\xc3\x9c" "ber\r\n../Music/Ar/Al/a.mp3\r\n");
    expected.setFile("CORVO/playlisthint", "Mix.m3u\nEmpty.m3u\nMix.m3u\n");
    PELLMAR_COMPARE_TREE(expected, f.root);
    QCOMPARE(phone.createPlaylist(entryOf("Empty", {}), tracks, true).code(), 0);
    expected.setFile("CORVO/playlisthint", "Mix.m3u\nEmpty.m3u\nMix.m3u\nEmpty.m3u\n");
    PELLMAR_COMPARE_TREE(expected, f.root);

    // A playlist edited on the phone with LF line ends and an extra line is rewritten.
    writeFile(f.root + "/Playlists_CDZ/Mix.m3u", "#EXTM3U\n#EXTINF:0,Two\n../Music/b.mp3\n"
                                                 "#EXTINF:61,x\n../Music/Ar/Al/a.mp3\n../Music/c.mp3\n");
    QCOMPARE(phone.createPlaylist(entryOf("Mix", {i2, i1}), tracks, false).code(), 0);
    expected.setFile("CORVO/playlisthint", "Mix.m3u\nEmpty.m3u\nMix.m3u\nEmpty.m3u\nMix.m3u\n");
    PELLMAR_COMPARE_TREE(expected, f.root);
    PELLMAR_VERIFY_PLAYLIST(f.root + "/Playlists_CDZ/Mix.m3u", f.root, QStringList({b, a}));
}

void TestUsbMSDevice::playlistNamesStayInTheFolder()
{
    Fixture f;
    UsbMSDevice phone(f.root, QStringLiteral("Phone"), true);
    TrackList tracks;
    PhoneTree expected;

    QCOMPARE(phone.createPlaylist(entryOf("AC/DC: Best?", {}), tracks, false).code(), 0);
    QCOMPARE(phone.createPlaylist(entryOf("../../evil", {}), tracks, false).code(), 0);
    QCOMPARE(phone.createPlaylist(entryOf("Tom's (2)", {}), tracks, false).code(), 0);
    QCOMPARE(phone.createPlaylist(entryOf("..", {}), tracks, false).code(), PhoneResult::kCopyFailed);
    QCOMPARE(phone.createPlaylist(entryOf(QString(), {}), tracks, false).code(), PhoneResult::kCopyFailed);
    expected.setFile("Playlists_CDZ/AC_DC_ Best_.m3u", "#EXTM3U\r\n");
    expected.setFile("Playlists_CDZ/.._.._evil.m3u", "#EXTM3U\r\n");
    expected.setFile("Playlists_CDZ/Tom's (2).m3u", "#EXTM3U\r\n");
    expected.setFile("CORVO/playlisthint", "AC_DC_ Best_.m3u\n.._.._evil.m3u\nTom's (2).m3u\n");
    PELLMAR_COMPARE_TREE(expected, f.root);
    QVERIFY(!QFileInfo::exists(f.dir.path() + "/evil.m3u"));
}

void TestUsbMSDevice::oldPlaylistsAreEmptied()
{
    Fixture f;
    UsbMSDevice phone(f.root, QStringLiteral("Phone"), true);
    const QString a = f.song("a.mp3", "aaaa");
    Track one = libraryTrack("A", "Al", "Ar", a);
    QCOMPARE(phone.UploadTrack(one).code(), 0);
    TrackList tracks;
    const int i1 = tracks.addTrack(one);
    writeFile(f.root + "/Playlists_CDZ/Old.m3u", "#EXTM3U\r\n#EXTINF:0,A\r\n\\Music\\Ar\\Al\\a.mp3\r\n");
    writeFile(f.root + "/Playlists_CDZ/Known.m3u", "#EXTM3U\r\n#EXTINF:0,A\r\n\\Music\\Ar\\Al\\a.mp3\r\n");
    writeFile(f.root + "/Playlists_CDZ/notes.txt", "not a playlist");
    // A hint file without a final line end still names its last playlist.
    writeFile(f.root + "/CORVO/playlisthint", "Known.m3u");

    phone.PrepareForSync();
    QCOMPARE(phone.createPlaylist(entryOf("New", {i1}), tracks, false).code(), 0);
    phone.removeOldPlaylists();
    phone.FinalizeSync();
    phone.removeOldPlaylists();  // a second pass adds nothing new to the hint file

    PhoneTree expected;
    expected.setFileFrom("Music/Ar/Al/a.mp3", a);
    expected.setFile("Playlists_CDZ/New.m3u", "#EXTM3U\r\n#EXTINF:0,A\r\n../Music/Ar/Al/a.mp3\r\n");
    expected.setFile("Playlists_CDZ/Old.m3u", "#EXTM3U\r\n");
    expected.setFile("Playlists_CDZ/Known.m3u", "#EXTM3U\r\n");
    expected.setFile("Playlists_CDZ/notes.txt", "not a playlist");
    expected.setFile("CORVO/playlisthint", "Known.m3u\nNew.m3u\nOld.m3u\n");
    expected.setFile("CORVO/metadata0.xml",
                     "<?xml version=\"1.0\" encoding=\"UTF-8\"?><metadata/>\n");
    PELLMAR_COMPARE_TREE(expected, f.root);
}

void TestUsbMSDevice::failedPlaylistWriteKeepsTheOldOne()
{
    // A full medium (cut after a few bytes) and one that takes nothing: the failure is
    // answered, the old playlist stays whole, no partial file is left, the hint file is not
    // told of a change.
    for (const auto fault : {FaultPhone::Fault::Full, FaultPhone::Fault::ReadOnly}) {
        Fixture f;
        FaultPhone phone(f.root);
        const QString a = f.song("a.mp3", "aaaa");
        Track one = libraryTrack("A", "Al", "Ar", a);
        QCOMPARE(phone.UploadTrack(one).code(), 0);
        TrackList tracks;
        const int i1 = tracks.addTrack(one);
        writeFile(f.root + "/Playlists_CDZ/Mix.m3u", "#EXTM3U\r\n#EXTINF:0,Old\r\n../Music/old.mp3\r\n");
        const PhoneTree before = PhoneTree::capture(f.root);

        phone.setFault(fault, 12);
        QCOMPARE(phone.createPlaylist(entryOf("Mix", {i1}), tracks, false).code(), PhoneResult::kCopyFailed);
        QCOMPARE(phone.createPlaylist(entryOf("New", {i1}), tracks, false).code(), PhoneResult::kCopyFailed);
        QVERIFY(phone.copiesAttempted() >= 2);
        QVERIFY(!QFileInfo::exists(f.root + "/CORVO/playlisthint"));
        QCOMPARE(PhoneTree::capture(f.root).paths(), before.paths());
        QCOMPARE(readFile(f.root + "/Playlists_CDZ/Mix.m3u"), before.file("Playlists_CDZ/Mix.m3u"));
    }
}

void TestUsbMSDevice::playlistLinksAreReplacedNotFollowed()
{
    // A link planted under the hidden name a playlist is written through is removed, never
    // written through.
    Fixture f;
    UsbMSDevice phone(f.root, QStringLiteral("Phone"), true);
    const QString outside = f.dir.path() + "/outside.txt";
    writeFile(outside, "the user's file");
    QDir().mkpath(f.root + "/Playlists_CDZ");
    const QString hidden = f.root + "/Playlists_CDZ/" + PhoneFileCopier::kPartialPrefix + "Mix.m3u";
    QVERIFY(QFile::link(outside, hidden));
    TrackList tracks;
    QCOMPARE(phone.createPlaylist(entryOf("Mix", {}), tracks, true).code(), 0);
    QCOMPARE(readFile(outside), QByteArray("the user's file"));
    QCOMPARE(readFile(f.root + "/Playlists_CDZ/Mix.m3u"), QByteArray("#EXTM3U\r\n"));
    QVERIFY(!QFileInfo(hidden).isSymLink());
}

void TestUsbMSDevice::albumArtAndRefreshHint()
{
    Fixture f;
    UsbMSDevice phone(f.root, QStringLiteral("Phone"), true);
    const QString a = f.song("a.mp3", "aaaa");
    const QString art = f.song("art.jpg", "JPEG");
    const QString art2 = f.song("art2.jpg", "OTHER");
    Track one = libraryTrack("A", "Al", "Ar", a);
    QCOMPARE(phone.UploadTrack(one).code(), 0);
    phone.uploadAlbumArt(one, art);
    phone.uploadAlbumArt(one, art2);  // an existing picture is kept and still counts
    Track loose = libraryTrack("L", QString(), QString(), a);
    loose.setDeviceId("\\Music\\a.mp3");
    phone.uploadAlbumArt(loose, f.lib + "/missing.jpg");  // nothing to place: no hint

    PhoneTree expected;
    expected.setFileFrom("Music/Ar/Al/a.mp3", a);
    expected.setFile("Music/Ar/Al/AlbumArt.jpg", "JPEG");
    expected.setFile("CORVO/refreshhint", "\\Music\\Ar\\Al\\a.mp3\r\n\\Music\\Ar\\Al\\a.mp3\r\n");
    PELLMAR_COMPARE_TREE(expected, f.root);
}

void TestUsbMSDevice::pcVersionAndSpace()
{
    Fixture f;
    UsbMSDevice phone(f.root, QStringLiteral("Phone"), true);
    phone.setPcSoftwareVersion("123");
    QCOMPARE(readFile(f.root + "/CORVO/pcversion.txt"), QByteArray("123"));
    writeFile(f.root + "/CORVO/pcversion.txt", "99999");
    phone.setPcSoftwareVersion("123");
    QCOMPARE(readFile(f.root + "/CORVO/pcversion.txt"), QByteArray("12399"));

    QCOMPARE(phone.GetDeviceType(), DeviceType::MassStorage);
    QCOMPARE(phone.FriendlyName(), QStringLiteral("Phone"));
    quint64 capacity = 0;
    quint64 freeSpace = 0;
    QCOMPARE(phone.GetStorageCapacity(capacity), 0);
    QCOMPARE(phone.GetFreeStorageSpace(freeSpace), 0);
    QVERIFY(capacity > 0);
    QVERIFY(freeSpace <= capacity);

    // A phone that is gone leaves the values unset and still answers 0.
    UsbMSDevice gone(f.dir.path() + "/gone", "Gone", false);
    capacity = 7;
    freeSpace = 9;
    QCOMPARE(gone.GetStorageCapacity(capacity), 0);
    QCOMPARE(gone.GetFreeStorageSpace(freeSpace), 0);
    QCOMPARE(capacity, quint64(7));
    QCOMPARE(freeSpace, quint64(9));

    FaultPhone small(f.root);
    small.setCapacity(1000);
    small.setFreeSpace(10);
    QCOMPARE(small.GetStorageCapacity(capacity), 0);
    QCOMPARE(small.GetFreeStorageSpace(freeSpace), 0);
    QCOMPARE(capacity, quint64(1000));
    QCOMPARE(freeSpace, quint64(10));
}

PELLMAR_TEST_MAIN(TestUsbMSDevice)
#include "test_usbms_device.moc"
