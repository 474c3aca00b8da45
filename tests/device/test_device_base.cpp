// The work every phone shares: folder names, device paths, extended M3U writing and comparison,
// the phone description and the configured state.
#include "TestMain.h"
#include "device/DeviceTestHelpers.h"
#include "device/PhoneTree.h"
#include "device/AndroidPlaylistResolver.h"
#include "device/PlaylistCheck.h"

#include "device/DeviceParentMs.h"
#include "device/PhoneNames.h"
#include "device/PhonePath.h"
#include "device/PlaylistWriter.h"
#include "device/UsbMSDevice.h"
#include "settings/SyncSettings.h"
#include "tracks/PlaylistEntry.h"
#include "tracks/Track.h"
#include "tracks/TrackList.h"

#include <QTemporaryDir>

namespace {

using DeviceTestHelpers::entryOf;
using DeviceTestHelpers::readFile;
using DeviceTestHelpers::writeFile;

Track makeTrack(const QString& aName, const QString& aAlbum, const QString& aArtist,
                const QString& aPath, const QString& aDeviceId = QString(), int aDuration = 0)
{
    Track track(aName, aAlbum, aArtist, 1, aPath, true, false, false, aDeviceId);
    track.setDuration(aDuration);
    return track;
}

} // namespace

class TestDeviceBase : public QObject
{
    Q_OBJECT

private slots:
    void folderNames();
    void artistAndAlbumFolders();
    void devicePaths();
    void uniqueIdPattern();
    void playlistFileNames();
    void basePlaylistBytesAndEntries();
    void playlistComparison();
    void androidInfo();
    void androidInfoFromPhone();
    void parentAndroidInfo();
    void configuredState();
    void harnessCatchesLostAndDuplicatedFiles();
    void androidPlaylistRules();
};

void TestDeviceBase::folderNames()
{
    QString name = QStringLiteral("AC/DC: Live?");
    PhoneNames::MakeValidFileName(name, true);
    QCOMPARE(name, QStringLiteral("AC_DC_ Live_"));

    name = QStringLiteral("  Mr. Big  ");
    PhoneNames::MakeValidFileName(name);
    QCOMPARE(name, QStringLiteral("Mr. Big"));
    PhoneNames::MakeValidFileName(name, true);
    QCOMPARE(name, QStringLiteral("Mr_ Big"));

    // ".." can never survive as a folder name when dots are replaced.
    name = QStringLiteral("..");
    PhoneNames::MakeValidFileName(name, true);
    QCOMPARE(name, QStringLiteral("__"));

    name = QStringLiteral("[a]'b\\c^d<e>f,g&h*i|j\"k(l)m{n}o;p!q$r#s%t@u") + QChar(0x8099)
         + QChar(0x2019);
    PhoneNames::MakeValidFileName(name, false);
    QCOMPARE(name, QStringLiteral("_a__b_c_d_e_f_g_h_i_j_k_l_m_n_o_p_q_r_s_t_u_") + QChar(0x2019));
}

void TestDeviceBase::artistAndAlbumFolders()
{
    QTemporaryDir dir;
    UsbMSDevice phone(dir.path() + "/phone", QStringLiteral("Phone"), false);
    QString artist;
    QString album;

    Track track = makeTrack("T", "Back in Black", "AC/DC", "/nowhere/a.mp3");
    PhoneNames::GetArtistAndAlbumFolders(track, artist, album);
    QCOMPARE(artist, QStringLiteral("AC_DC"));
    QCOMPARE(album, QStringLiteral("Back in Black"));

    track.setCompilation(true);
    track.setAlbumName(QString());
    PhoneNames::GetArtistAndAlbumFolders(track, artist, album);
    QCOMPARE(artist, QStringLiteral("Compilation"));
    QCOMPARE(album, QString());

    track = makeTrack("T", QString(300, QLatin1Char('x')), "A", "/nowhere/a.mp3");
    PhoneNames::GetArtistAndAlbumFolders(track, artist, album);
    QCOMPARE(album.size(), 255);

    // Episodes below a "Podcasts" folder (any case) go to the artist folder "Podcasts", but
    // only when that folder exists.
    QVERIFY(QDir().mkpath(dir.path() + "/lib/podCASTS/Show"));
    track = makeTrack("Ep", "Show", "Host", dir.path() + "/lib/podCASTS/Show/ep1.mp3");
    PhoneNames::GetArtistAndAlbumFolders(track, artist, album);
    QCOMPARE(artist, QStringLiteral("Podcasts"));
    QCOMPARE(album, QStringLiteral("Show"));
    track.setPath(dir.path() + "/lib/Music/Show/ep1.mp3");
    PhoneNames::GetArtistAndAlbumFolders(track, artist, album);
    QCOMPARE(artist, QStringLiteral("Host"));
    track.setPath(dir.path() + "/gone/Podcasts/Show/ep1.mp3");
    PhoneNames::GetArtistAndAlbumFolders(track, artist, album);
    QCOMPARE(artist, QStringLiteral("Host"));
    track.setPath(QStringLiteral("Podcasts/Show/ep1.mp3"));
    PhoneNames::GetArtistAndAlbumFolders(track, artist, album);
    QCOMPARE(artist, QStringLiteral("Host"));
}

