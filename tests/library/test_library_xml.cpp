// The library file backend through LocalMusicLibrary: real-format libraries from Windows and
// macOS, the mapping of their locations, where the file is found, and damaged files.
#include "TestMain.h"
#include "TestPaths.h"
#include "library/LibraryXmlBuilder.h"

#include "library/LocalMusicLibrary.h"
#include "library/itunes/LibraryLocator.h"
#include "library/itunes/LibrarySnapshotCache.h"
#include "library/itunes/LibraryXmlReader.h"
#include "library/itunes/TrackLocationResolver.h"
#include "library/itunes/XmlITunesApp.h"
#include "settings/SyncSettings.h"
#include "tracks/Track.h"
#include "tracks/TrackList.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <atomic>
#include <thread>

using namespace itunes;

namespace {

void touch(const QString& aPath, const QByteArray& aData = "x")
{
    QDir().mkpath(QFileInfo(aPath).absolutePath());
    QFile file(aPath);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(aData);
}

void copySample(const QString& aName, const QString& aTarget)
{
    QDir().mkpath(QFileInfo(aTarget).absolutePath());
    QFile::remove(aTarget);
    QVERIFY(QFile::copy(TestPaths::dataFile("library/" + aName), aTarget));
}

// Files older than the settle time are judged as they are, not as "being written".
void makeOld(const QString& aPath)
{
    QFile file(aPath);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-60),
                             QFileDevice::FileModificationTime));
}

void writeFile(const QString& aPath, const QByteArray& aData)
{
    QFile file(aPath);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(aData);
    file.close();
    makeOld(aPath);
}

QStringList names(const TrackList& aTracks)
{
    QStringList result;
    for (int i = 0; i < aTracks.count(); ++i)
        result << aTracks.at(i).trackName();
    return result;
}

struct Read
{
    int result = 0;
    TrackList tracks;
    TrackList drm;
    PlaylistEntry entry;
    qint64 size = 0;
};

void readAll(LocalMusicLibrary& aLibrary, const QString& aName, Read& aRead, bool aIgnoreVideos = false)
{
    aRead.result = aLibrary.getAllTracks(aName, aRead.tracks, aRead.size, false, aRead.drm,
                                         aRead.entry, aIgnoreVideos);
}

const QString kWindowsMedia = "drive_c/Users/bob/Music/iTunes/iTunes Media/";
const QStringList kWindowsFiles = {
    "Music/Ænima Band/Café Nights/01 Blue Sky.mp3", "Music/Ænima Band/Café Nights/02 Rain & Thunder.m4a",
    "Music/Classic/Protected/01 Old Song.m4p", "Podcasts/Tech Talk/Episode 1.mp3",
    "Podcasts/Tech Talk/Episode 2.mp3"};

} // namespace

class TestLibraryXml : public QObject
{
    Q_OBJECT

    QTemporaryDir mDir;
    QString root() const { return mDir.path(); }

    LocalMusicLibrary* newLibrary(QObject* aParent)
    {
        auto* library = new LocalMusicLibrary(aParent);
        library->setRetryWait([](int) {});
        return library;
    }

private slots:
    void init()
    {
        LocalMusicLibrary::setLibraryPath(QString());
        LibrarySnapshotCache::setAfterReadHook({});
        qunsetenv("WINEPREFIX");
        qunsetenv("PELLMAR_ITUNES_LIBRARY");
    }

