// LocalMusicLibrary's algorithms and retry policy against a fake iTunes that injects failures.
#include "TestMain.h"
#include "library/FakeITunesApp.h"

#include "app/AppPaths.h"
#include "library/LocalMusicLibrary.h"
#include "library/PodcastRamCache.h"
#include "tracks/Track.h"
#include "tracks/TrackList.h"

#include <QSignalSpy>

using namespace itunes;
using FakeTrack = FakeITunesState::Track;
using FakePlaylist = FakeITunesState::Playlist;

namespace {

FakeTrack track(const QString& aName, const QString& aAlbum, const QString& aLocation)
{
    FakeTrack t;
    t.mName = aName;
    t.mArtist = QStringLiteral("Artist");
    t.mAlbum = aAlbum;
    t.mLocation = aLocation;
    return t;
}

FakePlaylist playlist(const QString& aName, QList<int> aTracks, qint32 aSpecialKind = 0,
                      qint32 aKind = kPlaylistKindUser)
{
    return FakePlaylist{aName, aKind, aSpecialKind, aTracks};
}

// A library, a Music playlist and one ordinary playlist over three tracks.
std::shared_ptr<FakeITunesState> basicState()
{
    auto state = std::make_shared<FakeITunesState>();
    state->mTracks = {track("One", "Album", "/m/a/one.mp3"), track("Two", "Album", "/m/a/two.mp3"),
                      track("Three", "Other", "/m/b/three.mp3")};
    state->mPlaylists = {playlist("Library", {0, 1, 2}, 0, kPlaylistKindLibrary),
                         playlist("Music", {0, 1, 2}, kSpecialKindMusic),
                         playlist("Mix", {2, 0})};
    return state;
}

struct Harness
{
    explicit Harness(std::shared_ptr<FakeITunesState> aState)
        : state(std::move(aState)), library(state->factory(state)), failures(&library, &LocalMusicLibrary::iTunesFailure),
          okays(&library, &LocalMusicLibrary::iTunesOkay)
    {
        library.setRetryWait([this](int aMs) { waits.append(aMs); });
    }
    std::shared_ptr<FakeITunesState> state;
    LocalMusicLibrary library;
    QSignalSpy failures;
    QSignalSpy okays;
    QList<int> waits;
};

int getAll(LocalMusicLibrary& aLibrary, const QString& aName, TrackList& aTracks,
           TrackList& aDrm, PlaylistEntry& aEntry, bool aIgnoreVideos = false, qint64* aSize = nullptr)
{
    qint64 size = -1;
    const int result = aLibrary.getAllTracks(aName, aTracks, size, false, aDrm, aEntry, aIgnoreVideos);
    if (aSize)
        *aSize = size;
    return result;
}

} // namespace

class TestLibraryRetry : public QObject
{
    Q_OBJECT

private slots:
    void busyCodesAreRetriedWithoutLimit()
    {
        Harness clean(basicState());
        std::shared_ptr<IITPlaylist> found;
        qint64 size = 0;
        QCOMPARE(clean.library.getPlaylist("Mix", found, size), 0);
        const int okaysPerLookup = clean.okays.count();

        Harness h(basicState());
        h.state->fail("IITPlaylist::getSize", kCallRejected, 20);
        QCOMPARE(h.library.getPlaylist("Mix", found, size), 0);
        QCOMPARE(h.state->calls("IITPlaylist::getSize"), 21);
        QCOMPARE(h.failures.count(), 20);
        QCOMPARE(h.okays.count(), okaysPerLookup);
        QCOMPARE(h.waits, QList<int>(20, 250));
        QCOMPARE(size, 2000);

        // The second busy code too, and on the creation of the application object.
        Harness c(basicState());
        QSignalSpy complete(&c.library, &LocalMusicLibrary::initialisationComplete);
        c.state->fail("create", kServerExecFailure, 30);
        c.library.initialise();
        QCOMPARE(c.state->calls("create"), 31);
        QCOMPARE(c.failures.count(), 30);
        QCOMPARE(complete.count(), 1);
        QVERIFY(c.library.isInitialised());
        c.library.initialise(); // already initialised: no second contact
        QCOMPARE(c.state->calls("create"), 31);
        QCOMPARE(complete.count(), 1);
    }

