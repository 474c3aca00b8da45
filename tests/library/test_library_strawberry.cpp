// Strawberry's and Clementine's SQLite databases, read while the player may be running: the
// collection, the saved playlists in the player's order, and a database the player has locked.
#include "TestMain.h"

#include "library/PlayerDatabaseFiles.h"
#include "library/strawberry/PlayerDatabaseConnection.h"
#include "library/strawberry/StrawberrySource.h"

#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>

using Layout = PlayerDatabaseFiles::Layout;

namespace {

PlayerDatabaseFiles::Song song(const QString& aTitle, const QString& aPath)
{
    PlayerDatabaseFiles::Song s;
    s.mTitle = aTitle;
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

QStringList playlistNames(const LibraryContent& aContent)
{
    QStringList names;
    for (const LibraryPlaylist& playlist : aContent.playlists())
        names.append(playlist.mName);
    return names;
}

} // namespace

class TestLibraryStrawberry : public QObject
{
    Q_OBJECT

private slots:
    void songsReadWithTheirTags_data();
    void songsReadWithTheirTags();
    void playlistsInThePlayersOrder_data();
    void playlistsInThePlayersOrder();
    void coverChosenInThePlayerIsTheArtwork();
    void clementinePodcastsAreTheDownloadedEpisodes();
    void writeTransactionOfThePlayerIsNotSeen();
    void databaseLockedByThePlayerIsBusy();
    void fileThatIsNoPlayerDatabaseIsRefused();
};

void TestLibraryStrawberry::songsReadWithTheirTags_data()
{
    QTest::addColumn<Layout>("layout");
    QTest::newRow("Strawberry") << Layout::Strawberry;
    QTest::newRow("Strawberry 1.0") << Layout::Strawberry16;
    QTest::newRow("Clementine") << Layout::Clementine;
}

void TestLibraryStrawberry::songsReadWithTheirTags()
{
    QFETCH(Layout, layout);
    QTemporaryDir dir;
    const QString databasePath = dir.path() + QStringLiteral("/player.db");
    {
        PlayerDatabaseFiles database(databasePath, layout);
        PlayerDatabaseFiles::Song first =
            song(QStringLiteral("Añoranza"), dir.path() + QStringLiteral("/Música/01 #1 100%.flac"));
        first.mArtist = QStringLiteral("Zoë");
        first.mAlbumArtist = QStringLiteral("Various");
        first.mAlbum = QStringLiteral("Tangos");
        first.mGenre = QStringLiteral("Tango");
        first.mTrack = 4;
        first.mDisc = 2;
        first.mYear = 1987;
        first.mLengthNs = 187'500'000'000;
        first.mFileSize = 9876543;
        first.mCTime = 1600000000;
        first.mCompilation = true;
        database.addSong(first);
        // Missing while its drive is away: still the user's song.
        PlayerDatabaseFiles::Song away = song(QStringLiteral("Away"), QStringLiteral("/media/usb/a.mp3"));
        away.mUnavailable = true;
        database.addSong(away);
        PlayerDatabaseFiles::Song part = song(QStringLiteral("Side B"), dir.path() + QStringLiteral("/live.flac"));
        part.mCuePath = dir.path() + QStringLiteral("/live.cue");
        part.mBeginningNs = 600'000'000'000;
        database.addSong(part);
    }
    const StrawberrySource::Player player =
        layout == Layout::Clementine ? StrawberrySource::Player::Clementine : StrawberrySource::Player::Strawberry;
    StrawberrySource::Player recognised = StrawberrySource::Player::Strawberry;
    QVERIFY(StrawberrySource::recognises(databasePath, &recognised));
    QCOMPARE(recognised, player);

    StrawberrySource source(databasePath, player);
    const LibraryRead read = source.read();
    QVERIFY2(read.mContent, qPrintable(read.mError.mReason));
    QVERIFY(!read.mIncomplete);
    const LibraryContent& content = *read.mContent;
    QCOMPARE(namesOf(content, content.wholeLibrary()),
             QStringList({QStringLiteral("Añoranza"), QStringLiteral("Away")}));
    // The part of a CUE sheet has no file of its own to copy: left out, and said.
    QCOMPARE(read.mWarnings.size(), 1);
    QVERIFY(read.mWarnings[0].contains(QStringLiteral("CUE")));
    const LibraryTrack& track = content.tracks()[size_t(content.wholeLibrary()[0])];
    QCOMPARE(track.mArtist, QStringLiteral("Zoë"));
    QCOMPARE(track.mAlbumArtist, QStringLiteral("Various"));
    QCOMPARE(track.mAlbum, QStringLiteral("Tangos"));
    QCOMPARE(track.mGenre, QStringLiteral("Tango"));
    QCOMPARE(track.mTrackNumber, 4);
    QCOMPARE(track.mDiscNumber, 2);
    QCOMPARE(track.mYear, 1987);
    QCOMPARE(track.mDurationMs, 187500);
    QCOMPARE(track.mSize, qint64(9876543));
    QCOMPARE(track.mDateAdded, 1600000000 / 86400.0 + 25569.0);
    QVERIFY(track.mCompilation);
    QVERIFY(track.mPersistentId != 0);
    QCOMPARE(source.filePath(track), dir.path() + QStringLiteral("/Música/01 #1 100%.flac"));
    QCOMPARE(source.kindName(), layout == Layout::Clementine ? QStringLiteral("Clementine")
                                                             : QStringLiteral("Strawberry"));
    // Unset numbers (-1) read as none.
    const LibraryTrack& other = content.tracks()[size_t(content.wholeLibrary()[1])];
    QCOMPARE(other.mTrackNumber, 0);
    QCOMPARE(other.mYear, 0);

    // The same file read by another source gives the same ids.
    StrawberrySource again(databasePath, player);
    QCOMPARE(again.read().mContent->tracks()[0].mPersistentId, content.tracks()[0].mPersistentId);
}

void TestLibraryStrawberry::playlistsInThePlayersOrder_data()
{
    QTest::addColumn<Layout>("layout");
    QTest::newRow("Strawberry") << Layout::Strawberry;
    QTest::newRow("Clementine") << Layout::Clementine;
}

void TestLibraryStrawberry::playlistsInThePlayersOrder()
{
    QFETCH(Layout, layout);
    QTemporaryDir dir;
    const QString databasePath = dir.path() + QStringLiteral("/player.db");
    {
        PlayerDatabaseFiles database(databasePath, layout);
        const qint64 one = database.addSong(song(QStringLiteral("One"), dir.path() + QStringLiteral("/1.mp3")));
        const qint64 two = database.addSong(song(QStringLiteral("Two"), dir.path() + QStringLiteral("/2.mp3")));
        const qint64 three = database.addSong(song(QStringLiteral("Three"), dir.path() + QStringLiteral("/3.mp3")));
        // Rows in one order, tabs in another; a closed favourite comes after the open ones.
        const qint64 closed = database.addPlaylist(QStringLiteral("Kept, closed"), -1);
        const qint64 second = database.addPlaylist(QStringLiteral("Second tab"), 1);
        const qint64 smart = database.addPlaylist(QStringLiteral("Random mix"), 2, true);
        const qint64 first = database.addPlaylist(QStringLiteral("First tab"), 0);
        database.addCollectionItem(first, three);
        database.addFileItem(first, song(QStringLiteral("Outside"), dir.path() + QStringLiteral("/elsewhere/o.ogg")));
        database.addStreamItem(first, QStringLiteral("http://radio.example/live"), QStringLiteral("Live"));
        database.addCollectionItem(first, one);
        // A file entry naming a song of the collection is that song.
        database.addFileItem(first, song(QStringLiteral("One again"), dir.path() + QStringLiteral("/1.mp3")));
        database.addCollectionItem(second, two);
        database.addCollectionItem(closed, one);
        database.addCollectionItem(smart, two);
    }
    StrawberrySource source(databasePath, layout == Layout::Clementine
                                              ? StrawberrySource::Player::Clementine
                                              : StrawberrySource::Player::Strawberry);
    const LibraryRead read = source.read();
    QVERIFY2(read.mContent, qPrintable(read.mError.mReason));
    const LibraryContent& content = *read.mContent;
    QCOMPARE(playlistNames(content), QStringList({QStringLiteral("First tab"), QStringLiteral("Second tab"),
                                                  QStringLiteral("Kept, closed")}));
    QCOMPARE(namesOf(content, content.playlists()[0].mTrackIndexes),
             QStringList({QStringLiteral("Three"), QStringLiteral("Outside"), QStringLiteral("One"),
                          QStringLiteral("One")}));
    QCOMPARE(namesOf(content, content.playlists()[1].mTrackIndexes), QStringList({QStringLiteral("Two")}));
    QCOMPARE(content.unsupportedPlaylists(), QStringList({QStringLiteral("Random mix")}));
    // The file outside the collection is a track of its playlist, not of the whole library.
    QCOMPARE(namesOf(content, content.wholeLibrary()),
             QStringList({QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three")}));
    QCOMPARE(read.mWarnings.size(), 1);
    QVERIFY(read.mWarnings[0].contains(QStringLiteral("First tab")));
}

void TestLibraryStrawberry::coverChosenInThePlayerIsTheArtwork()
{
    QTemporaryDir dir;
    const QString databasePath = dir.path() + QStringLiteral("/strawberry.db");
    const auto picture = [&](const QString& aName, const char* aFormat, Qt::GlobalColor aColour) {
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(aColour);
        const QString path = dir.path() + u'/' + aName;
        image.save(path, aFormat);
        return path;
    };
    const QString chosen = picture(QStringLiteral("chosen.png"), "PNG", Qt::red);
    const QString found = picture(QStringLiteral("found.jpg"), "JPEG", Qt::blue);
    {
        PlayerDatabaseFiles database(databasePath, Layout::Strawberry);
        PlayerDatabaseFiles::Song manual = song(QStringLiteral("Manual"), dir.path() + QStringLiteral("/m.mp3"));
        manual.mArtManual = PlayerDatabaseFiles::urlOf(chosen);
        manual.mArtAutomatic = PlayerDatabaseFiles::urlOf(found);
        database.addSong(manual);
        PlayerDatabaseFiles::Song automatic = song(QStringLiteral("Automatic"), dir.path() + QStringLiteral("/a.mp3"));
        automatic.mArtAutomatic = PlayerDatabaseFiles::urlOf(found);
        database.addSong(automatic);
        PlayerDatabaseFiles::Song removed = song(QStringLiteral("Removed"), dir.path() + QStringLiteral("/r.mp3"));
        removed.mArtAutomatic = PlayerDatabaseFiles::urlOf(found);
        removed.mArtManual = QStringLiteral("(unset)");
        database.addSong(removed);
    }
    StrawberrySource source(databasePath, StrawberrySource::Player::Strawberry);
    const LibraryRead read = source.read();
    QVERIFY(read.mContent);
    const auto& tracks = read.mContent->tracks();
    QCOMPARE(tracks.size(), size_t(3));
    QCOMPARE(source.artwork(tracks[0]).mFormat, LibraryArtwork::Png);
    const LibraryArtwork automatic = source.artwork(tracks[1]);
    QCOMPARE(automatic.mFormat, LibraryArtwork::Jpeg);
    QVERIFY(QImage::fromData(automatic.mData).pixelColor(4, 4).blue() > 200);
    // The user removed the cover in the player: none, though the player had found one.
    QCOMPARE(source.artwork(tracks[2]).mFormat, LibraryArtwork::None);
}

void TestLibraryStrawberry::clementinePodcastsAreTheDownloadedEpisodes()
{
    QTemporaryDir dir;
    const QString databasePath = dir.path() + QStringLiteral("/clementine.db");
    const QString episodes = dir.path() + QStringLiteral("/Podcasts/");
    {
        PlayerDatabaseFiles database(databasePath, Layout::Clementine);
        database.addSong(song(QStringLiteral("Music"), dir.path() + QStringLiteral("/m.mp3")));
        const qint64 science = database.addPodcast(QStringLiteral("Science Hour"));
        const qint64 art = database.addPodcast(QStringLiteral("Art Talk"));
        database.addPodcastEpisode(science, QStringLiteral("Later"), 1710000000, episodes + QStringLiteral("later.mp3"));
        database.addPodcastEpisode(science, QStringLiteral("Not fetched"), 1720000000, QString());
        database.addPodcastEpisode(science, QStringLiteral("Earlier"), 1700000000, episodes + QStringLiteral("earlier.mp3"));
        database.addPodcastEpisode(art, QStringLiteral("Not fetched either"), 1700000000, QString());
    }
    StrawberrySource source(databasePath, StrawberrySource::Player::Clementine);
    const LibraryRead read = source.read();
    QVERIFY2(read.mContent, qPrintable(read.mError.mReason));
    const LibraryContent& content = *read.mContent;
    QCOMPARE(namesOf(content, content.wholeLibrary()), QStringList({QStringLiteral("Music")}));
    QCOMPARE(content.podcasts().size(), size_t(1));
    QCOMPARE(content.podcasts()[0].mName, QStringLiteral("Science Hour"));
    QCOMPARE(namesOf(content, content.podcasts()[0].mTrackIndexes),
             QStringList({QStringLiteral("Earlier"), QStringLiteral("Later")}));
    const LibraryTrack& later = content.tracks()[size_t(content.podcasts()[0].mTrackIndexes[1])];
    QVERIFY(later.mPodcast);
    QCOMPARE(later.mDateAdded, 1710000000 / 86400.0 + 25569.0);
    QCOMPARE(source.filePath(later), episodes + QStringLiteral("later.mp3"));
}

void TestLibraryStrawberry::writeTransactionOfThePlayerIsNotSeen()
{
    QTemporaryDir dir;
    const QString databasePath = dir.path() + QStringLiteral("/strawberry.db");
    PlayerDatabaseFiles player(databasePath, Layout::Strawberry);
    QVERIFY(player.exec(QStringLiteral("PRAGMA journal_mode = WAL")));
    player.addSong(song(QStringLiteral("Saved"), dir.path() + QStringLiteral("/s.mp3")));
    // The player is in the middle of a scan: its rows are not committed yet.
    QVERIFY(player.exec(QStringLiteral("BEGIN IMMEDIATE")));
    player.addSong(song(QStringLiteral("Being written"), dir.path() + QStringLiteral("/w.mp3")));

    StrawberrySource source(databasePath, StrawberrySource::Player::Strawberry);
    const LibraryRead read = source.read();
    QVERIFY2(read.mContent, qPrintable(read.mError.mReason));
    QCOMPARE(namesOf(*read.mContent, read.mContent->wholeLibrary()), QStringList({QStringLiteral("Saved")}));
    QVERIFY(player.exec(QStringLiteral("COMMIT")));
    // The commit shows in the write-ahead log, so the next read sees it.
    const LibraryRead after = source.read();
    QVERIFY(after.mContent);
    QCOMPARE(after.mContent->wholeLibrary().size(), 2);
}

void TestLibraryStrawberry::databaseLockedByThePlayerIsBusy()
{
    QTemporaryDir dir;
    const QString databasePath = dir.path() + QStringLiteral("/clementine.db");
    PlayerDatabaseFiles player(databasePath, Layout::Clementine);
    player.addSong(song(QStringLiteral("One"), dir.path() + QStringLiteral("/1.mp3")));
    // A rollback-journal database (the players' default) while the player commits.
    QVERIFY(player.exec(QStringLiteral("BEGIN EXCLUSIVE")));
    player.addSong(song(QStringLiteral("Two"), dir.path() + QStringLiteral("/2.mp3")));

    StrawberrySource::Player recognised = StrawberrySource::Player::Strawberry;
    QVERIFY(StrawberrySource::recognises(databasePath, &recognised));
    QCOMPARE(recognised, StrawberrySource::Player::Clementine);
    StrawberrySource source(databasePath, StrawberrySource::Player::Clementine);
    QElapsedTimer timer;
    timer.start();
    const LibraryRead locked = source.read();
    QVERIFY(!locked.mContent);
    QCOMPARE(locked.mError.mKind, LibraryReadError::Kind::Busy);
    QVERIFY2(locked.mError.mReason.contains(QStringLiteral("locked")), qPrintable(locked.mError.mReason));
    QVERIFY(locked.mError.mReason.contains(QStringLiteral("Clementine")));
    // It waited for the player, but not for long.
    QVERIFY(timer.elapsed() >= StrawberrySource::kLockedAttempts * PlayerDatabaseConnection::kBusyTimeoutMs / 2);
    QVERIFY(timer.elapsed() < 10000);

    QVERIFY(player.exec(QStringLiteral("COMMIT")));
    const LibraryRead after = source.read();
    QVERIFY2(after.mContent, qPrintable(after.mError.mReason));
    QCOMPARE(after.mContent->wholeLibrary().size(), 2);
}

void TestLibraryStrawberry::fileThatIsNoPlayerDatabaseIsRefused()
{
    QTemporaryDir dir;
    const QString other = dir.path() + QStringLiteral("/other.db");
    {
        PlayerDatabaseFiles database(other, Layout::Strawberry);
        QVERIFY(database.exec(QStringLiteral("DROP TABLE songs")));
        QVERIFY(database.exec(QStringLiteral("CREATE TABLE songs (name TEXT)")));
    }
    QVERIFY(!StrawberrySource::recognises(other, nullptr));
    StrawberrySource source(other, StrawberrySource::Player::Strawberry);
    LibraryRead read = source.read();
    QVERIFY(!read.mContent);
    QCOMPARE(read.mError.mKind, LibraryReadError::Kind::Unusable);

    QFile text(dir.path() + QStringLiteral("/text.db"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("not a database at all\n");
    text.close();
    StrawberrySource notSqlite(text.fileName(), StrawberrySource::Player::Strawberry);
    read = notSqlite.read();
    QCOMPARE(read.mError.mKind, LibraryReadError::Kind::Unusable);

    StrawberrySource missing(dir.path() + QStringLiteral("/none.db"), StrawberrySource::Player::Strawberry);
    read = missing.read();
    QCOMPARE(read.mError.mKind, LibraryReadError::Kind::Unusable);
    // Reading never creates the file it looks for.
    QVERIFY(!QFile::exists(dir.path() + QStringLiteral("/none.db")));
}

PELLMAR_TEST_MAIN(TestLibraryStrawberry)
#include "test_library_strawberry.moc"
