#pragma once

#include "library/LibraryContent.h"

#include <QSet>
#include <QString>
#include <QStringList>

class QSqlQuery;

// The cover a player chose for a song: its own picture file (set by hand or found beside the
// song), the picture embedded in the song, or none at all because the user removed it.
struct PlayerArtHint
{
    QString mManualPath;
    QString mAutomaticPath;
    bool mEmbedded = false;
    bool mUnset = false;
};

// The song columns of a Strawberry or Clementine table ("songs", or "playlist_items", which
// holds a copy of the song for entries outside the collection). Both players share the names
// but for the file's URL ("url" in Strawberry, "filename" in Clementine) and the effective
// compilation flag; columns an older schema lacks are read as NULL.
class PlayerSongColumns
{
public:
    PlayerSongColumns(const QStringList& aTableColumns, const QString& aUrlColumn,
                      const QString& aCompilationColumn);

    // The columns to select, each prefixed with aAlias and a dot, in the order track() reads.
    QString selectList(const QString& aAlias) const;
    qint32 count() const;
    bool has(const QString& aColumn) const { return mColumns.contains(aColumn); }

    // The track in aQuery's current row, whose song columns start at aFirst.
    LibraryTrack track(const QSqlQuery& aQuery, qint32 aFirst) const;
    PlayerArtHint artHint(const QSqlQuery& aQuery, qint32 aFirst) const;
    bool unavailable(const QSqlQuery& aQuery, qint32 aFirst) const;
    // A song that is one part of a larger file (a CUE sheet's track): no file of its own.
    bool partOfFile(const QSqlQuery& aQuery, qint32 aFirst) const;

private:
    QSet<QString> mColumns;
    QStringList mSelected;
};
