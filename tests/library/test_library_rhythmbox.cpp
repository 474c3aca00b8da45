// Rhythmbox's library as Rhythmbox leaves it in ~/.local/share/rhythmbox: songs, static
// playlists, downloaded podcast episodes, and a database cut short by a crash or a full disk.
#include "TestMain.h"

#include "library/RhythmboxFiles.h"
#include "library/rhythmbox/RhythmboxPlaylistReader.h"
#include "library/rhythmbox/RhythmboxSource.h"
#include "library/rhythmbox/RhythmdbReader.h"

#include <QBuffer>

#include <QFile>
#include <QTemporaryDir>

namespace {

RhythmboxFiles::Song song(const QString& aTitle, const QString& aPath)
{
    RhythmboxFiles::Song s;
    s.mTitle = aTitle;
    s.mArtist = QStringLiteral("Artist");
    s.mAlbum = QStringLiteral("Album");
    s.mPath = aPath;
    return s;
}

QStringList namesOf(const LibraryContent& aContent, const QList<qint32>& aIndexes)
{
    QStringList names;
    for (qint32 index : aIndexes)
        names.append(aContent.tracks()[size_t(index)].mName);
    return names;
}

} // namespace

class TestLibraryRhythmbox : public QObject
{
    Q_OBJECT

private slots:
    void songsReadWithTheirTagsAndFiles();
    void idsStayWhenTheDatabaseIsRewritten();
    void staticPlaylistsInOrderAutomaticOnesNamed();
    void downloadedPodcastPostsFormShows();
    void databaseCutShortKeepsTheEntriesBeforeTheCut();
    void databaseCutAnywhereNeverLosesACompleteEntry();
    void playlistFileCutShortKeepsWholePlaylists();
    void fileThatIsNoDatabaseIsRefused();
};

void TestLibraryRhythmbox::songsReadWithTheirTagsAndFiles()
{
    QTemporaryDir dir;
    RhythmboxFiles files;
    RhythmboxFiles::Song first = song(QStringLiteral("Café & Crème <live>"),
                                      dir.path() + QStringLiteral("/Music/Zoë/01 Straße #1.mp3"));
    first.mAlbumArtist = QStringLiteral("Various");
    first.mGenre = QStringLiteral("Chanson");
    first.mTrackNumber = 3;
    first.mDiscNumber = 2;
    first.mDurationSeconds = 215;
    first.mFileSize = 4321000;
    first.mDate = RhythmboxFiles::dateOfYear(1998);
    first.mFirstSeen = 1700000000;
    files.addSong(first);
    files.addRadioStation(QStringLiteral("Jazz FM"), QStringLiteral("http://radio.example/jazz"));
    files.addSong(song(QStringLiteral("Second"), dir.path() + QStringLiteral("/Music/b.ogg")));

    RhythmboxSource source(files.write(dir.path() + QStringLiteral("/rhythmbox")));
    const LibraryRead read = source.read();
    QVERIFY2(read.mContent, qPrintable(read.mError.mReason));
    QVERIFY(!read.mIncomplete);
    const LibraryContent& content = *read.mContent;
    QCOMPARE(namesOf(content, content.wholeLibrary()),
             QStringList({QStringLiteral("Café & Crème <live>"), QStringLiteral("Second")}));
    const LibraryTrack& track = content.tracks()[size_t(content.wholeLibrary()[0])];
    QCOMPARE(track.mArtist, QStringLiteral("Artist"));
    QCOMPARE(track.mAlbumArtist, QStringLiteral("Various"));
    QCOMPARE(track.mGenre, QStringLiteral("Chanson"));
    QCOMPARE(track.mTrackNumber, 3);
    QCOMPARE(track.mDiscNumber, 2);
    QCOMPARE(track.mDurationMs, 215000);
    QCOMPARE(track.mSize, qint64(4321000));
    QCOMPARE(track.mYear, 1998);
    // 2023-11-14 22:13:20 UTC.
    QCOMPARE(track.mDateAdded, 1700000000 / 86400.0 + 25569.0);
    QVERIFY(!track.mRemote);
    QVERIFY(track.mLocation.contains(QStringLiteral("%20Stra%C3%9Fe%20%231.mp3")));
    QCOMPARE(source.filePath(track), dir.path() + QStringLiteral("/Music/Zoë/01 Straße #1.mp3"));
    QCOMPARE(source.kindName(), QStringLiteral("Rhythmbox"));
    QVERIFY(source.watchedPaths().contains(dir.path() + QStringLiteral("/rhythmbox/playlists.xml")));
}