    void searchMatchesEveryWordInAnyFieldWithoutRegardToCase()
    {
        LibraryXmlBuilder builder;
        LibraryXmlBuilder::TrackSpec trackFields;
        trackFields.mName = QStringLiteral("High Wave");
        trackFields.mArtist = QStringLiteral("Ben Sine");
        trackFields.mAlbum = QStringLiteral("Ωmega Tides");
        builder.addTrack(trackFields);
        trackFields.mName = QStringLiteral("Highway");
        trackFields.mArtist = QStringLiteral("Other");
        trackFields.mAlbum = QStringLiteral("Roads");
        builder.addTrack(trackFields);
        builder.addMasterPlaylist();
        // A playlist in its own order, with a track twice, and one with a part of the library.
        const QList<qint64> ids = builder.trackIds();
        LibraryXmlBuilder::PlaylistSpec mix;
        mix.mName = QStringLiteral("Mix");
        mix.mTrackIds = {ids.at(1), ids.at(0), ids.at(1)};
        builder.addPlaylist(mix);
        LibraryXmlBuilder::PlaylistSpec part;
        part.mName = QStringLiteral("Part");
        part.mTrackIds = {ids.at(1)};
        builder.addPlaylist(part);
        const QString xml = root() + "/search/iTunes Library.xml";
        QDir().mkpath(root() + "/search");
        QVERIFY(builder.write(xml));
        LocalMusicLibrary::setLibraryPath(xml);

        std::shared_ptr<IiTunes> app;
        QCOMPARE(XmlITunesApp::create(&app), kOk);
        std::shared_ptr<IITSourceCollection> sources;
        QCOMPARE(app->getSources(&sources), kOk);
        std::shared_ptr<IITSource> source;
        QCOMPARE(sources->getItem(1, &source), kOk);
        std::shared_ptr<IITPlaylistCollection> playlists;
        QCOMPARE(source->getPlaylists(&playlists), kOk);
        std::shared_ptr<IITPlaylist> library;
        QCOMPARE(playlists->getItem(1, &library), kOk);
        std::shared_ptr<IITPlaylist> mixList;
        QCOMPARE(playlists->getItem(2, &mixList), kOk);
        std::shared_ptr<IITPlaylist> partList;
        QCOMPARE(playlists->getItem(3, &partList), kOk);

        const auto namesIn = [&](IITPlaylist& aPlaylist, const QString& aText) {
            std::shared_ptr<IITTrackCollection> found;
            QStringList result;
            if (aPlaylist.search(aText, 0, &found) != kOk)
                return QStringList{QStringLiteral("search failed")};
            qint32 count = 0;
            found->getCount(&count);
            for (qint32 i = 1; i <= count; ++i) {
                std::shared_ptr<IITTrack> track;
                QString name;
                found->getItem(i, &track);
                track->getName(&name);
                result << name;
            }
            return result;
        };
        const auto names = [&](const QString& aText) { return namesIn(*library, aText); };
        QCOMPARE(names(QStringLiteral("high")), (QStringList{"High Wave", "Highway"}));
        QCOMPARE(names(QStringLiteral("HIGH sine")), QStringList{"High Wave"});
        QCOMPARE(names(QStringLiteral("  wave   ΩMEGA ")), QStringList{"High Wave"});
        QCOMPARE(names(QStringLiteral("high nothing")), QStringList{});
        QCOMPARE(names(QStringLiteral("Roads")), QStringList{"Highway"});
        // In the playlist's order, a track as often as it is there; only the playlist's tracks.
        QCOMPARE(namesIn(*mixList, QStringLiteral("high")),
                 (QStringList{"Highway", "High Wave", "Highway"}));
        QCOMPARE(namesIn(*partList, QStringLiteral("high")), QStringList{"Highway"});
        QCOMPARE(namesIn(*partList, QStringLiteral("sine")), QStringList{});
    }

