#pragma once

#include "library/LibrarySource.h"
#include "library/strawberry/PlayerSongColumns.h"

#include <QHash>
#include <QMutex>

// The library of Strawberry or of Clementine, the player Strawberry grew from: the collection
// and the saved playlists in the player's SQLite database, read through QSQLITE, read-only,
// while the player may be running. Rows are renumbered when the player compacts its database,
// so a track's id comes from its file's path.
class StrawberrySource : public LibrarySource
{
public:
    enum class Player { Strawberry, Clementine };

    // How often a database locked by its player is tried before the read reports Busy (whose
    // callers try again later): a player holds its lock only while it commits.
    static constexpr int kLockedAttempts = 2;

    StrawberrySource(const QString& aDatabasePath, Player aPlayer);

    // Which player's database aPath is; false when it is neither's. One the running player has
    // locked is known by its file name ("strawberry.db", "clementine.db").
    static bool recognises(const QString& aPath, Player* aPlayer);

    QString kindName() const override;
    QString location() const override;
    LibraryRead read() override;
    QString filePath(const LibraryTrack& aTrack) const override;
    LibraryArtwork artwork(const LibraryTrack& aTrack) const override;
    QStringList watchedPaths() const override;

private:
    // Size and modification time of the database and its write-ahead log.
    QString stamp() const;
    LibraryRead readDatabase();
    LibraryRead readOnce(bool& aBusy);

    QString mDatabasePath;
    Player mPlayer;
    mutable QMutex mMutex;
    QString mLastStamp;
    LibraryRead mLastRead;
    // The player's cover of each track of the last read, by persistent id.
    QHash<quint64, PlayerArtHint> mArtHints;
};
