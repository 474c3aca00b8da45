// MusicLibrary over a source whose content and failures the test sets: how it turns a library
// into the run's tracks and playlists, and how it meets a library it cannot read.
#include "TestMain.h"
#include "library/FakeLibrarySource.h"

#include "app/AppPaths.h"
#include "library/MusicLibrary.h"
#include "library/PodcastRamCache.h"
#include "tracks/Track.h"
#include "tracks/TrackList.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>

using Kind = LibraryReadError::Kind;

namespace {

QStringList names(const TrackList& aTracks)
{
    QStringList result;
    for (int i = 0; i < aTracks.count(); ++i)
        result << aTracks.at(i).trackName();
    return result;
}

// Three tracks in the whole library; "Mix" twice (the later one holds only "Two"); one
// playlist naming a copy-protected song, an audiobook or two, a video and a stream.
std::shared_ptr<const LibraryContent> basicContent()
{
    using Source = FakeLibrarySource;
    std::vector<LibraryTrack> tracks = {
        Source::track(1, "One", "Album", "/m/a/one.mp3"),
        Source::track(2, "Two", "Album", "/m/a/two.mp3"),
        Source::track(3, "Three", "Other", "/m/b/three.mp3"),
        Source::track(4, "Shop", "X", "/m/c/shop.M4P"),
        Source::track(5, "Book", "X", "/m/c/book.m4b"),
        Source::track(6, "Locked book", "X", "/m/c/locked.m4b"),
        Source::track(7, "Clip", "X", "/m/c/clip.m4v"),
        Source::track(8, "Stream", "X", "http://radio/x.mp3"),
    };
    tracks[5].mProtected = true;
    tracks[7].mRemote = true;
    std::vector<LibraryPlaylist> playlists = {{"Mix", {0, 1}},
                                              {"Mix", {1}},
                                              {"Odd", {3, 4, 5, 6, 7}}};
    return std::make_shared<const LibraryContent>(std::move(tracks), QList<qint32>{0, 1, 2},
                                                  std::move(playlists),
                                                  std::vector<LibraryPlaylist>{});
}

struct Read
{
    int result = 0;
    TrackList tracks;
    TrackList drm;
    PlaylistEntry entry;
    qint64 size = 0;
};

Read readTracks(MusicLibrary& aLibrary, const QString& aName, bool aIgnoreVideos = false,
                bool aConvert = false)
{
    Read read;
    read.result = aLibrary.tracks(aName, read.tracks, read.size, aConvert, read.drm, read.entry,
                                  aIgnoreVideos);
    return read;
}

} // namespace

class TestMusicLibrary : public QObject
{
    Q_OBJECT

private slots:
    void aBusyLibraryIsReadAgainAFewTimes()
    {
        auto source = std::make_shared<FakeLibrarySource>(basicContent());
        MusicLibrary library(source);
        QSignalSpy failures(&library, &MusicLibrary::readFailed);
        QSignalSpy okays(&library, &MusicLibrary::readSucceeded);

        // Rewritten for a moment: read again 250 ms later, and no failure is told.
        source->failReads(Kind::Busy, 2, "being rewritten");
        QElapsedTimer timer;
        timer.start();
        QVERIFY(library.read());
        QCOMPARE(source->reads(), 3);
        QVERIFY(timer.elapsed() >= 2 * MusicLibrary::kBusyWaitMs - 20);
        QCOMPARE(failures.count(), 0);
        QCOMPARE(okays.count(), 1);

        // Busy for good: a bounded number of reads, then one failure with its reason.
        source->failReads(Kind::Busy, -1, "being rewritten");
        QVERIFY(library.playlistNames().isEmpty());
        QCOMPARE(source->reads(), 3 + MusicLibrary::kBusyTries);
        QCOMPARE(failures.count(), 1);
        QCOMPARE(failures.at(0).at(0).toString(), QString("being rewritten"));
        QCOMPARE(library.lastError().mKind, Kind::Busy);

        // Damaged: read once, not again.
        source->failReads(Kind::Unusable, -1, "the library file is damaged: x");
        Read read = readTracks(library, QString());
        QCOMPARE(read.result, MusicLibrary::kFailure);
        QCOMPARE(source->reads(), 4 + MusicLibrary::kBusyTries);
        QCOMPARE(library.lastError().mReason, QString("the library file is damaged: x"));

        // Readable again: the failure is over.
        source->failReads(Kind::None, 0, QString());
        QVERIFY(library.read());
        QCOMPARE(library.lastError().mKind, Kind::None);
        QCOMPARE(okays.count(), 2);
    }

