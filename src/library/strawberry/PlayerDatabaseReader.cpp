#include "library/strawberry/PlayerDatabaseReader.h"

#include "app/DebugLog.h"
#include "library/strawberry/PlayerPodcastReader.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

namespace {

// Strawberry's song sources as "playlist_items" stores them.
constexpr int kStrawberryLocalFile = 1;
constexpr int kStrawberryCollection = 2;

} // namespace

PlayerDatabaseReader::PlayerDatabaseReader(QSqlDatabase& aDatabase,
                                           const PlayerDatabaseLayout& aLayout)
    : mDatabase(aDatabase)
    , mLayout(aLayout)
    , mSongColumns(aLayout.songColumns(), aLayout.urlColumn(), aLayout.compilationColumn())
    , mItemColumns(aLayout.itemColumns(), aLayout.urlColumn(), aLayout.compilationColumn())
{
}

bool PlayerDatabaseReader::fail(const QSqlQuery& aQuery)
{
    mError = aQuery.lastError();
    logValue("Statement failed", mError.text());
    return false;
}

bool PlayerDatabaseReader::read()
{
    LogScope scope("PlayerDatabaseReader::read");
    // One snapshot of the whole database: the player may save a playlist while this reads.
    QSqlQuery begin(mDatabase);
    if (!begin.exec(QStringLiteral("BEGIN")))
        return fail(begin);
    const bool ok = readSongs() && (!mLayout.hasPlaylists() || readPlaylists())
                    && (!mLayout.hasPodcasts() || readPodcasts());
    QSqlQuery end(mDatabase);
    end.exec(QStringLiteral("ROLLBACK"));
    if (!ok) {
        mTracks.clear();
        mPlaylists.clear();
        mPodcasts.clear();
        return false;
    }
    logValue("songs", qint64(mCollection.size()));
    logValue("tracks", qint64(mTracks.size()));
    logValue("playlists", qint64(mPlaylists.size()));
    return true;
}

bool PlayerDatabaseReader::readSongs()
{
    QSqlQuery query(mDatabase);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT ROWID, %1 FROM songs ORDER BY ROWID")
                        .arg(mSongColumns.selectList(QStringLiteral("songs")))))
        return fail(query);
    qint32 parts = 0;
    qint32 unavailable = 0;
    while (query.next()) {
        if (mSongColumns.partOfFile(query, 1)) {
            ++parts;
            continue;
        }
        // Kept: the player marks a song so while its file is missing, also when only its
        // drive is not mounted, and that must not take it off the phone.
        if (mSongColumns.unavailable(query, 1))
            ++unavailable;
        const qint64 row = query.value(0).toLongLong();
        LibraryTrack track = mSongColumns.track(query, 1);
        const auto known = mIndexByLocation.constFind(track.mLocation);
        if (known != mIndexByLocation.constEnd()) {
            // Older schemas could hold one file twice; playlists may name either row.
            mIndexBySongRow.insert(row, *known);
            continue;
        }
        const qint32 index = addTrack(std::move(track), mSongColumns.artHint(query, 1));
        mIndexBySongRow.insert(row, index);
        mCollection.append(index);
    }
    if (query.lastError().isValid())
        return fail(query);
    if (unavailable > 0)
        logValue("Songs the player found unavailable", qint64(unavailable));
    if (parts > 0) {
        const QString line = QStringLiteral("%1 songs are parts of a larger file (a CUE sheet) "
                                            "and were left out")
                                 .arg(parts);
        logMessage(line);
        mWarnings.append(line);
    }
    return true;
}

bool PlayerDatabaseReader::readPlaylists()
{
    const QStringList& columns = mLayout.playlistColumns();
    const QString order = columns.contains(QStringLiteral("ui_order"))
                              ? QStringLiteral("(ui_order < 0), ui_order, ROWID")
                              : QStringLiteral("ROWID");
    const QString dynamic = columns.contains(QStringLiteral("dynamic_playlist_type"))
                                ? QStringLiteral("dynamic_playlist_type")
                                : QStringLiteral("NULL");
    QSqlQuery query(mDatabase);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT ROWID, name, %1 FROM playlists ORDER BY %2")
                        .arg(dynamic, order)))
        return fail(query);
    QHash<qint64, qint32> playlistByRow;
    while (query.next()) {
        const QString name = query.value(1).toString();
        const QString type = query.value(2).toString();
        if (!type.isEmpty() && type != u"0") {
            mUnsupported.append(name);
            logValue("Smart playlist not supported", name);
            continue;
        }
        playlistByRow.insert(query.value(0).toLongLong(), qint32(mPlaylists.size()));
        mPlaylists.push_back(LibraryPlaylist{name, {}});
    }
    if (query.lastError().isValid())
        return fail(query);
    if (!readItems(playlistByRow))
        return false;
    for (auto it = mSkippedItems.cbegin(); it != mSkippedItems.cend(); ++it) {
        const QString line = QStringLiteral("Playlist \"%1\": %2 entries are not local files of "
                                            "the library and were left out")
                                 .arg(mPlaylists[size_t(it.key())].mName)
                                 .arg(it.value());
        logMessage(line);
        mWarnings.append(line);
    }
    return true;
}