    void windowsLibraryUnderWine()
    {
        const QString wine = root() + "/wine";
        for (const QString& file : kWindowsFiles)
            touch(wine + "/" + kWindowsMedia + file);
        qputenv("WINEPREFIX", wine.toUtf8());
        const QString xml = root() + "/elsewhere/iTunes Library.xml";
        copySample("windows-library.xml", xml);
        LocalMusicLibrary::setLibraryPath(xml);

        QObject owner;
        LocalMusicLibrary& library = *newLibrary(&owner);
        QSignalSpy failures(&library, &LocalMusicLibrary::iTunesFailure);
        QVERIFY(library.refreshPlaylists());
        // The master, Music, Podcasts and folder playlists are not the user's own.
        QCOMPARE(library.playlists(), (QStringList{"Road Trip", "Recently Added"}));
        library.refreshPodcasts();
        QCOMPARE(library.podcasts(), QStringList{"Tech Talk"});

        Read music;
        readAll(library, QString(), music);
        QCOMPARE(music.result, 0);
        QCOMPARE(names(music.tracks), (QStringList{"Blue Sky", "Rain & Thunder"}));
        QCOMPARE(names(music.drm), QStringList{"Old Song"});
        QCOMPARE(music.size, 4512345 + 6123456 + 3000000);
        for (int i = 0; i < music.tracks.count(); ++i)
            QVERIFY2(QFileInfo::exists(music.tracks.at(i).path()), qPrintable(music.tracks.at(i).path()));
        QCOMPARE(music.tracks.at(0).path(), wine + "/" + kWindowsMedia + kWindowsFiles[0]);
        QCOMPARE(music.tracks.at(0).artistName(), QString("Ænima Band"));
        QCOMPARE(music.tracks.at(0).albumName(), QString("Café Nights"));
        QCOMPARE(music.tracks.at(0).localSize(), 4512345);
        QVERIFY(music.tracks.at(1).compilation());
        QCOMPARE(music.tracks.at(1).trackNumberOnAlbum(), 2);
        QCOMPARE(music.entry.mItems[0].mDateAdded, 43618);

        // A playlist item naming a track that is not there is passed over.
        Read trip;
        readAll(library, "Road Trip", trip);
        QCOMPARE(trip.result, 0);
        QCOMPARE(names(trip.tracks), (QStringList{"Rain & Thunder", "Blue Sky"}));

        QList<PlaylistEntry> entries;
        TrackList episodes;
        library.getPodcasts({"Tech Talk"}, entries, episodes);
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries[0].mItems.size(), 2);
        QCOMPARE(episodes.at(entries[0].mItems[1].mTrackIndex).path(),
                 wine + "/" + kWindowsMedia + kWindowsFiles[4]);