void TestLibraryRhythmbox::idsStayWhenTheDatabaseIsRewritten()
{
    QTemporaryDir dir;
    const QString a = dir.path() + QStringLiteral("/a.mp3");
    const QString b = dir.path() + QStringLiteral("/b.mp3");
    RhythmboxFiles files;
    files.addSong(song(QStringLiteral("A"), a));
    files.addSong(song(QStringLiteral("B"), b));
    const QString path = files.write(dir.path() + QStringLiteral("/one"));
    // Rhythmbox writes its entries in hash order: the same library in another order.
    RhythmboxFiles reordered;
    reordered.addSong(song(QStringLiteral("B"), b));
    reordered.addSong(song(QStringLiteral("A"), a));
    const QString other = reordered.write(dir.path() + QStringLiteral("/two"));

    const auto idsByName = [](const QString& aPath) {
        RhythmboxSource source(aPath);
        const LibraryRead read = source.read();
        QMap<QString, quint64> ids;
        for (const LibraryTrack& track : read.mContent->tracks())
            ids.insert(track.mName, track.mPersistentId);
        return ids;
    };
    const QMap<QString, quint64> first = idsByName(path);
    QCOMPARE(first.size(), 2);
    QVERIFY(first.value(QStringLiteral("A")) != 0);
    QVERIFY(first.value(QStringLiteral("A")) != first.value(QStringLiteral("B")));
    QCOMPARE(idsByName(other), first);

    // A second read of an unchanged file is the same read.
    RhythmboxSource source(path);
    const LibraryRead once = source.read();
    QCOMPARE(source.read().mContent, once.mContent);
}