void TestDeviceBase::devicePaths()
{
    QTemporaryDir dir;
    UsbMSDevice phone(dir.path(), QStringLiteral("Phone"), false);
    QCOMPARE(PhonePath::fromDeviceId(QString()), QString());
    QCOMPARE(PhonePath::fromDeviceId(QStringLiteral("/Music/A/B/t.mp3")),
             QStringLiteral("/Music/A/B/t.mp3"));
    // An id with the other separator is taken as it is.
    QCOMPARE(PhonePath::fromDeviceId(QStringLiteral("\\Music\\t.mp3")),
             QStringLiteral("\\Music\\t.mp3"));
    QCOMPARE(PhonePath::fromDeviceId(QStringLiteral(".\\x")), QStringLiteral(".\\x"));
    QCOMPARE(PhonePath::fromDeviceId(QStringLiteral("messages.xml")),
             QStringLiteral("/CORVO/messages.xml"));
    QCOMPARE(PhonePath::split(QStringLiteral("\\Music\\\\A/t.mp3\\")),
             QStringList({"Music", "A", "t.mp3"}));
    QCOMPARE(PhonePath::stored(QStringLiteral("/Music/A/t.mp3")), QStringLiteral("\\Music\\A\\t.mp3"));

    // Stored paths never reach outside the root.
    QCOMPARE(phone.LocalPath(QStringLiteral("\\Music\\..\\..\\etc\\passwd")), QString());
    QCOMPARE(phone.LocalPath(QStringLiteral("\\Music\\.\\a.mp3")),
             phone.RootPath() + QStringLiteral("Music/a.mp3"));
}

void TestDeviceBase::uniqueIdPattern()
{
    QCOMPARE(PhoneNames::GenerateUniqueDeviceId(QDateTime(QDate(2024, 3, 9), QTime(14, 7, 5, 42))),
             QStringLiteral("42571493Y"));
    QCOMPARE(PhoneNames::GenerateUniqueDeviceId(QDateTime(QDate(2024, 1, 1), QTime(0, 0, 0, 0))),
             QStringLiteral("000011Y"));
    QCOMPARE(PhoneNames::GenerateUniqueDeviceId(QDateTime(QDate(2024, 12, 31), QTime(23, 59, 59, 999))),
             QStringLiteral("999595923" "3112Y"));
}

void TestDeviceBase::playlistFileNames()
{
    // Names that were file names before keep them.
    for (const QString& name : {QStringLiteral("Tom's Mix (2) & more!"), QStringLiteral("80's #1 [best]"),
                                QStringLiteral("Ünïcödé ☃"), QStringLiteral("a.b")})
        QCOMPARE(PhoneNames::PlaylistFileName(name), name);
    QCOMPARE(PhoneNames::PlaylistFileName(QStringLiteral("Rock/Pop: 80s? \"live\" <x>|*\\")),
             QStringLiteral("Rock_Pop_ 80s_ _live_ _x____"));
    QCOMPARE(PhoneNames::PlaylistFileName(QStringLiteral("tab\there")), QStringLiteral("tab_here"));
    QCOMPARE(PhoneNames::PlaylistFileName(QStringLiteral("..")), QString());
    QCOMPARE(PhoneNames::PlaylistFileName(QStringLiteral(".")), QString());
    QCOMPARE(PhoneNames::PlaylistFileName(QString()), QString());
    QCOMPARE(PhoneNames::PlaylistFileName(QStringLiteral("../../x")), QStringLiteral(".._.._x"));
}