    void otherFailuresAreMadeNineTimes()
    {
        Harness h(basicState());
        h.state->fail("IITPlaylist::getSize", kFail, 100);
        std::shared_ptr<IITPlaylist> found;
        qint64 size = 0;
        QCOMPARE(h.library.getPlaylist("Mix", found, size), LocalMusicLibrary::kFailure);
        QCOMPARE(h.state->calls("IITPlaylist::getSize"), 9);
        QCOMPARE(h.waits, QList<int>(8, 250));
        QCOMPARE(h.failures.count(), 0);

        // A failure that clears up before the ninth attempt succeeds.
        Harness r(basicState());
        r.state->fail("IITPlaylist::getSize", kFail, 8);
        QCOMPARE(r.library.getPlaylist("Mix", found, size), 0);
        QCOMPARE(r.state->calls("IITPlaylist::getSize"), 9);
    }

    void realWaitIsAQuarterSecond()
    {
        auto state = basicState();
        LocalMusicLibrary library(state->factory(state));
        state->fail("IITPlaylist::getSize", kFail, 2);
        std::shared_ptr<IITPlaylist> found;
        qint64 size = 0;
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(library.getPlaylist("Mix", found, size), 0);
        QVERIFY2(timer.elapsed() >= 480, qPrintable(QString::number(timer.elapsed())));
    }

    void nullPointersAndStrings()
    {
        Harness h(basicState());
        h.state->fail("IITPlaylist::getTracks", FakeITunesState::kReturnNull);
        TrackList tracks, drm;
        PlaylistEntry entry;
        QCOMPARE(getAll(h.library, "Mix", tracks, drm, entry), LocalMusicLibrary::kFailure);
        QCOMPARE(h.state->calls("IITPlaylist::getTracks"), 1);

        // A null string reads as empty and the track is kept.
        auto state = basicState();
        state->mTracks[2].mArtist = QString();
        Harness s(state);
        QCOMPARE(getAll(s.library, "Mix", tracks, drm, entry), 0);
        QCOMPARE(tracks.count(), 2);
        QVERIFY(!tracks.at(0).artistName().isNull());
        QCOMPARE(tracks.at(0).artistName(), QString());

        // No sources at all.
        Harness n(basicState());
        n.state->fail("IiTunes::getSources", FakeITunesState::kReturnNull);
        QVERIFY(!n.library.refreshPlaylists());
        QCOMPARE(n.state->calls("IiTunes::getSources"), 1);
    }

    void libraryIsFoundAmongSources()
    {
        auto state = basicState();
        state->mOtherSourcesBefore = 2;
        Harness h(state);
        QVERIFY(h.library.refreshPlaylists());
        QCOMPARE(h.library.playlists(), QStringList{"Mix"});
        QCOMPARE(h.state->calls("IITSource::getKind"), 3);
    }

    void lookupTakesTheLastOfTwoNames()
    {
        auto state = basicState();
        state->mPlaylists.append(playlist("Mix", {1}));
        Harness h(state);
        TrackList tracks, drm;
        PlaylistEntry entry;
        qint64 size = 0;
        QCOMPARE(getAll(h.library, "Mix", tracks, drm, entry, false, &size), 0);
        QCOMPARE(entry.mName, QString("Mix"));
        QCOMPARE(tracks.count(), 1);
        QCOMPARE(tracks.at(0).trackName(), QString("Two"));
        QCOMPARE(size, 1000);
        QCOMPARE(entry.mItems.size(), 1);
        QCOMPARE(entry.mItems[0].mDateAdded, 40000);

        std::shared_ptr<IITPlaylist> found;
        QCOMPARE(h.library.getPlaylist("mix", found, size), LocalMusicLibrary::kPlaylistNotFound);
    }