void TestLibraryRhythmbox::staticPlaylistsInOrderAutomaticOnesNamed()
{
    QTemporaryDir dir;
    RhythmboxFiles files;
    QStringList paths;
    for (const QString& name : {QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three")}) {
        paths.append(dir.path() + u'/' + name + QStringLiteral(" & more.flac"));
        files.addSong(song(name, paths.last()));
    }
    files.addAutomaticPlaylist(QStringLiteral("My Top Rated"));
    files.addStaticPlaylist(QStringLiteral("Road trip"),
                            {paths[2], paths[0], dir.path() + QStringLiteral("/gone.mp3"), paths[2]});
    files.addAutomaticPlaylist(QStringLiteral("Recently Added"));
    files.addStaticPlaylist(QStringLiteral("Empty"), {});
    files.addStaticPlaylist(QStringLiteral("Road trip"), {paths[1]});

    RhythmboxSource source(files.write(dir.path()));
    const LibraryRead read = source.read();
    QVERIFY(read.mContent);
    const auto& playlists = read.mContent->playlists();
    QCOMPARE(playlists.size(), size_t(3));
    QCOMPARE(playlists[0].mName, QStringLiteral("Road trip"));
    // A location Rhythmbox lists twice is one entry; one that is no song is left out and said.
    QCOMPARE(namesOf(*read.mContent, playlists[0].mTrackIndexes),
             QStringList({QStringLiteral("Three"), QStringLiteral("One")}));
    QCOMPARE(playlists[1].mName, QStringLiteral("Empty"));
    QVERIFY(playlists[1].mTrackIndexes.isEmpty());
    QCOMPARE(namesOf(*read.mContent, playlists[2].mTrackIndexes), QStringList({QStringLiteral("Two")}));
    QCOMPARE(read.mContent->unsupportedPlaylists(),
             QStringList({QStringLiteral("My Top Rated"), QStringLiteral("Recently Added")}));
    QCOMPARE(read.mWarnings.size(), 1);
    QVERIFY(read.mWarnings[0].contains(QStringLiteral("Road trip")));
    // A playlist entry that is not in the library does not make the library incomplete.
    QVERIFY(!read.mIncomplete);
}

void TestLibraryRhythmbox::downloadedPodcastPostsFormShows()
{
    QTemporaryDir dir;
    RhythmboxFiles files;
    files.addSong(song(QStringLiteral("Music"), dir.path() + QStringLiteral("/m.mp3")));
    const auto post = [&](const QString& aTitle, const QString& aFeed, qint64 aTime,
                          bool aDownloaded, qint64 aStatus = 100) {
        RhythmboxFiles::PodcastPost p;
        p.mTitle = aTitle;
        p.mFeed = aFeed;
        p.mPostTime = aTime;
        p.mRemoteUrl = QStringLiteral("https://feeds.example/") + aTitle + QStringLiteral(".mp3");
        if (aDownloaded)
            p.mPath = dir.path() + QStringLiteral("/Podcasts/") + aFeed + u'/' + aTitle + QStringLiteral(".mp3");
        p.mStatus = aStatus;
        files.addPodcastPost(p);
    };
    post(QStringLiteral("Later"), QStringLiteral("Science Hour"), 1710000000, true);
    post(QStringLiteral("Not fetched"), QStringLiteral("Science Hour"), 1720000000, false, 0);
    post(QStringLiteral("Half fetched"), QStringLiteral("Science Hour"), 1730000000, true, 40);
    post(QStringLiteral("Earlier"), QStringLiteral("Science Hour"), 1700000000, true);
    post(QStringLiteral("Pilot"), QStringLiteral("Art Talk"), 1690000000, true);

    RhythmboxSource source(files.write(dir.path() + QStringLiteral("/rb")));
    const LibraryRead read = source.read();
    QVERIFY(read.mContent);
    const LibraryContent& content = *read.mContent;
    QCOMPARE(namesOf(content, content.wholeLibrary()), QStringList({QStringLiteral("Music")}));
    const auto& shows = content.podcasts();
    QCOMPARE(shows.size(), size_t(2));
    QCOMPARE(shows[0].mName, QStringLiteral("Art Talk"));
    QCOMPARE(shows[1].mName, QStringLiteral("Science Hour"));
    QCOMPARE(namesOf(content, shows[1].mTrackIndexes),
             QStringList({QStringLiteral("Earlier"), QStringLiteral("Later")}));
    const LibraryTrack& episode = content.tracks()[size_t(shows[1].mTrackIndexes[1])];
    QVERIFY(episode.mPodcast);
    // The post's publication time, so that the newest episodes are the ones chosen.
    QCOMPARE(episode.mDateAdded, 1710000000 / 86400.0 + 25569.0);
    QCOMPARE(source.filePath(episode),
             dir.path() + QStringLiteral("/Podcasts/Science Hour/Later.mp3"));
}

void TestLibraryRhythmbox::databaseCutShortKeepsTheEntriesBeforeTheCut()
{
    QTemporaryDir dir;
    RhythmboxFiles files;
    for (int i = 1; i <= 3; ++i)
        files.addSong(song(QStringLiteral("Song %1").arg(i),
                           dir.path() + QStringLiteral("/%1.mp3").arg(i)));
    const QString path = files.write(dir.path());
    const QByteArray whole = files.database();
    // Cut inside the third entry's location.
    const qsizetype cut = whole.indexOf("3.mp3</location>");
    QVERIFY(cut > 0);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(whole.left(cut));
    file.close();

    RhythmboxSource source(path);
    const LibraryRead read = source.read();
    QVERIFY2(read.mContent, qPrintable(read.mError.mReason));
    QCOMPARE(read.mError.mKind, LibraryReadError::Kind::None);
    QVERIFY(read.mIncomplete);
    QCOMPARE(namesOf(*read.mContent, read.mContent->wholeLibrary()),
             QStringList({QStringLiteral("Song 1"), QStringLiteral("Song 2")}));
    QCOMPARE(read.mWarnings.size(), 1);
    QVERIFY(read.mWarnings[0].contains(QStringLiteral("cut short")));
}

void TestLibraryRhythmbox::databaseCutAnywhereNeverLosesACompleteEntry()
{
    RhythmboxFiles files;
    files.addSong(song(QStringLiteral("A"), QStringLiteral("/m/a.mp3")));
    files.addRadioStation(QStringLiteral("Radio"), QStringLiteral("http://radio.example/"));
    files.addSong(song(QStringLiteral("B"), QStringLiteral("/m/b.mp3")));
    const QByteArray whole = files.database();
    const qsizetype rootEnd = whole.indexOf("<rhythmdb version=\"2.0\">") + 24;
    const qsizetype documentEnd = whole.indexOf("</rhythmdb>") + 11;
    // Where each song's entry ends (the radio station's is the second).
    QList<qsizetype> songEnds;
    for (qsizetype end = whole.indexOf("</entry>"); end >= 0; end = whole.indexOf("</entry>", end + 1))
        songEnds.append(end + 8);
    songEnds.removeAt(1);
    for (qsizetype cut = 0; cut < whole.size(); ++cut) {
        QByteArray part = whole.left(cut);
        QBuffer buffer(&part);
        buffer.open(QIODevice::ReadOnly);
        RhythmdbReader reader;
        const bool read = reader.read(&buffer);
        if (cut < rootEnd) {
            QVERIFY2(!read, qPrintable(QString::number(cut)));
            continue;
        }
        QVERIFY2(read, qPrintable(QString::number(cut)));
        // Every song whose entry ended before the cut, and the read says what it lacks.
        const qsizetype songsBefore = std::count_if(songEnds.cbegin(), songEnds.cend(),
                                                    [cut](qsizetype aEnd) { return aEnd <= cut; });
        QCOMPARE(reader.songs().size(), songsBefore);
        QCOMPARE(reader.incomplete(), cut < documentEnd);
    }
}

void TestLibraryRhythmbox::playlistFileCutShortKeepsWholePlaylists()
{
    RhythmboxFiles files;
    files.addStaticPlaylist(QStringLiteral("First"), {QStringLiteral("/m/a.mp3"), QStringLiteral("/m/b.mp3")});
    files.addStaticPlaylist(QStringLiteral("Second"), {QStringLiteral("/m/a.mp3"), QStringLiteral("/m/b.mp3")});
    QByteArray part = files.playlists();
    // Inside the second playlist, after its first entry: it would reach the phone one short.
    part.truncate(part.indexOf("b.mp3", part.indexOf("Second")));
    QBuffer buffer(&part);
    buffer.open(QIODevice::ReadOnly);
    RhythmboxPlaylistReader reader;
    QVERIFY(reader.read(&buffer));
    QCOMPARE(reader.playlists().size(), size_t(1));
    QCOMPARE(reader.playlists()[0].mName, QStringLiteral("First"));
    QCOMPARE(reader.playlists()[0].mLocations.size(), 2);
    QVERIFY(reader.incomplete());
}

void TestLibraryRhythmbox::fileThatIsNoDatabaseIsRefused()
{
    QTemporaryDir dir;
    QFile file(dir.path() + QStringLiteral("/rhythmdb.xml"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<?xml version=\"1.0\"?>\n<rhythmdb-playlists/>\n");
    file.close();
    RhythmboxSource wrongFile(file.fileName());
    LibraryRead read = wrongFile.read();
    QVERIFY(!read.mContent);
    QCOMPARE(read.mError.mKind, LibraryReadError::Kind::Unusable);
    QVERIFY(!RhythmboxSource::recognises(file.fileName()));

    RhythmboxSource missing(dir.path() + QStringLiteral("/none/rhythmdb.xml"));
    read = missing.read();
    QVERIFY(!read.mContent);
    QCOMPARE(read.mError.mKind, LibraryReadError::Kind::Unusable);
    QVERIFY(read.mError.mReason.contains(QStringLiteral("none/rhythmdb.xml")));
}

PELLMAR_TEST_MAIN(TestLibraryRhythmbox)
#include "test_library_rhythmbox.moc"