void TestDeviceBase::basePlaylistBytesAndEntries()
{
    QTemporaryDir dir;
    const QString root = dir.path() + "/phone";
    QDir().mkpath(root);
    UsbMSDevice phone(root, QStringLiteral("Phone"), true);
    writeFile(dir.path() + "/lib/one.mp3", "first track");
    writeFile(dir.path() + "/lib/two.mp3", "second track");

    TrackList tracks;
    Track one = makeTrack(QString::fromUtf8("Café del Mar"), "Album", "Artist", dir.path() + "/lib/one.mp3");
    one.setDuration(245);
    Track two = makeTrack("Two", QString(), QString(), dir.path() + "/lib/two.mp3");
    QCOMPARE(phone.UploadTrack(one).code(), 0);
    QCOMPARE(phone.UploadTrack(two).code(), 0);
    const int i1 = tracks.addTrack(one);
    const int i2 = tracks.addTrack(two);

    // The base form is what MTP phones upload: entries relative to "Playlists_CDZ".
    const QString path = root + "/Playlists_CDZ/Mix.m3u";
    QDir().mkpath(root + "/Playlists_CDZ");
    QCOMPARE(PlaylistWriter::writeFile(entryOf("Mix", {i2, i1}), tracks, path).code(), 0);
    QCOMPARE(readFile(path), QByteArray("#EXTM3U\r\n"
                                        "#EXTINF:0,Two\r\n"
                                        "../Music/two.mp3\r\n"
                                        "#EXTINF:245,Caf\xc3\xa9 del Mar\r\n"
                                        "../Music/Artist/Album/one.mp3\r\n"));
    PELLMAR_VERIFY_PLAYLIST(path, root, QStringList({dir.path() + "/lib/two.mp3", dir.path() + "/lib/one.mp3"}));

    QCOMPARE(PlaylistWriter::writeFile(entryOf("Empty", {}), tracks, path).code(), 0);
    QCOMPARE(readFile(path), QByteArray("#EXTM3U\r\n"));

    // A file that cannot be written is a failure, not an empty success.
    QCOMPARE(PlaylistWriter::writeFile(entryOf("X", {i1}), tracks,
                                       dir.path() + "/no/such/folder/x.m3u").code(),
             PhoneResult::kCopyFailed);
}