        // The whole library: the stream has no file and is passed over.
        Read all;
        readAll(library, "Library", all, true);
        QCOMPARE(all.tracks.count(), 4);
        QCOMPARE(failures.count(), 0);
    }

    void audiobooksAreProtectedOnlyWhenTheLibrarySaysSo()
    {
        const QString folder = root() + "/books";
        LibraryXmlBuilder builder;
        const auto add = [&](const QString& aName, const QString& aFile, const QString& aKind,
                             bool aProtected) {
            touch(folder + u'/' + aFile);
            LibraryXmlBuilder::TrackSpec spec;
            spec.mName = aName;
            spec.mKind = aKind;
            spec.mProtected = aProtected;
            spec.mLocation = LibraryXmlBuilder::linuxUrl(folder + u'/' + aFile);
            builder.addTrack(spec);
        };
        add("Free", "free.m4b", "AAC audio file", false);
        add("Kind", "kind.m4b", "Protected AAC audio file", false);
        add("Flag", "flag.M4B", "AAC audio file", true);
        // A protected kind on another extension is left to the extension rules.
        add("Song", "song.m4a", "Protected AAC audio file", false);
        add("Store", "store.m4p", "AAC audio file", false);
        builder.addMasterPlaylist();
        const QString xml = folder + "/iTunes Library.xml";
        QVERIFY(builder.write(xml));
        LocalMusicLibrary::setLibraryPath(xml);
        QObject owner;
        LocalMusicLibrary& library = *newLibrary(&owner);
        Read all;
        readAll(library, "Library", all);
        QCOMPARE(all.result, 0);
        QCOMPARE(names(all.tracks), (QStringList{"Free", "Song"}));
        QCOMPARE(names(all.drm), (QStringList{"Kind", "Flag", "Store"}));
    }

    void copiedLibraryIsRebasedBesideItsFile()
    {
        // Copied from Windows with its media: the folder beside the file that has the Music
        // Folder's last name. Case differs on disk, as it may on Windows.
        const QString folder = root() + "/copied";
        for (const QString& file : kWindowsFiles)
            touch(folder + "/iTunes Media/" + QString(file).replace("Music/", "music/").replace("Café", "CAFÉ"));
        const QString xml = folder + "/iTunes Music Library.xml";
        copySample("windows-library.xml", xml);
        LocalMusicLibrary::setLibraryPath(xml);
        QObject owner;
        LocalMusicLibrary& library = *newLibrary(&owner);
        Read all;
        readAll(library, "Library", all);
        QCOMPARE(all.tracks.count() + all.drm.count(), 5);
        for (int i = 0; i < all.tracks.count(); ++i)
            QVERIFY2(QFileInfo::exists(all.tracks.at(i).path()), qPrintable(all.tracks.at(i).path()));
        QVERIFY(QFileInfo::exists(all.drm.at(0).path()));
    }

    void macLibraryInEitherUnicodeForm()
    {
        const QString folder = root() + "/mac";
        const QString media = folder + "/iTunes Media/";
        // One file kept in decomposed form (copied from HFS+), the others composed.
        touch(media + QString("Music/Beethoven/Klavierstücke/01 Für Elise.mp3").normalized(QString::NormalizationForm_D));
        touch(media + "Music/Plastic Bertrand/Années 70/03 Ça plane.m4a");
        touch(media + "Movies/Trailer.m4v");
        touch(media + "Podcasts/Nachrichten/Folge 7.mp3");
        const QString xml = folder + "/iTunes Library.xml";
        copySample("macos-library.xml", xml);
        LocalMusicLibrary::setLibraryPath(xml);

        QObject owner;
        LocalMusicLibrary& library = *newLibrary(&owner);
        QVERIFY(library.refreshPlaylists());
        // Localised names; the Genius and Movies playlists are system playlists.
        QCOMPARE(library.playlists(), QStringList{"Lieblingssongs"});
        std::shared_ptr<IITPlaylist> music;
        qint64 size = 0;
        QCOMPARE(library.getPlaylist(QString(), music, size), 0);
        QString name;
        music->getName(&name);
        QCOMPARE(name, QString("Musik"));

        Read all;
        readAll(library, "Mediathek", all, true);
        QCOMPARE(names(all.tracks), (QStringList{"Für Elise", "Ça plane", "Folge 7"}));
        for (int i = 0; i < all.tracks.count(); ++i)
            QVERIFY2(QFileInfo::exists(all.tracks.at(i).path()), qPrintable(all.tracks.at(i).path()));
        Read withVideos;
        readAll(library, "Mediathek", withVideos, false);
        QCOMPARE(withVideos.tracks.count(), 4);
        library.refreshPodcasts();
        QCOMPARE(library.podcasts(), QStringList{"Nachrichten"});
    }

    void locationUrls()
    {
        QCOMPARE(TrackLocationResolver::decodeFileUrl("file://localhost/C:/a%20b/c%23.mp3"), QString("C:/a b/c#.mp3"));
        QCOMPARE(TrackLocationResolver::decodeFileUrl("file:///C:/x.mp3"), QString("C:/x.mp3"));
        QCOMPARE(TrackLocationResolver::decodeFileUrl("file://localhost/d|/x.mp3"), QString("d:/x.mp3"));
        QCOMPARE(TrackLocationResolver::decodeFileUrl("file:///home/u/%E2%82%AC+1.mp3"), QString("/home/u/€+1.mp3"));
        QCOMPARE(TrackLocationResolver::decodeFileUrl("file://server/share/x.mp3"), QString("//server/share/x.mp3"));
        QCOMPARE(TrackLocationResolver::decodeFileUrl("http://example.com/x.mp3"), QString());

        // Escapes are decoded exactly as QByteArray::fromPercentEncoding decodes them, broken
        // ones, invalid UTF-8 and text outside ASCII included.
        static const QStringList kPieces = {"a", "/", "%20", "%2", "%", "%zz", "%4g", "%C3%A9",
                                            "%FF", "%E2%82", "\u00e9", "+", "%25", "%7E"};
        QRandomGenerator random(17);
        for (int round = 0; round < 2000; ++round) {
            QString path = "/";
            for (int i = int(random.bounded(8)); i > 0; --i)
                path += kPieces.at(int(random.bounded(kPieces.size())));
            const QString expected =
                QString::fromUtf8(QByteArray::fromPercentEncoding(path.toUtf8()))
                    .replace(u'\\', u'/');
            QCOMPARE(TrackLocationResolver::decodeFileUrl("file://" + path), expected);
        }

        // A library written on this machine with plain paths, spaces and '%' in names.
        LibraryXmlBuilder builder(LibraryXmlBuilder::Style::MacOS);
        const QString file = root() + "/native/My 100% Song.mp3";
        touch(file);
        builder.setMusicFolder(QString());
        LibraryXmlBuilder::TrackSpec trackFields;
        trackFields.mName = "Native";
        trackFields.mLocation = LibraryXmlBuilder::linuxUrl(file);
        builder.addTrack(trackFields);
        builder.addMasterPlaylist();
        const QString xml = root() + "/native/lib.xml";
        QVERIFY(builder.write(xml));
        LocalMusicLibrary::setLibraryPath(xml);
        QObject owner;
        Read read;
        readAll(*newLibrary(&owner), QString(), read);
        QCOMPARE(read.result, 0);
        QCOMPARE(read.tracks.at(0).path(), file);
        QCOMPARE(read.tracks.at(0).dateAdded(), 40972);
    }

    void automationDates()
    {
        QCOMPARE(LibraryXmlReader::automationDate(u"1899-12-30T00:00:00Z"), 0.0);
        QCOMPARE(LibraryXmlReader::automationDate(u"2019-06-02T18:00:00Z"), 43618.75);
        QCOMPARE(LibraryXmlReader::automationDate(u"2019-06-02T20:00:00+02:00"), 43618.75);
        QCOMPARE(LibraryXmlReader::automationDate(u"yesterday"), 0.0);
    }

    void libraryIsFoundInSearchOrder()
    {
        const QString home = QDir::homePath();
        const QString wineLibrary = home + "/.wine/drive_c/users/" + qEnvironmentVariable("USER", QFileInfo(home).fileName())
                                    + "/Music/iTunes/iTunes Library.xml";
        QString path;
        QStringList tried;
        QVERIFY(!LibraryLocator::locate(&path, &tried));
        QCOMPARE(tried.size(), 4);
        QVERIFY(tried.contains(wineLibrary));

        // Nothing there: a plain failure, never the endless busy retry.
        QObject owner;
        LocalMusicLibrary& library = *newLibrary(&owner);
        QSignalSpy failures(&library, &LocalMusicLibrary::iTunesFailure);
        QVERIFY(!library.refreshPlaylists());
        QCOMPARE(failures.count(), 0);
        std::shared_ptr<IiTunes> app;
        QCOMPARE(XmlITunesApp::create(&app), kFileNotFound);

        copySample("macos-library.xml", wineLibrary);
        QVERIFY(LibraryLocator::locate(&path, &tried));
        QCOMPARE(path, wineLibrary);
        const QString old = home + "/Music/iTunes/iTunes Music Library.xml";
        copySample("macos-library.xml", old);
        QVERIFY(LibraryLocator::locate(&path, &tried));
        QCOMPARE(path, old);
        const QString current = home + "/Music/iTunes/iTunes Library.xml";
        copySample("macos-library.xml", current);
        QVERIFY(LibraryLocator::locate(&path, &tried));
        QCOMPARE(path, current);
        const QString fromEnvironment = root() + "/env/lib.xml";
        copySample("windows-library.xml", fromEnvironment);
        qputenv("PELLMAR_ITUNES_LIBRARY", fromEnvironment.toUtf8());
        QVERIFY(LibraryLocator::locate(&path, &tried));
        QCOMPARE(path, fromEnvironment);
        const QString chosen = root() + "/chosen/lib.xml";
        copySample("windows-library.xml", chosen);
        LibraryLocator::storeChosenPath(chosen);
        SyncSettings settings;
        QCOMPARE(settings.load(), 0);
        QCOMPARE(settings.getGlobalStringValue("itunes-library"), chosen);
        QVERIFY(LibraryLocator::locate(&path, &tried));
        QCOMPARE(path, chosen);
        QVERIFY(library.refreshPlaylists());
        QCOMPARE(library.playlists(), (QStringList{"Road Trip", "Recently Added"}));

        // An explicit path is the only candidate.
        LocalMusicLibrary::setLibraryPath(root() + "/missing.xml");
        QVERIFY(!LibraryLocator::locate(&path, &tried));
        QCOMPARE(tried, QStringList{root() + "/missing.xml"});
        LibraryLocator::storeChosenPath(QString());
    }

    void damagedFilesAreRefusedNotRetried_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QByteArray sample;
        {
            QFile file(TestPaths::dataFile("library/windows-library.xml"));
            QVERIFY(file.open(QIODevice::ReadOnly));
            sample = file.readAll();
        }
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("truncated") << sample.left(sample.size() / 2);
        QTest::newRow("truncated at the end") << sample.left(sample.size() - 12);
        QTest::newRow("html") << QByteArray("<html><body>iTunes</body></html>");
        QTest::newRow("binary plist") << QByteArray("bplist00\xd1\x01\x02QaQb\x08\x0b\x0d\x00\x00", 24);
        QTest::newRow("text") << QByteArray("Tracks, Playlists\n");
        QTest::newRow("other plist") << QByteArray(
            "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>Device Name</key>"
            "<string>iPhone</string></dict></plist>");
        QTest::newRow("root array") << QByteArray("<plist><array><string>x</string></array></plist>");
    }

    void damagedFilesAreRefusedNotRetried()
    {
        QFETCH(QByteArray, contents);
        const QString xml = root() + "/damaged.xml";
        writeFile(xml, contents);
        LocalMusicLibrary::setLibraryPath(xml);
        std::shared_ptr<IiTunes> app;
        QCOMPARE(XmlITunesApp::create(&app), kInvalidData);

        QObject owner;
        LocalMusicLibrary& library = *newLibrary(&owner);
        QSignalSpy failures(&library, &LocalMusicLibrary::iTunesFailure);
        QVERIFY(!library.refreshPlaylists());
        Read read;
        readAll(library, QString(), read);
        QCOMPARE(read.result, LocalMusicLibrary::kFailure);
        QCOMPARE(failures.count(), 0);
    }

    void aFreshUnparsableFileIsBusyOnlyForAWhile()
    {
        const QString xml = root() + "/fresh.xml";
        QFile file(xml);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>Tracks</key><dict>");
        file.close();
        LocalMusicLibrary::setLibraryPath(xml);
        const int settle = LibrarySnapshotCache::settleTimeMs();
        LibrarySnapshotCache::setSettleTimeMs(400);
        QObject owner;
        LocalMusicLibrary library(&owner);
        library.setRetryWait([](int) { QThread::msleep(50); });
        QSignalSpy failures(&library, &LocalMusicLibrary::iTunesFailure);
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!library.refreshPlaylists());
        LibrarySnapshotCache::setSettleTimeMs(settle);
        QVERIFY(failures.count() >= 1);
        QVERIFY(timer.elapsed() < 3000);
    }

    void oddButReadableFiles()
    {
        // Wrong value types, a track without "Location", items naming missing tracks, a
        // library playlist listing nothing and unknown keys are all survived.
        const QByteArray xml =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
            "<key>Music Folder</key><integer>3</integer>"
            "<key>Tracks</key><dict>"
            "<key>1</key><dict><key>Track ID</key><integer>1</integer><key>Name</key><integer>5</integer>"
            "<key>Size</key><string>big</string><key>Track Number</key><string>x</string>"
            "<key>Artist</key><array><string>a</string></array><key>Date Added</key><string>today</string>"
            "<key>Compilation</key><string>yes</string>"
            "<key>Location</key><string>file:///tmp/one.mp3</string></dict>"
            "<key>2</key><dict><key>Track ID</key><string>2</string><key>Name</key><string>No file</string></dict>"
            "<key>3</key><string>not a track</string>"
            "<key>4</key><dict><key>Name</key><string>Keyed &amp; named</string>"
            "<key>Size</key><integer>-5</integer><key>Track Number</key><integer>99999999999</integer>"
            "<key>Location</key><string>file:///tmp/four.mp3</string><key>Extra</key><dict><key>a</key><true/></dict></dict>"
            "</dict>"
            "<key>Playlists</key><array><string>junk</string>"
            "<dict><key>Name</key><string>Library</string><key>Master</key><true/></dict>"
            "<dict><key>Name</key><string>Holes</string><key>Playlist Items</key><array>"
            "<dict><key>Track ID</key><integer>77</integer></dict><dict><key>Track ID</key><string>4</string></dict>"
            "<dict><key>Track ID</key><integer>4</integer></dict><dict/></array></dict>"
            "<dict><key>Name</key><string>Odd kind</string><key>Distinguished Kind</key><string>4</string></dict>"
            "</array></dict></plist>";
        const QString path = root() + "/odd.xml";
        writeFile(path, xml);
        LocalMusicLibrary::setLibraryPath(path);
        QObject owner;
        LocalMusicLibrary& library = *newLibrary(&owner);
        QVERIFY(library.refreshPlaylists());
        QCOMPARE(library.playlists(), (QStringList{"Holes", "Odd kind"}));
        Read all;
        readAll(library, QString(), all); // no Music playlist: the library playlist
        QCOMPARE(all.result, 0);
        QCOMPARE(all.tracks.count(), 2);
        QCOMPARE(all.tracks.at(0).trackName(), QString());
        QCOMPARE(all.tracks.at(0).localSize(), 0);
        QCOMPARE(all.tracks.at(0).dateAdded(), 0);
        QVERIFY(!all.tracks.at(0).compilation());
        QCOMPARE(all.tracks.at(1).trackName(), QString("Keyed & named"));
        QCOMPARE(all.tracks.at(1).trackNumberOnAlbum(), 0);
        Read holes;
        readAll(library, "Holes", holes);
        QCOMPARE(names(holes.tracks), QStringList{"Keyed & named"});
    }

    void mangledFilesNeverBreakTheReader()
    {
        QFile file(TestPaths::dataFile("library/macos-library.xml"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray sample = file.readAll();
        QRandomGenerator random(7);
        int accepted = 0;
        for (int round = 0; round < 400; ++round) {
            QByteArray data = sample;
            const int edits = 1 + int(random.bounded(4));
            for (int e = 0; e < edits; ++e) {
                const int at = int(random.bounded(data.size()));
                switch (random.bounded(3)) {
                case 0: data[at] = char(random.bounded(256)); break;
                case 1: data.remove(at, int(random.bounded(40))); break;
                default: data.insert(at, "<dict><key>Track ID</key>"); break;
                }
            }
            QBuffer buffer(&data);
            buffer.open(QIODevice::ReadOnly);
            LibraryXmlReader reader;
            if (!reader.read(&buffer, "mangled.xml")) {
                QVERIFY(!reader.errorString().isEmpty());
                continue;
            }
            ++accepted;
            const auto snapshot = reader.takeSnapshot();
            QVERIFY(!snapshot->playlists().empty());
            QCOMPARE(snapshot->playlists().front().mKind, kPlaylistKindLibrary);
            for (const LibraryPlaylist& playlist : snapshot->playlists())
                for (const qint32 index : playlist.mTrackIndexes)
                    QVERIFY(index >= 0 && size_t(index) < snapshot->tracks().size());
        }
        QVERIFY(accepted > 0);
    }

    void snapshotIsSharedUntilTheFileChanges()
    {
        const QString path = root() + "/shared.xml";
        copySample("macos-library.xml", path);
        std::shared_ptr<const LibrarySnapshot> first, second, third;
        QCOMPARE(LibrarySnapshotCache::acquire(path, &first), kOk);
        QCOMPARE(LibrarySnapshotCache::acquire(path, &second), kOk);
        QCOMPARE(first.get(), second.get());
        makeOld(path); // only the modification time changes
        QCOMPARE(LibrarySnapshotCache::acquire(path, &third), kOk);
        QVERIFY(third.get() != first.get());
        QCOMPARE(third->tracks().size(), first->tracks().size());
    }

    void fileReplacedWhileItIsRead()
    {
        const QString path = root() + "/replaced.xml";
        copySample("macos-library.xml", path);
        LocalMusicLibrary::setLibraryPath(path);
        int replacements = 0;
        LibrarySnapshotCache::setAfterReadHook([&](const QString& aPath) {
            if (replacements++ > 0)
                return;
            QFile::remove(aPath + ".new");
            QVERIFY(QFile::copy(TestPaths::dataFile("library/windows-library.xml"), aPath + ".new"));
            QVERIFY(std::rename(QFile::encodeName(aPath + ".new").constData(),
                                QFile::encodeName(aPath).constData()) == 0);
        });
        QObject owner;
        LocalMusicLibrary& library = *newLibrary(&owner);
        QSignalSpy failures(&library, &LocalMusicLibrary::iTunesFailure);
        QVERIFY(library.refreshPlaylists());
        LibrarySnapshotCache::setAfterReadHook({});
        QCOMPARE(failures.count(), 1);
        QCOMPARE(library.playlists(), (QStringList{"Road Trip", "Recently Added"}));

        // A writer rewriting the file in place while it is read: every read is either a whole
        // library or "busy", never a refusal, a crash or a hang.
        QByteArray big;
        {
            LibraryXmlBuilder builder(LibraryXmlBuilder::Style::Windows);
            for (int i = 0; i < 3000; ++i) {
                LibraryXmlBuilder::TrackSpec trackFields;
                trackFields.mName = QString("Track %1").arg(i);
                trackFields.mLocation = LibraryXmlBuilder::windowsUrl(QString("C:/m/%1.mp3").arg(i));
                builder.addTrack(trackFields);
            }
            builder.addMasterPlaylist();
            big = builder.toXml();
        }
        std::atomic<bool> stop{false};
        std::thread writer([&] {
            for (int round = 0; round < 40 && !stop; ++round) {
                QFile file(path);
                if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
                    continue;
                for (qsizetype at = 0; at < big.size(); at += 65536) {
                    file.write(big.mid(at, 65536));
                    file.flush();
                    std::this_thread::sleep_for(std::chrono::microseconds(300));
                }
            }
        });
        int whole = 0, busy = 0;
        for (int i = 0; i < 60; ++i) {
            std::shared_ptr<const LibrarySnapshot> snapshot;
            const HResult result = LibrarySnapshotCache::acquire(path, &snapshot);
            QVERIFY2(result == kOk || result == kCallRejected, qPrintable(QString::number(result, 16)));
            if (result == kOk) {
                ++whole;
                QVERIFY(snapshot->tracks().size() == 3000 || snapshot->tracks().size() == 6);
            } else {
                ++busy;
            }
        }
        stop = true;
        writer.join();
        QVERIFY(whole + busy == 60);
    }

    void eventsFollowTheFileAcrossReplacements()
    {
        const QString folder = root() + "/events";
        const QString path = folder + "/iTunes Library.xml";
        copySample("macos-library.xml", path);
        LocalMusicLibrary::setLibraryPath(path);
        QObject owner;
        LocalMusicLibrary& library = *newLibrary(&owner);
        QSignalSpy events(&library, &LocalMusicLibrary::localLibraryEvent);
        QCOMPARE(library.listenForITunesEvents(), kOk);

        // iTunes writes a new file and renames it over the old one, again and again.
        for (int round = 0; round < 3; ++round) {
            const int before = events.count();
            QSaveFile save(path);
            QVERIFY(save.open(QIODevice::WriteOnly));
            QFile sample(TestPaths::dataFile(round % 2 ? "library/macos-library.xml" : "library/windows-library.xml"));
            QVERIFY(sample.open(QIODevice::ReadOnly));
            save.write(sample.readAll());
            QVERIFY(save.commit());
            QTRY_VERIFY_WITH_TIMEOUT(events.count() > before, 5000);
        }
        QVERIFY(library.refreshPlaylists());
        QCOMPARE(library.playlists(), (QStringList{"Road Trip", "Recently Added"}));

        // Written in place.
        const int before = events.count();
        QFile file(path);
        QVERIFY(file.open(QIODevice::Append));
        file.write("\n");
        file.close();
        QTRY_VERIFY_WITH_TIMEOUT(events.count() > before, 5000);
    }
};

PELLMAR_TEST_MAIN(TestLibraryXml)
#include "test_library_xml.moc"