bool PlayerDatabaseReader::readItems(const QHash<qint64, qint32>& aPlaylistByRow)
{
    QSqlQuery query(mDatabase);
    query.setForwardOnly(true);
    // Players rewrite a playlist's items in order on every save: row order is playlist order.
    if (!query.exec(QStringLiteral("SELECT p.playlist, p.type, p.%1, %2 FROM playlist_items AS p "
                                   "ORDER BY p.playlist, p.ROWID")
                        .arg(mLayout.itemSongColumn(), mItemColumns.selectList(QStringLiteral("p")))))
        return fail(query);
    while (query.next()) {
        const auto playlist = aPlaylistByRow.constFind(query.value(0).toLongLong());
        if (playlist == aPlaylistByRow.constEnd())
            continue;
        const qint32 index = itemTrack(query, 3);
        if (index >= 0)
            mPlaylists[size_t(*playlist)].mTrackIndexes.append(index);
        else
            ++mSkippedItems[*playlist];
    }
    if (query.lastError().isValid())
        return fail(query);
    return true;
}

bool PlayerDatabaseReader::readPodcasts()
{
    PlayerPodcastReader reader(mDatabase);
    if (!reader.read()) {
        mError = reader.error();
        return false;
    }
    for (PlayerPodcastReader::Show& show : reader.takeShows()) {
        LibraryPlaylist podcast{show.mName, {}};
        for (LibraryTrack& episode : show.mEpisodes) {
            const auto known = mIndexByLocation.constFind(episode.mLocation);
            podcast.mTrackIndexes.append(known != mIndexByLocation.constEnd()
                                             ? *known
                                             : addTrack(std::move(episode), PlayerArtHint()));
        }
        mPodcasts.push_back(std::move(podcast));
    }
    return true;
}

qint32 PlayerDatabaseReader::itemTrack(const QSqlQuery& aQuery, qint32 aOwnColumns)
{
    const QVariant type = aQuery.value(1);
    bool inCollection = false;
    bool ownFile = false;
    if (mLayout.player() == PlayerDatabaseLayout::Player::Clementine) {
        inCollection = type.toString() == u"Library";
        ownFile = type.toString() == u"File";
    } else {
        inCollection = type.toInt() == kStrawberryCollection;
        ownFile = type.toInt() == kStrawberryLocalFile;
    }
    if (inCollection) {
        const auto song = mIndexBySongRow.constFind(aQuery.value(2).toLongLong());
        if (song != mIndexBySongRow.constEnd())
            return *song;
        // A song gone from the collection: the entry's own copy may still name its file.
        ownFile = true;
    }
    if (!ownFile || mItemColumns.partOfFile(aQuery, aOwnColumns))
        return -1;
    LibraryTrack track = mItemColumns.track(aQuery, aOwnColumns);
    if (track.mRemote)
        return -1;
    const auto known = mIndexByLocation.constFind(track.mLocation);
    if (known != mIndexByLocation.constEnd())
        return *known;
    return addTrack(std::move(track), mItemColumns.artHint(aQuery, aOwnColumns));
}

qint32 PlayerDatabaseReader::addTrack(LibraryTrack&& aTrack, const PlayerArtHint& aHint)
{
    share(aTrack);
    const qint32 index = qint32(mTracks.size());
    mIndexByLocation.insert(aTrack.mLocation, index);
    mTracks.push_back(std::move(aTrack));
    mArtHints.append(aHint);
    return index;
}

void PlayerDatabaseReader::share(LibraryTrack& aTrack)
{
    for (QString* text : {&aTrack.mArtist, &aTrack.mAlbumArtist, &aTrack.mAlbum,
                          &aTrack.mComposer, &aTrack.mGenre})
        *text = *mStrings.insert(*text);
}