    void emptyNameMeansTheMusicPlaylistOrTheFirst()
    {
        // The Music playlist is known by its kind, whatever its (localised) name; a user
        // playlist called "Music" is not it.
        auto state = basicState();
        state->mPlaylists = {playlist("Mediathek", {0, 1, 2}, 0, kPlaylistKindLibrary),
                             playlist("Musik", {0}, kSpecialKindMusic), playlist("Music", {1, 2})};
        Harness h(state);
        std::shared_ptr<IITPlaylist> found;
        qint64 size = 0;
        QCOMPARE(h.library.getPlaylist(QString(), found, size), 0);
        QString name;
        found->getName(&name);
        QCOMPARE(name, QString("Musik"));

        auto noMusic = basicState();
        noMusic->mPlaylists.removeAt(1);
        Harness n(noMusic);
        QCOMPARE(n.library.getPlaylist(QString(), found, size), 0);
        found->getName(&name);
        QCOMPARE(name, QString("Library"));
        QCOMPARE(size, 3000);
    }

    void copyProtectedAndVideos()
    {
        auto state = std::make_shared<FakeITunesState>();
        state->mTracks = {track("P", "A", "/m/p.M4P"),   track("B", "A", "/m/b.m4b"),
                          track("V", "A", "/m/v.m4v"),   track("Q", "A", "/m/q.MOV"),
                          track("S", "A", "m4p"),        track("M", "A", "/m/m.m4a"),
                          track("W", "A", "/m/w.mp3"),   track("F", "A", "/m/f.m4b")};
        state->mTracks[6].mFileTrack = false; // a stream: skipped
        // Audiobooks are copy-protected only when the library says so.
        state->mTracks[1].mProtected = true;
        state->mPlaylists = {
            playlist("Library", {0, 1, 2, 3, 4, 5, 6, 7}, 0, kPlaylistKindLibrary)};
        Harness h(state);
        TrackList tracks, drm;
        PlaylistEntry entry;
        QCOMPARE(getAll(h.library, "Library", tracks, drm, entry, true), 0);
        QCOMPARE(drm.count(), 2);
        QCOMPARE(drm.at(0).trackName(), QString("P"));
        QCOMPARE(drm.at(1).trackName(), QString("B"));
        QStringList kept;
        for (int i = 0; i < tracks.count(); ++i)
            kept << tracks.at(i).trackName();
        QCOMPARE(kept, (QStringList{"S", "M", "F"}));
        QCOMPARE(entry.mItems.size(), 3);

        TrackList all, drm2;
        PlaylistEntry entry2;
        QCOMPARE(getAll(h.library, "Library", all, drm2, entry2, false), 0);
        QCOMPARE(all.count(), 5);
        QCOMPARE(all.at(0).trackName(), QString("V"));
        QVERIFY(all.at(0).onLocalSyncPlaylist());
        QVERIFY(!all.at(0).onRemoteDevice());
    }

    void fieldFailuresKeepOrSkipTheTrack()
    {
        Harness h(basicState());
        h.state->fail("IITTrack::getArtist", kFail, 9);
        h.state->fail("IITFileOrCDTrack::getLocation", kFail, 18);
        TrackList tracks, drm;
        PlaylistEntry entry;
        QCOMPARE(getAll(h.library, "Library", tracks, drm, entry), 0);
        // The first two tracks lose their location (9 attempts each) and are skipped before
        // their artist is read; the third keeps its place with an empty artist.
        QCOMPARE(tracks.count(), 1);
        QCOMPARE(tracks.at(0).trackName(), QString("Three"));
        QCOMPARE(tracks.at(0).artistName(), QString());

        Harness c(basicState());
        c.state->mTracks[0].mCompilation = true;
        TrackList t2, d2;
        PlaylistEntry e2;
        qint64 size = 0;
        QCOMPARE(c.library.getAllTracks("Mix", t2, size, true, d2, e2, false), 0);
        QVERIFY(t2.at(1).compilation());
        QVERIFY(t2.at(0).convertToMp3());
        QCOMPARE(t2.at(0).localSize(), 1000);
    }

