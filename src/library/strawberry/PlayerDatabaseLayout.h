#pragma once

#include <QSqlError>
#include <QString>
#include <QStringList>

class QSqlDatabase;

// Which player wrote a database, and the columns its tables have. Strawberry's tables ("songs"
// with "url", "playlist_items" naming songs by "collection_id" and a numeric source type) and
// Clementine's ("songs" with "filename", "playlist_items" naming them by "library_id" and a type
// name such as "Library") descend from one design and differ in those names.
class PlayerDatabaseLayout
{
public:
    enum class Player { None, Strawberry, Clementine };

    // Reads the tables' columns. False with error() set when a statement failed (the player
    // holds a lock, the file is not a database); a database of neither player reads true with
    // player() None.
    bool inspect(QSqlDatabase& aDatabase);

    Player player() const { return mPlayer; }
    const QSqlError& error() const { return mError; }
    bool hasPlaylists() const { return !mPlaylistColumns.isEmpty() && !mItemColumns.isEmpty(); }
    // Clementine's podcasts and their downloaded episodes.
    bool hasPodcasts() const { return mHasPodcasts; }

    const QStringList& songColumns() const { return mSongColumns; }
    const QStringList& playlistColumns() const { return mPlaylistColumns; }
    const QStringList& itemColumns() const { return mItemColumns; }
    // The column of a song's URL, in "songs" and "playlist_items" alike.
    QString urlColumn() const;
    // The compilation flag with the user's choice applied.
    QString compilationColumn() const;
    // The column of "playlist_items" that names a song of the collection by its row.
    QString itemSongColumn() const;

private:
    // The columns of aTable; empty when it does not exist. False on a failed statement.
    bool columnsOf(QSqlDatabase& aDatabase, const QString& aTable, QStringList& aColumns);

    Player mPlayer = Player::None;
    QSqlError mError;
    QStringList mSongColumns;
    QStringList mPlaylistColumns;
    QStringList mItemColumns;
    bool mHasPodcasts = false;
};
