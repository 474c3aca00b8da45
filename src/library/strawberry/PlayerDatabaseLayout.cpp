#include "library/strawberry/PlayerDatabaseLayout.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>

bool PlayerDatabaseLayout::inspect(QSqlDatabase& aDatabase)
{
    mPlayer = Player::None;
    mError = QSqlError();
    mSongColumns.clear();
    mPlaylistColumns.clear();
    mItemColumns.clear();
    mHasPodcasts = false;
    QStringList podcastColumns;
    QStringList episodeColumns;
    if (!columnsOf(aDatabase, QStringLiteral("songs"), mSongColumns)
        || !columnsOf(aDatabase, QStringLiteral("playlists"), mPlaylistColumns)
        || !columnsOf(aDatabase, QStringLiteral("playlist_items"), mItemColumns)
        || !columnsOf(aDatabase, QStringLiteral("podcasts"), podcastColumns)
        || !columnsOf(aDatabase, QStringLiteral("podcast_episodes"), episodeColumns))
        return false;
    mHasPodcasts = podcastColumns.contains(QStringLiteral("title"))
                   && episodeColumns.contains(QStringLiteral("local_url"))
                   && episodeColumns.contains(QStringLiteral("downloaded"));
    if (mSongColumns.contains(QStringLiteral("url")) && !mSongColumns.contains(QStringLiteral("filename")))
        mPlayer = Player::Strawberry;
    else if (mSongColumns.contains(QStringLiteral("filename")) && mSongColumns.contains(QStringLiteral("directory")))
        mPlayer = Player::Clementine;
    return true;
}

bool PlayerDatabaseLayout::columnsOf(QSqlDatabase& aDatabase, const QString& aTable,
                                     QStringList& aColumns)
{
    QSqlQuery exists(aDatabase);
    // A statement SQLite cannot prepare (the player holds a lock on the schema) reports its
    // real error only from prepare().
    if (!exists.prepare(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?"))) {
        mError = exists.lastError();
        return false;
    }
    exists.addBindValue(aTable);
    if (!exists.exec()) {
        mError = exists.lastError();
        return false;
    }
    if (!exists.next())
        return true;
    QSqlQuery columns(aDatabase);
    if (!columns.exec(QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(aTable))) {
        mError = columns.lastError();
        return false;
    }
    const QSqlRecord record = columns.record();
    for (int i = 0; i < record.count(); ++i)
        aColumns.append(record.fieldName(i));
    return true;
}

QString PlayerDatabaseLayout::urlColumn() const
{
    return mPlayer == Player::Clementine ? QStringLiteral("filename") : QStringLiteral("url");
}

QString PlayerDatabaseLayout::compilationColumn() const
{
    return mPlayer == Player::Clementine ? QStringLiteral("effective_compilation")
                                         : QStringLiteral("compilation_effective");
}

QString PlayerDatabaseLayout::itemSongColumn() const
{
    return mPlayer == Player::Clementine ? QStringLiteral("library_id")
                                         : QStringLiteral("collection_id");
}