    void playlistNamesAndChanges()
    {
        auto state = basicState();
        state->mPlaylists << playlist("Podcasts", {}, kSpecialKindPodcasts)
                          << playlist("Folder", {}, kSpecialKindFolder)
                          << playlist("Smart", {1});
        Harness h(state);
        QVERIFY(h.library.refreshPlaylists());
        QCOMPARE(h.library.playlists(), (QStringList{"Mix", "Smart"}));
        QVERIFY(!h.library.refreshPlaylists());
        state->mPlaylists[2].mName = "Mix 2";
        QVERIFY(h.library.refreshPlaylists());
        state->mPlaylists.swapItemsAt(2, 5);
        QVERIFY(h.library.refreshPlaylists());
        QCOMPARE(h.library.playlists(), (QStringList{"Smart", "Mix 2"}));
        QVERIFY(!h.library.refreshPlaylists());
    }

    void podcastNamesInOrderOfFirstAppearance()
    {
        auto state = std::make_shared<FakeITunesState>();
        state->mTracks = {track("e1", "Zeta", "/p/1.mp3"), track("e2", "Alpha", "/p/2.mp3"),
                          track("e3", "Zeta", "/p/3.mp3"), track("e4", "", "/p/4.mp3"),
                          track("e5", "Mid", "/p/5.m4b")};
        state->mTracks[4].mProtected = true;
        state->mPlaylists = {playlist("Library", {0, 1, 2, 3, 4}, 0, kPlaylistKindLibrary),
                             playlist("Podcasts", {0, 1, 2, 3, 4}, kSpecialKindPodcasts),
                             // A user playlist with the same name must not stand in for it.
                             playlist("Podcasts", {1})};
        Harness h(state);
        h.library.refreshPlaylists();
        h.library.refreshPodcasts();
        QCOMPARE(h.library.podcasts(), (QStringList{"Zeta", "Alpha", "Mid"}));
        h.library.refreshPlaylists();
        QVERIFY(h.library.podcasts().isEmpty()); // refreshPlaylists empties the podcast names

        QList<PlaylistEntry> entries;
        TrackList tracks;
        h.library.getPodcasts({"Zeta", "Mid", QString()}, entries, tracks);
        QCOMPARE(entries.size(), 3);
        QCOMPARE(entries[0].mName, QString("Zeta"));
        QCOMPARE(entries[0].mItems.size(), 2);
        QCOMPARE(tracks.at(entries[0].mItems[1].mTrackIndex).trackName(), QString("e3"));
        QCOMPARE(entries[1].mItems.size(), 0); // copy-protected episode dropped
        QCOMPARE(entries[2].mItems.size(), 0); // the empty placeholder matches nothing
        QCOMPARE(tracks.count(), 2);            // Alpha was not asked for
    }