void TestDeviceBase::playlistComparison()
{
    QTemporaryDir dir;
    UsbMSDevice phone(dir.path() + "/phone", QStringLiteral("Phone"), false);
    Device& base = phone;
    TrackList tracks;
    const int a = tracks.addTrack(makeTrack("A", "Al", "Ar", "/x/a.mp3", "\\Music\\Ar\\Al\\a.mp3", 10));
    const int b = tracks.addTrack(makeTrack("B", "Al", "Ar", "/x/b.mp3", "\\Music\\Ar\\Al\\b.mp3", 20));
    const QString path = dir.path() + "/p.m3u";
    const PlaylistEntry both = entryOf("P", {a, b});
    const PlaylistEntry none = entryOf("P", {});

    QVERIFY(!PlaylistWriter::matchesFile(dir.path() + "/missing.m3u", none, tracks));

    writeFile(path, "#EXTM3U\r\n");
    QVERIFY(PlaylistWriter::matchesFile(path, none, tracks));
    QVERIFY(!PlaylistWriter::matchesFile(path, both, tracks));

    // What the base form writes compares as identical with itself.
    PlaylistWriter::writeFile(both, tracks, path);
    QVERIFY(PlaylistWriter::matchesFile(path, both, tracks));
    QVERIFY(!PlaylistWriter::matchesFile(path, entryOf("P", {b, a}), tracks));
    QVERIFY(!PlaylistWriter::matchesFile(path, entryOf("P", {a}), tracks));
    QVERIFY(!PlaylistWriter::matchesFile(path, none, tracks));

    // Only the paths count; titles and durations may differ.
    writeFile(path, "#EXTM3U\r\n#EXTINF:99,Other\r\n../Music/Ar/Al/a.mp3\r\n"
                    "#EXTINF:1,B\r\n../Music/Ar/Al/b.mp3\r\n");
    QVERIFY(PlaylistWriter::matchesFile(path, both, tracks));
    // LF line ends, as an editor may leave them.
    writeFile(path, "#EXTM3U\n#EXTINF:10,A\n../Music/Ar/Al/a.mp3\n#EXTINF:20,B\n../Music/Ar/Al/b.mp3\n");
    QVERIFY(PlaylistWriter::matchesFile(path, both, tracks));
    // One line more than the playlist has tracks.
    writeFile(path, "#EXTM3U\r\n#EXTINF:10,A\r\n../Music/Ar/Al/a.mp3\r\n#EXTINF:20,B\r\n"
                    "../Music/Ar/Al/b.mp3\r\n#EXTINF:30,C\r\n");
    QVERIFY(!PlaylistWriter::matchesFile(path, both, tracks));
    // Invalid UTF-8 in an entry differs from every real path.
    writeFile(path, "#EXTM3U\r\n#EXTINF:10,A\r\n../Music/Ar/Al/\xff\xfe.mp3\r\n#EXTINF:20,B\r\n"
                    "../Music/Ar/Al/b.mp3\r\n");
    QVERIFY(!PlaylistWriter::matchesFile(path, both, tracks));
    // The entry forms of earlier versions ("\" separated, from the root or from the folder)
    // are not what is written now: such a playlist is rewritten once.
    writeFile(path, "#EXTM3U\r\n#EXTINF:10,A\r\n..\\Music\\Ar\\Al\\a.mp3\r\n#EXTINF:20,B\r\n"
                    "..\\Music\\Ar\\Al\\b.mp3\r\n");
    QVERIFY(!PlaylistWriter::matchesFile(path, both, tracks));
    writeFile(path, "#EXTM3U\r\n#EXTINF:10,A\r\n\\Music\\Ar\\Al\\a.mp3\r\n#EXTINF:20,B\r\n"
                    "\\Music\\Ar\\Al\\b.mp3\r\n");
    QVERIFY(!PlaylistWriter::matchesFile(path, both, tracks));
    // A file cut short.
    writeFile(path, "#EXTM3U\r\n#EXTINF:10,A\r\n../Music/Ar/Al/a.mp3\r\n");
    QVERIFY(!PlaylistWriter::matchesFile(path, both, tracks));
}

void TestDeviceBase::androidInfo()
{
    QTemporaryDir dir;
    UsbMSDevice phone(dir.path(), QStringLiteral("Phone"), false);
    QCOMPARE(phone.AndroidVersion(), -1);
    QCOMPARE(phone.ScreenPixels(), -1);

    phone.ParseAndroidInfo("<android version=\"7\" screen_pixels=\"921600\"/>");
    QCOMPARE(phone.AndroidVersion(), 7);
    QCOMPARE(phone.ScreenPixels(), 921600);

    // Unreadable content: a description without a usable version; pixels unchanged.
    phone.ParseAndroidInfo("<android version=\"7\"");
    QCOMPARE(phone.AndroidVersion(), 0);
    QCOMPARE(phone.ScreenPixels(), 921600);

    phone.ParseAndroidInfo(QByteArray());
    QCOMPARE(phone.AndroidVersion(), -1);
    QCOMPARE(phone.ScreenPixels(), 921600);

    phone.ParseAndroidInfo("<android version=\"seven\" screen_pixels=\"lots\"/>");
    QCOMPARE(phone.AndroidVersion(), 0);
    QCOMPARE(phone.ScreenPixels(), -1);

    phone.ParseAndroidInfo("<a version=\"9\" pad=\"" + QByteArray(Device::kMaxAndroidInfoSize, ' ') + "\"/>");
    QCOMPARE(phone.AndroidVersion(), 0);

    phone.ParseAndroidInfo("<?xml version=\"1.0\"?><android><x/></android>");
    QCOMPARE(phone.AndroidVersion(), 0);
    QCOMPARE(phone.ScreenPixels(), -1);
}

