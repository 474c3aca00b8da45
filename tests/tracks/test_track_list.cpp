// Track ids and the merge of library and cache tracks in a TrackList.

#include "TestMain.h"

#include "app/AppPaths.h"
#include "tracks/Track.h"
#include "tracks/TrackList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <random>
#include <vector>

namespace {

// A track as the library hands it over: on the sync playlist, not on the phone.
Track libraryTrack(const QString& aName, const QString& aPath, qint64 aLocalSize = 1000)
{
    Track track(aName, QStringLiteral("Album"), QStringLiteral("Artist"), 3, aPath, true, false,
                false, QString());
    track.setLocalSize(aLocalSize);
    return track;
}

// A track as the cache hands it over: in the cache, on the phone unless deleted.
Track cachedTrack(const QString& aName, const QString& aPath, qint64 aSizeOnDevice,
                  bool aOnDevice = true, const QString& aDeviceId = QStringLiteral("\\Music\\x"))
{
    Track track;
    track.set(aName, QStringLiteral("Album"), QStringLiteral("Artist"), 3, aPath, false,
              aOnDevice, true, aDeviceId, 120, aSizeOnDevice);
    track.setDeviceIdFilePosition(96);
    return track;
}

} // namespace

class TestTrackList : public QObject
{
    Q_OBJECT

private slots:
    void uniqueIdMarksMp3Tracks_data();
    void uniqueIdMarksMp3Tracks();
    void fileExtensionAndConversion();
    void sizeOnDeviceNeedsDeviceId();
    void sameLibraryTrackTwiceCountsOnce();
    void cacheThenLibraryLeavesNothingToCopy();
    void libraryThenCacheCountsUpAndDown();
    void convertedCacheTrackMeetsItsSource();
    void existingPathIsKeptMissingPathReplaced();
    void mergeFillsGapsAndNeverClearsFlags();
    void totalsDoNotDependOnOrder();
    void indexesStayStable();
};

void TestTrackList::uniqueIdMarksMp3Tracks_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("convert");
    QTest::addColumn<bool>("converted");
    QTest::addColumn<QString>("expected");

    QTest::newRow("mp3 in capitals") << "Song" << "/m/Song.MP3" << false << false
                                     << "SongAlbumArtist3mp3";
    QTest::newRow("aac") << "Song" << "/m/Song.m4a" << false << false << "SongAlbumArtist3";
    QTest::newRow("aac to convert") << "Song" << "/m/Song.m4a" << true << false
                                    << "SongAlbumArtist3mp3";
    QTest::newRow("converted copy") << "Song" << "/m/Song.m4a" << false << true
                                    << "SongAlbumArtist3mp3";
    QTest::newRow("mp3 to convert stays mp3") << "Song" << "/m/Song.mp3" << true << false
                                              << "SongAlbumArtist3mp3";
    QTest::newRow("path of three letters") << "" << "mp3" << false << false << "AlbumArtist3";
    QTest::newRow("no strings") << "" << "" << false << false << "AlbumArtist3";
}

void TestTrackList::uniqueIdMarksMp3Tracks()
{
    QFETCH(QString, name);
    QFETCH(QString, path);
    QFETCH(bool, convert);
    QFETCH(bool, converted);
    QFETCH(QString, expected);
    Track track = libraryTrack(name, path);
    track.setConvertToMp3(convert);
    track.setConverted(converted);
    QCOMPARE(track.uniqueId(), expected);

    Track bare;
    bare.setTrackNumberOnAlbum(-12);
    QCOMPARE(bare.uniqueId(), QStringLiteral("-12"));
}

void TestTrackList::fileExtensionAndConversion()
{
    QCOMPARE(libraryTrack("a", "abc").fileExtension(), QString());
    QCOMPARE(libraryTrack("a", "a.ogg").fileExtension(), QStringLiteral("ogg"));
    QCOMPARE(libraryTrack("a", "/m/x.aiff").fileExtension(), QStringLiteral("aiff"));
    QCOMPARE(libraryTrack("a", "/m.d/x").fileExtension(), QString());

    // The extension after the last dot is replaced, whatever its length.
    QCOMPARE(Track::convertedFileName("x.aiff"), QStringLiteral("x.mp3"));
    QCOMPARE(Track::convertedFileName("x.m4a"), QStringLiteral("x.mp3"));
    QCOMPARE(Track::convertedFileName("a.b.flac"), QStringLiteral("a.b.mp3"));
    QCOMPARE(Track::convertedFileName("noext"), QStringLiteral("noext.mp3"));
    Track aiff = libraryTrack("a", "/m/x.aiff");
    aiff.setConvertToMp3(true);
    QVERIFY(aiff.needsConversion());
    // Only a real ".mp3" extension is spared conversion.
    Track bare = libraryTrack("a", "/m/xmp3");
    bare.setConvertToMp3(true);
    QVERIFY(bare.needsConversion());

    Track aac = libraryTrack("a", "/m/a.m4a");
    QVERIFY(!aac.needsConversion());
    QCOMPARE(aac.uploadSourcePath(), QStringLiteral("/m/a.m4a"));
    aac.setConvertToMp3(true);
    QVERIFY(aac.needsConversion());
    QCOMPARE(aac.uploadSourcePath(), AppPaths::corvoFolder() + QStringLiteral("/temp.mp3"));

    Track mp3 = libraryTrack("a", "/m/a.Mp3");
    mp3.setConvertToMp3(true);
    QVERIFY(!mp3.needsConversion());
    QCOMPARE(mp3.uploadSourcePath(), QStringLiteral("/m/a.Mp3"));
}