    void artworkFormatsAndFolderCache()
    {
        auto state = basicState();
        FakeITunesState::Artwork gif{7, "GIF89a"};
        FakeITunesState::Artwork png{kArtworkFormatPng, "\x89PNG"};
        FakeITunesState::Artwork bmp{kArtworkFormatBmp, "BM"};
        state->mTracks[0].mArtwork = {gif, png};
        state->mTracks[1].mArtwork = {};
        state->mTracks[2].mArtwork = {bmp};
        Harness h(state);
        const QString corvo = AppPaths::corvoFolder();
        QDir().mkpath(corvo);
        auto asTrack = [&](int i) {
            const auto& t = state->mTracks[i];
            return Track(t.mName, t.mAlbum, t.mArtist, 1, t.mLocation, true, false, false, {});
        };
        QCOMPARE(h.library.generateArtwork(asTrack(0)), corvo + "/temp_art.png");
        QCOMPARE(h.library.generateArtwork(asTrack(2)), corvo + "/temp_art.bmp");
        QFile saved(corvo + "/temp_art.bmp");
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), QByteArray("BM"));

        // A failed save goes on to the next picture.
        state->mTracks[0].mArtwork = {FakeITunesState::Artwork{}, png};
        h.state->fail("IITArtwork::saveArtworkToFile", kFail, 9);
        QCOMPARE(h.library.generateArtwork(asTrack(0)), corvo + "/temp_art.png");

        // "Two" has no art: its folder is remembered and the next track there asks nothing.
        state->mTracks[0].mArtwork = {FakeITunesState::Artwork{}};
        QCOMPARE(h.library.generateArtwork(asTrack(1)), QString());
        const int before = h.state->totalCalls();
        QCOMPARE(h.library.generateArtwork(asTrack(0)), QString());
        QCOMPARE(h.state->totalCalls(), before);

        // A track the library does not know is not remembered.
        Track unknown("Nowhere", "X", "Y", 1, "/m/c/n.mp3", true, false, false, {});
        QCOMPARE(h.library.generateArtwork(unknown), QString());
        state->mTracks.append(track("Nowhere", "X", "/m/c/n.mp3"));
        state->mTracks.last().mArtist = "Y";
        state->mTracks.last().mArtwork = {FakeITunesState::Artwork{}};
        state->mPlaylists[1].mTracks.append(3);
        QCOMPARE(h.library.generateArtwork(unknown), corvo + "/temp_art.jpg");
    }

    void eventsReachTheLibraryUntilItIsGone()
    {
        auto state = basicState();
        {
            LocalMusicLibrary library(state->factory(state));
            QSignalSpy events(&library, &LocalMusicLibrary::localLibraryEvent);
            QCOMPARE(library.listenForITunesEvents(), kOk);
            QCOMPARE(library.listenForITunesEvents(), kOk);
            QCOMPARE(state->advisedSinks(), 1);
            state->fireEvent();
            state->fireEvent();
            QCOMPARE(events.count(), 2);
        }
        QCOMPARE(state->advisedSinks(), 0);

        Harness f(basicState());
        f.state->fail("create", kFail, 9);
        QCOMPARE(f.library.listenForITunesEvents(), kFail);
        QCOMPARE(f.state->advisedSinks(), 0);
    }

    void initialiseThreadAndPodcastCache()
    {
        auto state = basicState();
        LocalMusicLibrary library(state->factory(state));
        QSignalSpy complete(&library, &LocalMusicLibrary::initialisationComplete);
        library.initialiseInNewThread();
        QVERIFY(complete.wait(5000) || complete.count() == 1);
        library.initialiseThread().wait();
        QVERIFY(library.isInitialised());

        state->mTracks[0].mAlbum = "Show";
        state->mPlaylists.append(playlist("Podcasts", {0, 0}, kSpecialKindPodcasts));
        PodcastRamCache cache;
        cache.setAppFactory(state->factory(state));
        QSignalSpy updated(&cache, &PodcastRamCache::updated);
        cache.start();
        QVERIFY(updated.wait(5000) || updated.count() == 1);
        cache.wait();
        QStringList names;
        cache.podcasts(names);
        QCOMPARE(names, QStringList{"Show"});
    }

    void destroyingStopsEndlessRetries()
    {
        auto state = basicState();
        state->fail("create", kCallRejected, 1000000);
        auto* library = new LocalMusicLibrary(state->factory(state));
        library->initialiseInNewThread();
        QTest::qWait(300);
        QElapsedTimer timer;
        timer.start();
        delete library;
        QVERIFY(timer.elapsed() < 2000);
    }
};

PELLMAR_TEST_MAIN(TestLibraryRetry)
#include "test_library_retry.moc"