    void destroyingEndsTheWaitForABusyLibrary()
    {
        auto source = std::make_shared<FakeLibrarySource>(basicContent());
        source->failReads(Kind::Busy, -1, "busy");
        auto* library = new MusicLibrary(source);
        library->readInBackground();
        QTRY_VERIFY(source->reads() >= 1);
        QElapsedTimer timer;
        timer.start();
        delete library;
        QVERIFY(timer.elapsed() < 2 * MusicLibrary::kBusyWaitMs);
    }

    void playlistsByName()
    {
        auto source = std::make_shared<FakeLibrarySource>(basicContent());
        MusicLibrary library(source);
        QCOMPARE(library.playlistNames(), (QStringList{"Mix", "Mix", "Odd"}));
        // Of two playlists with one name, the later one; names are exact.
        Read mix = readTracks(library, "Mix");
        QCOMPARE(mix.result, 0);
        QCOMPARE(names(mix.tracks), QStringList{"Two"});
        QCOMPARE(mix.entry.mName, QString("Mix"));
        QCOMPARE(mix.size, 1000);
        QCOMPARE(library.playlistSize("Mix"), 1000);
        QCOMPARE(readTracks(library, "mix").result, MusicLibrary::kPlaylistNotFound);
        QCOMPARE(library.playlistSize("mix"), -1);

        // The empty name is the whole library, as Track objects ready for a run.
        Read all = readTracks(library, QString(), false, true);
        QCOMPARE(names(all.tracks), (QStringList{"One", "Two", "Three"}));
        const Track& one = all.tracks.at(0);
        QCOMPARE(one.path(), QString("/m/a/one.mp3"));
        QCOMPARE(one.iTunesId(), QString("0000000000000001"));
        QCOMPARE(MusicLibrary::idOf(one.iTunesId()), quint64(1));
        QCOMPARE(one.dateAdded(), 40001);
        QCOMPARE(one.localSize(), 1000);
        QVERIFY(one.onLocalSyncPlaylist() && !one.onRemoteDevice() && !one.inCache());
        QVERIFY(one.convertToMp3());
        QCOMPARE(all.entry.mItems.size(), 3);
        QCOMPARE(all.entry.mItems[2].mDateAdded, 40003);
    }

    void copyProtectedVideosAndStreams()
    {
        auto source = std::make_shared<FakeLibrarySource>(basicContent());
        MusicLibrary library(source);
        // Audiobooks are copy-protected only when the library says so; streams have no file.
        Read odd = readTracks(library, "Odd");
        QCOMPARE(names(odd.tracks), (QStringList{"Book", "Clip"}));
        QCOMPARE(names(odd.drm), (QStringList{"Shop", "Locked book"}));
        QCOMPARE(odd.entry.mItems.size(), 2);
        Read noVideos = readTracks(library, "Odd", true);
        QCOMPARE(names(noVideos.tracks), QStringList{"Book"});
    }

    void podcastsByShow()
    {
        using Source = FakeLibrarySource;
        std::vector<LibraryTrack> tracks = {
            Source::track(1, "e1", "Zeta", "/p/1.mp3"), Source::track(2, "e2", "Alpha", "/p/2.mp3"),
            Source::track(3, "e3", "Zeta", "/p/3.mp3"), Source::track(4, "e4", "Alpha", "/p/4.mp3"),
            Source::track(5, "e5", "Locked", "/p/5.mp3")};
        tracks[4].mProtected = true;
        std::vector<LibraryPlaylist> shows = {{"Zeta", {0, 2}}, {"Alpha", {1, 3}}, {"Locked", {4}}};
        auto source = std::make_shared<FakeLibrarySource>(std::make_shared<const LibraryContent>(
            std::move(tracks), QList<qint32>{}, std::vector<LibraryPlaylist>{}, std::move(shows)));
        MusicLibrary library(source);
        QCOMPARE(library.podcastNames(), (QStringList{"Zeta", "Alpha", "Locked"}));

        QList<PlaylistEntry> entries;
        TrackList episodes;
        QCOMPARE(library.podcasts({"Zeta", "Locked", ""}, entries, episodes), 0);
        QCOMPARE(entries.size(), 3);
        QCOMPARE(entries[0].mName, QString("Zeta"));
        QCOMPARE(entries[0].mItems.size(), 2);
        QCOMPARE(episodes.at(entries[0].mItems[1].mTrackIndex).trackName(), QString("e3"));
        QCOMPARE(entries[0].mItems[1].mDateAdded, 40003);
        QCOMPARE(entries[1].mItems.size(), 0); // copy-protected episode dropped
        QCOMPARE(entries[2].mItems.size(), 0); // the empty placeholder matches nothing
        QCOMPARE(episodes.count(), 2);         // Alpha was not asked for
    }

