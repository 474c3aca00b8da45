// Whole runs from the libraries of Rhythmbox, Strawberry and Clementine: the same tracks,
// playlists and podcasts reach the phone as from an iTunes library, and a second run of an
// unchanged library finds nothing to do.
#include "TestMain.h"
#include "app/AppPaths.h"
#include "device/PhoneTree.h"
#include "engine/EngineFixture.h"
#include "library/LibraryFactory.h"
#include "library/PlayerDatabaseFiles.h"
#include "library/RhythmboxFiles.h"
#include "tracks/SyncState.h"

#include <QDir>
#include <QtTest>

namespace {

using Playlists = QList<QPair<QString, QStringList>>;

const QStringList kSongs = {QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Gamma"),
                            QStringLiteral("Delta")};
const QStringList kMix = {QStringLiteral("Gamma"), QStringLiteral("Alpha"), QStringLiteral("Delta")};
const QStringList kEpisodes = {QStringLiteral("Episode 1"), QStringLiteral("Episode 2"),
                               QStringLiteral("Episode 3")};
// The two newest episodes, newest first.
const QStringList kNewest = {QStringLiteral("Episode 1"), QStringLiteral("Episode 2")};

// Two albums, a playlist in an order of its own, and a podcast of three episodes (episode i is
// i days old).
void addMusic(EngineFixture& aFixture)
{
    aFixture.addTrack(QStringLiteral("Alpha"), QStringLiteral("Ann"), QStringLiteral("First"), 1);
    aFixture.addTrack(QStringLiteral("Beta"), QStringLiteral("Ann"), QStringLiteral("First"), 2);
    aFixture.addTrack(QStringLiteral("Gamma"), QStringLiteral("Bob"), QStringLiteral("Second"), 1);
    aFixture.addTrack(QStringLiteral("Delta"), QStringLiteral("Bob"), QStringLiteral("Second"), 2);
    for (int i = 1; i <= 3; ++i) {
        EngineFixture::TrackFile& episode =
            aFixture.addEpisode(QStringLiteral("Daily"), kEpisodes[i - 1], i,
                                QDateTime(QDate(2024, 1, 31).addDays(-i), QTime(8, 0), Qt::UTC));
        // The players keep no track number for an episode.
        episode.mNumber = 0;
    }
}

QString writeRhythmbox(EngineFixture& aFixture)
{
    RhythmboxFiles files;
    for (const QString& name : kSongs) {
        const EngineFixture::TrackFile& track = aFixture.track(name);
        RhythmboxFiles::Song song;
        song.mTitle = track.mName;
        song.mArtist = track.mArtist;
        song.mAlbum = track.mAlbum;
        song.mTrackNumber = track.mNumber;
        song.mPath = aFixture.mediaPath(track.mRelativePath);
        song.mFileSize = QFileInfo(song.mPath).size();
        song.mFirstSeen = track.mDateAdded.toSecsSinceEpoch();
        files.addSong(song);
    }
    for (const QString& name : kEpisodes) {
        const EngineFixture::TrackFile& episode = aFixture.track(name);
        RhythmboxFiles::PodcastPost post;
        post.mTitle = episode.mName;
        post.mFeed = QStringLiteral("Daily");
        post.mPostTime = episode.mDateAdded.toSecsSinceEpoch();
        post.mPath = aFixture.mediaPath(episode.mRelativePath);
        post.mRemoteUrl = QStringLiteral("https://feeds.example/") + name;
        files.addPodcastPost(post);
    }
    QStringList mix;
    for (const QString& name : kMix)
        mix.append(aFixture.mediaPath(aFixture.track(name).mRelativePath));
    files.addStaticPlaylist(QStringLiteral("Mix"), mix);
    files.addAutomaticPlaylist(QStringLiteral("Recently Added"));
    return files.write(aFixture.root() + QStringLiteral("/rhythmbox"));
}

QString writePlayerDatabase(EngineFixture& aFixture, PlayerDatabaseFiles::Layout aLayout)
{
    const QString path = aFixture.root() + QStringLiteral("/player/player.db");
    QDir().mkpath(QFileInfo(path).path());
    PlayerDatabaseFiles database(path, aLayout);
    QMap<QString, qint64> rows;
    for (const QString& name : kSongs) {
        const EngineFixture::TrackFile& track = aFixture.track(name);
        PlayerDatabaseFiles::Song song;
        song.mTitle = track.mName;
        song.mArtist = track.mArtist;
        song.mAlbum = track.mAlbum;
        song.mTrack = track.mNumber;
        song.mPath = aFixture.mediaPath(track.mRelativePath);
        song.mFileSize = QFileInfo(song.mPath).size();
        song.mCTime = track.mDateAdded.toSecsSinceEpoch();
        rows.insert(name, database.addSong(song));
    }
    const qint64 mix = database.addPlaylist(QStringLiteral("Mix"), 0);
    for (const QString& name : kMix)
        database.addCollectionItem(mix, rows.value(name));
    if (aLayout == PlayerDatabaseFiles::Layout::Clementine) {
        const qint64 daily = database.addPodcast(QStringLiteral("Daily"));
        for (const QString& name : kEpisodes) {
            const EngineFixture::TrackFile& episode = aFixture.track(name);
            database.addPodcastEpisode(daily, name, episode.mDateAdded.toSecsSinceEpoch(),
                                       aFixture.mediaPath(episode.mRelativePath));
        }
    }
    return path;
}

void configure(EngineFixture& aFixture, bool aPodcasts)
{
    EngineFixture::Configuration configuration;
    configuration.mPlaylists = {QStringLiteral("Mix")};
    if (aPodcasts) {
        configuration.mPodcastSetting = 2;
        configuration.mPodcasts = {QStringLiteral("Daily")};
        configuration.mEpisodes = 2;
    }
    aFixture.configure(configuration);
}

// Runs twice: the first run fills the phone as expected, the second finds nothing to do.
void syncTwice(EngineFixture& aFixture, const QStringList& aTracks, const Playlists& aPlaylists)
{
    const EngineFixture::Result first = aFixture.run();
    QCOMPARE(first.finalState(), SyncState::Finished);
    QCOMPARE(first.mCopied, aTracks.size());
    PELLMAR_COMPARE_TREE(aFixture.expectedTree(aTracks, aPlaylists), aFixture.phoneRoot());

    const EngineFixture::Result second = aFixture.run();
    QCOMPARE(second.finalState(), SyncState::Finished);
    QCOMPARE(second.mCopied, 0);
    QCOMPARE(second.mDeleted, 0);
    QCOMPARE(second.mConfirmAsked, 0);
    PELLMAR_COMPARE_TREE(aFixture.expectedTree(aTracks, aPlaylists), aFixture.phoneRoot());
}

} // namespace