void TestTrackList::sizeOnDeviceNeedsDeviceId()
{
    TrackList list;
    list.addTrack(cachedTrack("a", "/m/a.mp3", 700, true, QString()));
    list.addTrack(cachedTrack("b", "/m/b.mp3", 500, true));
    QCOMPARE(list.at(0).sizeOnDevice(), qint64(0));
    QCOMPARE(list.at(0).rawSizeOnDevice(), qint64(700));
    QCOMPARE(list.totalSizeOnDevice(), qint64(500));
}

void TestTrackList::sameLibraryTrackTwiceCountsOnce()
{
    TrackList list;
    const Track track = libraryTrack("Song", "/m/Song.m4a", 4000);
    QCOMPARE(list.addTrack(track), 0);
    QCOMPARE(list.addTrack(track), 0);
    QCOMPARE(list.count(), 1);
    QCOMPARE(list.totalTracksToCopy(), 1);
    QCOMPARE(list.totalLocalSize(), qint64(4000));
    QCOMPARE(list.totalSizeOnDevice(), qint64(0));
}

void TestTrackList::cacheThenLibraryLeavesNothingToCopy()
{
    TrackList list;
    list.addTrack(cachedTrack("Song", "/m/Song.mp3", 3000));
    QCOMPARE(list.totalTracksToCopy(), 0);
    list.addTrack(libraryTrack("Song", "/m/Song.mp3", 3100));
    QCOMPARE(list.count(), 1);
    QCOMPARE(list.totalTracksToCopy(), 0);
    QCOMPARE(list.totalSizeOnDevice(), qint64(3000));
    QCOMPARE(list.totalLocalSize(), qint64(3100));
    const Track& held = list.at(0);
    QVERIFY(held.onLocalSyncPlaylist());
    QVERIFY(held.onRemoteDevice());
    QVERIFY(held.inCache());
    QCOMPARE(held.flagsFilePosition(), 120);
}

void TestTrackList::libraryThenCacheCountsUpAndDown()
{
    TrackList list;
    list.addTrack(libraryTrack("Song", "/m/Song.mp3", 3100));
    QCOMPARE(list.totalTracksToCopy(), 1);
    list.addTrack(cachedTrack("Song", "/m/Song.mp3", 3000));
    QCOMPARE(list.count(), 1);
    QCOMPARE(list.totalTracksToCopy(), 0);
    QCOMPARE(list.totalSizeOnDevice(), qint64(3000));
    QCOMPARE(list.totalLocalSize(), qint64(3100));
    // The held library track now knows where the cache keeps it, so that a later deletion
    // or re-copy updates the right record.
    const Track& held = list.at(0);
    QVERIFY(held.inCache());
    QCOMPARE(held.deviceId(), QStringLiteral("\\Music\\x"));
    QCOMPARE(held.flagsFilePosition(), 120);
    QCOMPARE(held.deviceIdFilePosition(), qint64(96));

    // A cached track that was deleted from the phone is still to be copied.
    TrackList again;
    again.addTrack(libraryTrack("Song", "/m/Song.mp3"));
    again.addTrack(cachedTrack("Song", "/m/Song.mp3", 3000, false));
    QCOMPARE(again.totalTracksToCopy(), 1);
    QCOMPARE(again.totalSizeOnDevice(), qint64(0));
}

