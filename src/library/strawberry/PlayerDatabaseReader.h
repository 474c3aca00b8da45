#pragma once

#include "library/LibraryContent.h"
#include "library/strawberry/PlayerDatabaseLayout.h"
#include "library/strawberry/PlayerSongColumns.h"

#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QStringList>

#include <vector>

class QSqlDatabase;
class QSqlQuery;

// Reads the collection and the saved playlists of a Strawberry or Clementine database, in one
// read transaction so that playlists and songs agree even while the player writes.
class PlayerDatabaseReader
{
public:
    PlayerDatabaseReader(QSqlDatabase& aDatabase, const PlayerDatabaseLayout& aLayout);

    // False with error() set when a statement failed; what was read is then dropped.
    bool read();
    const QSqlError& error() const { return mError; }

    std::vector<LibraryTrack> takeTracks() { return std::move(mTracks); }
    // The cover each track's player chose, by track index.
    const QList<PlayerArtHint>& artHints() const { return mArtHints; }
    // The songs of the collection, in the order the player added them.
    const QList<qint32>& collection() const { return mCollection; }
    std::vector<LibraryPlaylist> takePlaylists() { return std::move(mPlaylists); }
    // Downloaded podcast episodes, one entry per show.
    std::vector<LibraryPlaylist> takePodcasts() { return std::move(mPodcasts); }
    // Smart (dynamic) playlists, whose songs the player chooses afresh.
    const QStringList& unsupportedPlaylists() const { return mUnsupported; }
    const QStringList& warnings() const { return mWarnings; }

private:
    bool readSongs();
    bool readPlaylists();
    bool readItems(const QHash<qint64, qint32>& aPlaylistByRow);
    bool readPodcasts();
    // The track of one playlist entry; -1 when it names no local file.
    qint32 itemTrack(const QSqlQuery& aQuery, qint32 aOwnColumns);
    qint32 addTrack(LibraryTrack&& aTrack, const PlayerArtHint& aHint);
    void share(LibraryTrack& aTrack);
    bool fail(const QSqlQuery& aQuery);

    QSqlDatabase& mDatabase;
    const PlayerDatabaseLayout& mLayout;
    PlayerSongColumns mSongColumns;
    PlayerSongColumns mItemColumns;
    QSqlError mError;
    std::vector<LibraryTrack> mTracks;
    QList<PlayerArtHint> mArtHints;
    QList<qint32> mCollection;
    QHash<qint64, qint32> mIndexBySongRow;
    QHash<QString, qint32> mIndexByLocation;
    std::vector<LibraryPlaylist> mPlaylists;
    std::vector<LibraryPlaylist> mPodcasts;
    QStringList mUnsupported;
    QStringList mWarnings;
    QSet<QString> mStrings;
    // Entries of each playlist that name no local file (streams, songs parted by a CUE
    // sheet, songs no longer in the collection), by playlist index.
    QHash<qint32, qint32> mSkippedItems;
};