void TestDeviceBase::androidInfoFromPhone()
{
    QTemporaryDir dir;
    const QString root = dir.path();
    writeFile(root + "/CORVO/android.xml", "<a version=\"3\" screen_pixels=\"480000\"/>");
    QCOMPARE(UsbMSDevice(root, "P", true).AndroidVersion(), 3);

    writeFile(root + "/CORVO/android.xml", QByteArray());
    QCOMPARE(UsbMSDevice(root, "P", true).AndroidVersion(), -1);

    writeFile(root + "/CORVO/android.xml", QByteArray("\x00\x01garbage", 9));
    QCOMPARE(UsbMSDevice(root, "P", true).AndroidVersion(), 0);

    // A huge file is not read into memory and does not count as a usable description.
    QByteArray huge = "<a version=\"3\" screen_pixels=\"1\" pad=\"";
    huge += QByteArray(3 << 20, 'x');
    huge += "\"/>";
    writeFile(root + "/CORVO/android.xml", huge);
    UsbMSDevice hugePhone(root, "P", true);
    QCOMPARE(hugePhone.AndroidVersion(), 0);
    QCOMPARE(hugePhone.ScreenPixels(), -1);

    // Not mounted: nothing is read.
    writeFile(root + "/CORVO/android.xml", "<a version=\"3\"/>");
    QCOMPARE(UsbMSDevice(root, "P", false).AndroidVersion(), -1);
}

void TestDeviceBase::parentAndroidInfo()
{
    QTemporaryDir dir;
    writeFile(dir.path() + "/a/CORVO/android.xml", "<a version=\"2\" screen_pixels=\"100\"/>");
    writeFile(dir.path() + "/b/CORVO/android.xml", "<a version=\"5\" screen_pixels=\"200\"/>");
    writeFile(dir.path() + "/c/CORVO/android.xml", "<a version=\"4\" screen_pixels=\"300\"/>");
    DeviceParentMs parent(QStringLiteral("Phone"));
    parent.AddDevice(new UsbMSDevice(dir.path() + "/a", "a", true));
    parent.AddDevice(new UsbMSDevice(dir.path() + "/b", "b", true));
    parent.AddDevice(new UsbMSDevice(dir.path() + "/c", "c", true));
    int version = 0;
    int pixels = 0;
    parent.GetAndroidInfo(version, pixels);
    QCOMPARE(version, 5);
    QCOMPARE(pixels, 200);
    QCOMPARE(parent.GetDeviceType(), DeviceType::MassStorage);

    DeviceParentMs empty(QStringLiteral("Nothing"));
    empty.AddDevice(new UsbMSDevice(dir.path() + "/none", "none", true));
    pixels = 77;
    empty.GetAndroidInfo(version, pixels);
    QCOMPARE(version, -1);
    QCOMPARE(pixels, 77);
}

void TestDeviceBase::configuredState()
{
    QTemporaryDir dir;
    writeFile(dir.path() + "/a/CORVO/uniqueid", "111Y");
    writeFile(dir.path() + "/b/CORVO/uniqueid", "222Y");
    UsbMSDevice a(dir.path() + "/a", "a", true);
    UsbMSDevice b(dir.path() + "/b", "b", true);
    QVERIFY(!a.IsConfigured(SettingsSnapshot::read()));
    QCOMPARE(a.configuredOrder(SettingsSnapshot::read()), -1);

    SyncSettings settings;
    settings.load();
    QCOMPARE(settings.setConfig("222Y", "b", true, {}, 0, {}), 0);
    QCOMPARE(settings.setConfig("111Y", "a", true, {}, 0, {}), 0);
    const SettingsSnapshot configured = SettingsSnapshot::read();
    QVERIFY(a.IsConfigured(configured));
    QVERIFY(b.IsConfigured(configured));
    QVERIFY(a.configuredOrder(configured) > b.configuredOrder(configured));
    QVERIFY(b.configuredOrder(configured) > 0);
}