void TestTrackList::convertedCacheTrackMeetsItsSource()
{
    TrackList list;
    Track cached = cachedTrack("Song", "/m/Song.m4a", 2000);
    cached.setConverted(true);
    list.addTrack(cached);
    Track source = libraryTrack("Song", "/m/Song.m4a");
    source.setConvertToMp3(true);
    QCOMPARE(list.addTrack(source), 0);
    QCOMPARE(list.count(), 1);
    QCOMPARE(list.totalTracksToCopy(), 0);
    QVERIFY(list.at(0).convertToMp3());

    // Without conversion the AAC file is another track than the MP3 on the phone.
    QCOMPARE(list.addTrack(libraryTrack("Song", "/m/Song.m4a")), 1);
    QCOMPARE(list.totalTracksToCopy(), 1);
}

void TestTrackList::existingPathIsKeptMissingPathReplaced()
{
    QTemporaryDir dir;
    const QString existing = dir.filePath(QStringLiteral("Song.mp3"));
    QFile file(existing);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    TrackList list;
    list.addTrack(cachedTrack("Song", existing, 10));
    list.addTrack(libraryTrack("Song", dir.filePath(QStringLiteral("moved/Song.mp3"))));
    QCOMPARE(list.at(0).path(), existing);

    const QString gone = dir.filePath(QStringLiteral("gone/Other.mp3"));
    const QString now = dir.filePath(QStringLiteral("new/Other.mp3"));
    list.addTrack(cachedTrack("Other", gone, 10));
    list.addTrack(libraryTrack("Other", now));
    QCOMPARE(list.at(1).path(), now);
}

void TestTrackList::mergeFillsGapsAndNeverClearsFlags()
{
    TrackList list;
    Track first = libraryTrack("Song", "/m/Song.mp3");
    first.setCompilation(true);
    list.addTrack(first);

    Track second = cachedTrack("Song", "/m/Song.mp3", 10, false);
    second.setDuration(215);
    second.setDateAdded(738000);
    list.addTrack(second);
    const Track& held = list.at(0);
    QCOMPARE(held.duration(), 215);
    QCOMPARE(held.dateAdded(), qint64(738000));
    QVERIFY(held.compilation());
    QVERIFY(held.onLocalSyncPlaylist());
    QVERIFY(held.inCache());

    Track third = libraryTrack("Song", "/m/Song.mp3");
    third.setOnLocalSyncPlaylist(false);
    third.setDuration(1);
    third.setDateAdded(1);
    list.addTrack(third);
    QCOMPARE(held.duration(), 215);
    QCOMPARE(held.dateAdded(), qint64(738000));
    QVERIFY(held.onLocalSyncPlaylist());
    QVERIFY(held.compilation());
    QVERIFY(held.inCache());
}

void TestTrackList::totalsDoNotDependOnOrder()
{
    // Library: A, B, C (C also on the phone), D; cache: C, E (on the phone), F (deleted),
    // A (deleted earlier, so still to copy).
    std::vector<Track> tracks = {
        libraryTrack("A", "/m/A.mp3", 100),  libraryTrack("B", "/m/B.m4a", 200),
        libraryTrack("C", "/m/C.mp3", 300),  libraryTrack("D", "/m/D.mp3", 400),
        cachedTrack("C", "/m/C.mp3", 30),    cachedTrack("E", "/m/E.mp3", 50),
        cachedTrack("F", "/m/F.mp3", 60, false), cachedTrack("A", "/m/A.mp3", 10, false),
        libraryTrack("B", "/m/B.m4a", 200),
    };
    std::vector<size_t> order(tracks.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::mt19937 random(20261207);
    for (int round = 0; round < 400; ++round) {
        TrackList list;
        for (size_t i : order)
            list.addTrack(tracks[i]);
        QCOMPARE(list.count(), 6);
        // A, B and D are chosen and not on the phone.
        QCOMPARE(list.totalTracksToCopy(), 3);
        QCOMPARE(list.totalLocalSize(), qint64(1000));
        QCOMPARE(list.totalSizeOnDevice(), qint64(80));
        if (round == 0)
            std::reverse(order.begin(), order.end());
        else
            std::shuffle(order.begin(), order.end(), random);
    }
}

void TestTrackList::indexesStayStable()
{
    TrackList list;
    for (int i = 0; i < 50; ++i)
        QCOMPARE(list.addTrack(libraryTrack(QString::number(i), "/m/x.mp3")), i);
    QCOMPARE(list.addTrack(libraryTrack(QStringLiteral("17"), "/m/x.mp3")), 17);
    QCOMPARE(list.indexOf(libraryTrack(QStringLiteral("17"), "/m/x.mp3").uniqueId()), 17);
    QCOMPARE(list.indexOf(QStringLiteral("missing")), -1);
    QCOMPARE(list.at(17).trackName(), QStringLiteral("17"));
}

PELLMAR_TEST_MAIN(TestTrackList)
#include "test_track_list.moc"