class TestSyncPlayers : public QObject
{
    Q_OBJECT

private slots:
    void init() { QDir(AppPaths::corvoFolder()).removeRecursively(); }
    void cleanup() { LibraryFactory::setChosenPath(QString()); }

    void rhythmboxPlaylistAndPodcast()
    {
        EngineFixture fixture;
        addMusic(fixture);
        LibraryFactory::setChosenPath(writeRhythmbox(fixture));
        configure(fixture, true);
        syncTwice(fixture, QStringList{kMix} << kNewest,
                  Playlists{{QStringLiteral("Mix"), kMix}, {QStringLiteral("Daily"), kNewest}});
    }

    // A rhythmdb.xml cut short loses the entries after the cut: their tracks are unread, not
    // removed, so the run deletes nothing and asks nothing.
    void rhythmboxCutShortDeletesNothing()
    {
        EngineFixture fixture;
        addMusic(fixture);
        const QString database = writeRhythmbox(fixture);
        LibraryFactory::setChosenPath(database);
        configure(fixture, false);
        QCOMPARE(fixture.run().mCopied, kMix.size());

        QFile file(database);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray whole = file.readAll();
        file.close();
        const qsizetype delta = whole.lastIndexOf("<entry", whole.indexOf("<title>Delta</title>"));
        QVERIFY(delta > 0);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(whole.left(delta + 20));
        file.close();

        const EngineFixture::Result cut = fixture.run();
        QCOMPARE(cut.mDeleted, 0);
        QCOMPARE(cut.mConfirmAsked, 0);
        QVERIFY(QFileInfo::exists(fixture.phoneRoot() + QLatin1Char('/')
                                   + fixture.phonePath(fixture.track(QStringLiteral("Delta")))));
    }

    void strawberryPlaylist()
    {
        EngineFixture fixture;
        addMusic(fixture);
        LibraryFactory::setChosenPath(writePlayerDatabase(fixture, PlayerDatabaseFiles::Layout::Strawberry));
        configure(fixture, false);
        syncTwice(fixture, kMix, Playlists{{QStringLiteral("Mix"), kMix}});
    }

    void clementinePlaylistAndPodcast()
    {
        EngineFixture fixture;
        addMusic(fixture);
        LibraryFactory::setChosenPath(writePlayerDatabase(fixture, PlayerDatabaseFiles::Layout::Clementine));
        configure(fixture, true);
        syncTwice(fixture, QStringList{kMix} << kNewest,
                  Playlists{{QStringLiteral("Mix"), kMix}, {QStringLiteral("Daily"), kNewest}});
    }
};

PELLMAR_TEST_MAIN(TestSyncPlayers)
#include "test_sync_players.moc"