void TestDeviceBase::harnessCatchesLostAndDuplicatedFiles()
{
    // The tree comparison and the playlist check that the phone tests rely on must see faults.
    QTemporaryDir dir;
    const QString root = dir.path() + "/phone";
    writeFile(root + "/Music/A/a.mp3", "track a");
    writeFile(root + "/Music/A/b.mp3", "track b");
    PhoneTree expected = PhoneTree::capture(root);
    QVERIFY(expected.compare(root).isEmpty());

    writeFile(root + "/Music/B/a.mp3", "track a");
    writeFile(root + "/Music/A/.pellmar-partial-c.mp3", "tr");
    QFile::remove(root + "/Music/A/b.mp3");
    writeFile(root + "/Music/A/a.mp3", "track A");
    QStringList diffs = expected.compare(root);
    diffs.sort();
    QCOMPARE(diffs.size(), 4);
    QVERIFY(diffs.at(0).startsWith("content differs: Music/A/a.mp3"));
    QCOMPARE(diffs.at(1), QStringLiteral("duplicate of Music/A/a.mp3: Music/B/a.mp3"));
    QCOMPARE(diffs.at(2), QStringLiteral("missing: Music/A/b.mp3"));
    QCOMPARE(diffs.at(3), QStringLiteral("partial copy left behind: Music/A/.pellmar-partial-c.mp3"));

}

void TestDeviceBase::androidPlaylistRules()
{
    // Each rule set of the phone-side resolver, on the entry forms that tell them apart.
    QTemporaryDir dir;
    const QString root = dir.path() + "/phone";
    writeFile(root + "/Music/Ann/One/01 Intro.mp3", "ann");
    writeFile(root + "/Music/Bob/Two/01 Intro.mp3", "bob");
    writeFile(root + "/Music/Bob/Two/02 Solo.mp3", "solo");
    writeFile(dir.path() + "/outside.mp3", "outside");
    const QString list = root + "/Playlists_CDZ/p.m3u";
    writeFile(list, "#EXTM3U\r\n");
    using Rules = AndroidPlaylistResolver::Rules;
    const AndroidPlaylistResolver resolver(root);
    const QString ann = root + "/Music/Ann/One/01 Intro.mp3";
    const QString solo = root + "/Music/Bob/Two/02 Solo.mp3";
    struct Case
    {
        const char* mEntry;
        QString mAndroid9;
        QString mAndroid10;
        QString mAndroid11;
    };
    const QList<Case> cases = {
        // The form written now resolves everywhere, also beside a track of the same name.
        {"../Music/Ann/One/01 Intro.mp3", ann, ann, ann},
        // Backslashes: matched from the end on 9, a plain character on 10, mapped on 11.
        {"..\\Music\\Ann\\One\\01 Intro.mp3", ann, QString(), ann},
        // From the root: not the shared storage on 10 and 11; 11 falls back to a unique name.
        {"\\Music\\Ann\\One\\01 Intro.mp3", ann, QString(), QString()},
        {"\\Music\\Bob\\Two\\02 Solo.mp3", solo, QString(), solo},
        // Case differs: only the legacy match ignores it.
        {"../music/ann/one/01 intro.mp3", ann, QString(), QString()},
        // A name alone: two candidates tie on 9, and are not unique on 11.
        {"01 Intro.mp3", QString(), QString(), QString()},
        // Nothing outside the volume is found.
        {"../../outside.mp3", QString(), QString(), QString()},
    };
    for (const Case& c : cases) {
        const QString entry = QString::fromUtf8(c.mEntry);
        QCOMPARE(resolver.resolve(list, entry, Rules::Android9), c.mAndroid9);
        QCOMPARE(resolver.resolve(list, entry, Rules::Android10), c.mAndroid10);
        QCOMPARE(resolver.resolve(list, entry, Rules::Android11), c.mAndroid11);
    }

    // The check names each rule set an entry fails under.
    writeFile(list, "#EXTM3U\r\n#EXTINF:0,x\r\n../Music/Ann/One/01 Intro.mp3\r\n"
                    "#EXTINF:0,y\r\n\\Music\\Bob\\Two\\02 Solo.mp3\r\n");
    const QStringList problems = PlaylistCheck::verify(list, root, {ann, solo});
    QCOMPARE(problems, QStringList({"entry does not resolve on Android 10: \\Music\\Bob\\Two\\02 Solo.mp3"}));
    QCOMPARE(PlaylistCheck::verifyAll(root),
             QStringList({"p.m3u: entry does not resolve on Android 10: \\Music\\Bob\\Two\\02 Solo.mp3"}));
}

PELLMAR_TEST_MAIN(TestDeviceBase)
#include "test_device_base.moc"