    void artworkByPersistentId()
    {
        auto source = std::make_shared<FakeLibrarySource>(basicContent());
        source->setArtwork(1, {LibraryArtwork::Png, "\x89PNG data"});
        source->setArtwork(3, {LibraryArtwork::Bmp, "BM data"});
        MusicLibrary library(source);
        Read all = readTracks(library, QString());
        const QString corvo = AppPaths::corvoFolder();

        const QString png = library.artworkFile(all.tracks.at(0));
        QCOMPARE(png, corvo + "/temp_art.png");
        QFile file(png);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("\x89PNG data"));
        QCOMPARE(library.artworkFile(all.tracks.at(2)), corvo + "/temp_art.bmp");

        // Found by its id, not by its name: a namesake elsewhere has no art.
        Track namesake = all.tracks.at(0);
        namesake.setITunesId(MusicLibrary::idText(2));
        namesake.setPath("/m/d/one.mp3");
        QCOMPARE(library.artworkFile(namesake), QString());

        // "Two" has no art: its folder is remembered and the next track there asks nothing.
        const int lookups = source->artworkLookups();
        QCOMPARE(library.artworkFile(all.tracks.at(1)), QString());
        QCOMPARE(library.artworkFile(all.tracks.at(0)), QString());
        QCOMPARE(source->artworkLookups(), lookups + 1);

        // A track the library does not know (only in the phone's cache) is not remembered.
        Track cached("Three", "Other", "Band", 1, "/m/e/three.mp3", true, false, true, {});
        QCOMPARE(library.artworkFile(cached), QString());
        Track known = all.tracks.at(2);
        known.setPath("/m/e/three.mp3");
        QCOMPARE(library.artworkFile(known), corvo + "/temp_art.bmp");
    }

    void changesOfAWatchedFolderAreTold()
    {
        QTemporaryDir folder;
        auto source = std::make_shared<FakeLibrarySource>(basicContent());
        source->setWatchedPaths({folder.path()});
        MusicLibrary library(source);
        QSignalSpy changed(&library, &MusicLibrary::libraryChanged);
        library.startWatching();
        QFile file(folder.filePath("new.mp3"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QTRY_VERIFY_WITH_TIMEOUT(changed.count() > 0, 5000);
    }

    void backgroundReadAndPodcastCache()
    {
        auto source = std::make_shared<FakeLibrarySource>(basicContent());
        MusicLibrary library(source);
        QSignalSpy finished(&library, &MusicLibrary::backgroundReadFinished);
        library.readInBackground();
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toBool(), true);
        QVERIFY(library.hasBeenRead());

        source->setContent(std::make_shared<const LibraryContent>(
            std::vector<LibraryTrack>{FakeLibrarySource::track(1, "e", "Show", "/p/e.mp3")},
            QList<qint32>{}, std::vector<LibraryPlaylist>{},
            std::vector<LibraryPlaylist>{{"Show", {0}}}));
        PodcastRamCache cache;
        cache.setSource(source);
        QSignalSpy updated(&cache, &PodcastRamCache::updated);
        cache.start();
        QVERIFY(updated.wait(5000) || updated.count() == 1);
        cache.wait();
        QStringList podcastNames;
        cache.podcasts(podcastNames);
        QCOMPARE(podcastNames, QStringList{"Show"});

        source->failReads(Kind::Unusable, -1, "gone");
        library.readInBackground();
        QTRY_COMPARE(finished.count(), 2);
        QCOMPARE(finished.at(1).at(0).toBool(), false);
    }
};

PELLMAR_TEST_MAIN(TestMusicLibrary)
#include "test_music_library.moc"
