// The library file kind through MusicLibrary: real-format libraries from Windows and
// macOS, the mapping of their locations, where the file is found, and damaged files.
#include "TestMain.h"
#include "TestPaths.h"
#include "library/LibraryXmlBuilder.h"

#include "library/LibraryFactory.h"
#include "library/MusicLibrary.h"
#include "library/itunes/ITunesXmlCache.h"
#include "library/itunes/LibraryXmlReader.h"
#include "library/itunes/TrackLocationResolver.h"
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

using Kind = LibraryReadError::Kind;

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

void readAll(MusicLibrary& aLibrary, const QString& aName, Read& aRead, bool aIgnoreVideos = false)
{
    aRead.result = aLibrary.tracks(aName, aRead.tracks, aRead.size, false, aRead.drm, aRead.entry,
                                   aIgnoreVideos);
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

    MusicLibrary* newLibrary(QObject* aParent) { return new MusicLibrary(aParent); }

private slots:
    void init()
    {
        LibraryFactory::setChosenPath(QString());
        ITunesXmlCache::setAfterReadHook({});
        qunsetenv("WINEPREFIX");
        qunsetenv("PELLMAR_ITUNES_LIBRARY");
    }

    void windowsLibraryUnderWine()
    {
        const QString wine = root() + "/wine";
        for (const QString& file : kWindowsFiles)
            touch(wine + "/" + kWindowsMedia + file);
        qputenv("WINEPREFIX", wine.toUtf8());
        const QString xml = root() + "/elsewhere/iTunes Library.xml";
        copySample("windows-library.xml", xml);
        LibraryFactory::setChosenPath(xml);

        QObject owner;
        MusicLibrary& library = *newLibrary(&owner);
        QSignalSpy failures(&library, &MusicLibrary::readFailed);
        // The master, Music, Podcasts and folder playlists are not the user's own.
        QCOMPARE(library.playlistNames(), (QStringList{"Road Trip", "Recently Added"}));
        QCOMPARE(library.podcastNames(), QStringList{"Tech Talk"});

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
        QCOMPARE(library.podcasts({"Tech Talk", "Gone"}, entries, episodes), 0);
        QCOMPARE(entries.size(), 2);
        QVERIFY(entries[1].mItems.isEmpty());
        QCOMPARE(entries[0].mItems.size(), 2);
        QCOMPARE(episodes.at(entries[0].mItems[1].mTrackIndex).path(),
                 wine + "/" + kWindowsMedia + kWindowsFiles[4]);

        // Only the user's playlists are chosen by name.
        Read master;
        readAll(library, "Library", master);
        QCOMPARE(master.result, MusicLibrary::kPlaylistNotFound);
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
        add("Clip", "clip.m4v", "MPEG-4 video file", false);
        add("Film", "film.MOV", "QuickTime movie file", false);
        builder.addMasterPlaylist();
        const QString xml = folder + "/iTunes Library.xml";
        QVERIFY(builder.write(xml));
        LibraryFactory::setChosenPath(xml);
        QObject owner;
        MusicLibrary& library = *newLibrary(&owner);
        Read all;
        readAll(library, QString(), all);
        QCOMPARE(all.result, 0);
        QCOMPARE(names(all.tracks), (QStringList{"Free", "Song", "Clip", "Film"}));
        QCOMPARE(names(all.drm), (QStringList{"Kind", "Flag", "Store"}));
        // The file's persistent id travels with the track.
        QCOMPARE(all.tracks.at(0).iTunesId(),
                 QString("%1").arg(0x5A17C0DE00000000ULL + quint64(builder.trackIds().first()), 16,
                                   16, QChar(u'0')).toUpper());
        // Videos are left out only when asked.
        Read music;
        readAll(library, QString(), music, true);
        QCOMPARE(names(music.tracks), (QStringList{"Free", "Song"}));
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
        LibraryFactory::setChosenPath(xml);
        QObject owner;
        MusicLibrary& library = *newLibrary(&owner);
        Read all;
        readAll(library, QString(), all);
        QList<PlaylistEntry> shows;
        QCOMPARE(library.podcasts({"Tech Talk"}, shows, all.tracks), 0);
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
        LibraryFactory::setChosenPath(xml);

        QObject owner;
        MusicLibrary& library = *newLibrary(&owner);
        // Localised names; the Genius and Movies playlists are system playlists.
        QCOMPARE(library.playlistNames(), QStringList{"Lieblingssongs"});
        // The whole library is the Music playlist ("Musik"), found by its kind.
        Read all;
        readAll(library, QString(), all, true);
        QCOMPARE(names(all.tracks), (QStringList{"Für Elise", "Ça plane"}));
        QCOMPARE(library.podcastNames(), QStringList{"Nachrichten"});
        QList<PlaylistEntry> shows;
        QCOMPARE(library.podcasts({"Nachrichten"}, shows, all.tracks), 0);
        QCOMPARE(names(all.tracks), (QStringList{"Für Elise", "Ça plane", "Folge 7"}));
        for (int i = 0; i < all.tracks.count(); ++i)
            QVERIFY2(QFileInfo::exists(all.tracks.at(i).path()), qPrintable(all.tracks.at(i).path()));
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
        LibraryFactory::setChosenPath(xml);
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
        QVERIFY(!LibraryFactory::locate(&path, &tried));
        QCOMPARE(tried.size(), 4);
        QVERIFY(tried.contains(wineLibrary));

        // Nothing there: a plain failure that says where it looked, not a retry.
        QObject owner;
        MusicLibrary& library = *newLibrary(&owner);
        QSignalSpy failures(&library, &MusicLibrary::readFailed);
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!library.read());
        QVERIFY(timer.elapsed() < MusicLibrary::kBusyWaitMs);
        QCOMPARE(failures.count(), 1);
        QCOMPARE(library.lastError().mKind, Kind::Unusable);
        QVERIFY(library.lastError().mReason.contains(wineLibrary));

        copySample("macos-library.xml", wineLibrary);
        QVERIFY(LibraryFactory::locate(&path, &tried));
        QCOMPARE(path, wineLibrary);
        const QString old = home + "/Music/iTunes/iTunes Music Library.xml";
        copySample("macos-library.xml", old);
        QVERIFY(LibraryFactory::locate(&path, &tried));
        QCOMPARE(path, old);
        const QString current = home + "/Music/iTunes/iTunes Library.xml";
        copySample("macos-library.xml", current);
        QVERIFY(LibraryFactory::locate(&path, &tried));
        QCOMPARE(path, current);
        const QString fromEnvironment = root() + "/env/lib.xml";
        copySample("windows-library.xml", fromEnvironment);
        qputenv("PELLMAR_ITUNES_LIBRARY", fromEnvironment.toUtf8());
        QVERIFY(LibraryFactory::locate(&path, &tried));
        QCOMPARE(path, fromEnvironment);
        const QString chosen = root() + "/chosen/lib.xml";
        copySample("windows-library.xml", chosen);
        LibraryFactory::storeChosenPath(chosen);
        QCOMPARE(SettingsSnapshot::read().iTunesLibraryPath(), chosen);
        QVERIFY(LibraryFactory::locate(&path, &tried));
        QCOMPARE(path, chosen);
        QCOMPARE(library.playlistNames(), (QStringList{"Road Trip", "Recently Added"}));
        QCOMPARE(library.location(), chosen);

        // An explicit path is the only candidate.
        LibraryFactory::setChosenPath(root() + "/missing.xml");
        QVERIFY(!LibraryFactory::locate(&path, &tried));
        QCOMPARE(tried, QStringList{root() + "/missing.xml"});
        LibraryFactory::storeChosenPath(QString());
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
        LibraryFactory::setChosenPath(xml);
        const ITunesXmlCache::Result direct = ITunesXmlCache::acquire(xml);
        QCOMPARE(direct.mError.mKind, Kind::Unusable);
        QVERIFY(!direct.mError.mReason.isEmpty());

        QObject owner;
        MusicLibrary& library = *newLibrary(&owner);
        QSignalSpy failures(&library, &MusicLibrary::readFailed);
        QElapsedTimer timer;
        timer.start();
        QVERIFY(library.playlistNames().isEmpty());
        Read read;
        readAll(library, QString(), read);
        QCOMPARE(read.result, MusicLibrary::kFailure);
        // Each read fails once, with the reason, and is not tried again.
        QCOMPARE(failures.count(), 2);
        QCOMPARE(failures.at(0).at(0).toString(), direct.mError.mReason);
        QCOMPARE(library.lastError().mReason, direct.mError.mReason);
        QVERIFY(timer.elapsed() < MusicLibrary::kBusyWaitMs);
    }

    void aFreshUnparsableFileIsBusyOnlyForAWhile()
    {
        const QString xml = root() + "/fresh.xml";
        QFile file(xml);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>Tracks</key><dict>");
        file.close();
        LibraryFactory::setChosenPath(xml);
        const int settle = ITunesXmlCache::settleTimeMs();
        ITunesXmlCache::setSettleTimeMs(400);
        QObject owner;
        MusicLibrary library(&owner);
        QSignalSpy failures(&library, &MusicLibrary::readFailed);
        QElapsedTimer timer;
        timer.start();
        // Busy while just written, then refused as damaged once it has settled.
        QVERIFY(!library.read());
        ITunesXmlCache::setSettleTimeMs(settle);
        QCOMPARE(failures.count(), 1);
        QCOMPARE(library.lastError().mKind, Kind::Unusable);
        QVERIFY(timer.elapsed() >= 400);
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
        LibraryFactory::setChosenPath(path);
        QObject owner;
        MusicLibrary& library = *newLibrary(&owner);
        QCOMPARE(library.playlistNames(), (QStringList{"Holes", "Odd kind"}));
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
            if (!reader.read(&buffer)) {
                QVERIFY(!reader.errorString().isEmpty());
                continue;
            }
            ++accepted;
            const auto content = reader.takeContent();
            const auto inRange = [&content](const QList<qint32>& aIndexes) {
                for (const qint32 index : aIndexes)
                    QVERIFY(index >= 0 && size_t(index) < content->tracks().size());
            };
            inRange(content->wholeLibrary());
            for (const LibraryPlaylist& playlist : content->playlists())
                inRange(playlist.mTrackIndexes);
            for (const LibraryPlaylist& show : content->podcasts())
                inRange(show.mTrackIndexes);
            for (const LibraryTrack& track : content->tracks())
                QVERIFY(track.mPersistentId != 0);
        }
        QVERIFY(accepted > 0);
    }

    void snapshotIsSharedUntilTheFileChanges()
    {
        const QString path = root() + "/shared.xml";
        copySample("macos-library.xml", path);
        const auto first = ITunesXmlCache::acquire(path).mContent;
        const auto second = ITunesXmlCache::acquire(path).mContent;
        QVERIFY(first);
        QCOMPARE(first.get(), second.get());
        makeOld(path); // only the modification time changes
        const auto third = ITunesXmlCache::acquire(path).mContent;
        QVERIFY(third && third.get() != first.get());
        QCOMPARE(third->tracks().size(), first->tracks().size());
        // Persistent ids are the file's, and the same in every read.
        for (size_t i = 0; i < first->tracks().size(); ++i)
            QCOMPARE(third->tracks()[i].mPersistentId, first->tracks()[i].mPersistentId);
    }

    void fileReplacedWhileItIsRead()
    {
        const QString path = root() + "/replaced.xml";
        copySample("macos-library.xml", path);
        LibraryFactory::setChosenPath(path);
        int replacements = 0;
        ITunesXmlCache::setAfterReadHook([&](const QString& aPath) {
            if (replacements++ > 0)
                return;
            QFile::remove(aPath + ".new");
            QVERIFY(QFile::copy(TestPaths::dataFile("library/windows-library.xml"), aPath + ".new"));
            QVERIFY(std::rename(QFile::encodeName(aPath + ".new").constData(),
                                QFile::encodeName(aPath).constData()) == 0);
        });
        QObject owner;
        MusicLibrary& library = *newLibrary(&owner);
        QSignalSpy failures(&library, &MusicLibrary::readFailed);
        // Busy once, read again a moment later: not a failure.
        QCOMPARE(library.playlistNames(), (QStringList{"Road Trip", "Recently Added"}));
        ITunesXmlCache::setAfterReadHook({});
        QCOMPARE(replacements, 2);
        QCOMPARE(failures.count(), 0);

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
            const ITunesXmlCache::Result result = ITunesXmlCache::acquire(path);
            QVERIFY2(result.mError.mKind != Kind::Unusable, qPrintable(result.mError.mReason));
            if (result.mContent) {
                ++whole;
                QVERIFY(result.mContent->tracks().size() == 3000
                        || result.mContent->tracks().size() == 6);
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
        LibraryFactory::setChosenPath(path);
        QObject owner;
        MusicLibrary& library = *newLibrary(&owner);
        QSignalSpy events(&library, &MusicLibrary::libraryChanged);
        library.startWatching();

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
        QCOMPARE(library.playlistNames(), (QStringList{"Road Trip", "Recently Added"}));

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
