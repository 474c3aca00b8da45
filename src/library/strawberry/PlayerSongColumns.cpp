#include "library/strawberry/PlayerSongColumns.h"

#include "library/PlayerTrackFiles.h"

#include <QDir>
#include <QSqlQuery>
#include <QVariant>

namespace {

enum Field {
    Title,
    Artist,
    AlbumArtist,
    Album,
    Composer,
    Genre,
    TrackNumber,
    Disc,
    Year,
    Length,
    Url,
    FileSize,
    CreationTime,
    ModificationTime,
    EffectiveCompilation,
    Compilation,
    Unavailable,
    Beginning,
    CuePath,
    ArtAutomatic,
    ArtManual,
    ArtEmbedded,
    ArtUnset,
    FieldCount
};

// How both players mark a cover, with or without the "file:" that older Strawberry schemas put
// before them.
bool isMarker(const QString& aValue, QStringView aMarker)
{
    return aValue == aMarker || (aValue.startsWith(u"file:") && QStringView(aValue).mid(5) == aMarker);
}

// A cover column's picture file: Strawberry keeps a URL, Clementine a plain path.
QString coverPath(const QString& aValue)
{
    if (aValue.isEmpty() || aValue.startsWith(u'('))
        return {};
    if (aValue.startsWith(u"file:"))
        return PlayerTrackFiles::localPath(aValue);
    return QDir::isAbsolutePath(aValue) ? aValue : QString();
}

qint32 positive(const QVariant& aValue)
{
    const qint64 value = aValue.toLongLong();
    return value > 0 && value <= INT32_MAX ? qint32(value) : 0;
}

} // namespace

PlayerSongColumns::PlayerSongColumns(const QStringList& aTableColumns, const QString& aUrlColumn,
                                     const QString& aCompilationColumn)
    : mColumns(aTableColumns.cbegin(), aTableColumns.cend())
{
    mSelected.resize(FieldCount);
    mSelected[Title] = QStringLiteral("title");
    mSelected[Artist] = QStringLiteral("artist");
    mSelected[AlbumArtist] = QStringLiteral("albumartist");
    mSelected[Album] = QStringLiteral("album");
    mSelected[Composer] = QStringLiteral("composer");
    mSelected[Genre] = QStringLiteral("genre");
    mSelected[TrackNumber] = QStringLiteral("track");
    mSelected[Disc] = QStringLiteral("disc");
    mSelected[Year] = QStringLiteral("year");
    mSelected[Length] = QStringLiteral("length");
    mSelected[Url] = aUrlColumn;
    mSelected[FileSize] = QStringLiteral("filesize");
    mSelected[CreationTime] = QStringLiteral("ctime");
    mSelected[ModificationTime] = QStringLiteral("mtime");
    mSelected[EffectiveCompilation] = aCompilationColumn;
    mSelected[Compilation] = QStringLiteral("compilation");
    mSelected[Unavailable] = QStringLiteral("unavailable");
    mSelected[Beginning] = QStringLiteral("beginning");
    mSelected[CuePath] = QStringLiteral("cue_path");
    mSelected[ArtAutomatic] = QStringLiteral("art_automatic");
    mSelected[ArtManual] = QStringLiteral("art_manual");
    mSelected[ArtEmbedded] = QStringLiteral("art_embedded");
    mSelected[ArtUnset] = QStringLiteral("art_unset");
}

QString PlayerSongColumns::selectList(const QString& aAlias) const
{
    QStringList list;
    for (const QString& column : mSelected)
        list.append(mColumns.contains(column) ? aAlias + u'.' + column : QStringLiteral("NULL"));
    return list.join(QStringLiteral(", "));
}

qint32 PlayerSongColumns::count() const
{
    return qint32(mSelected.size());
}

LibraryTrack PlayerSongColumns::track(const QSqlQuery& aQuery, qint32 aFirst) const
{
    const auto value = [&](Field aField) { return aQuery.value(aFirst + aField); };
    LibraryTrack track;
    track.mName = value(Title).toString();
    track.mArtist = value(Artist).toString();
    track.mAlbumArtist = value(AlbumArtist).toString();
    track.mAlbum = value(Album).toString();
    track.mComposer = value(Composer).toString();
    track.mGenre = value(Genre).toString();
    track.mTrackNumber = positive(value(TrackNumber));
    track.mDiscNumber = positive(value(Disc));
    track.mYear = positive(value(Year));
    // Both players keep lengths in nanoseconds.
    track.mDurationMs = qint32(qBound<qint64>(0, value(Length).toLongLong() / 1000000, qint64(INT32_MAX)));
    track.mLocation = value(Url).toString();
    track.mSize = qMax<qint64>(0, value(FileSize).toLongLong());
    // Neither player records when a song was added; the file's own time comes nearest.
    const qint64 created = value(CreationTime).toLongLong();
    track.mDateAdded =
        PlayerTrackFiles::dayCountOf(created > 0 ? created : value(ModificationTime).toLongLong());
    const QVariant effective = value(EffectiveCompilation);
    track.mCompilation = (effective.isNull() ? value(Compilation) : effective).toLongLong() != 0;
    track.mRemote = PlayerTrackFiles::localPath(track.mLocation).isEmpty();
    return track;
}

PlayerArtHint PlayerSongColumns::artHint(const QSqlQuery& aQuery, qint32 aFirst) const
{
    const QString automatic = aQuery.value(aFirst + ArtAutomatic).toString();
    const QString manual = aQuery.value(aFirst + ArtManual).toString();
    PlayerArtHint hint;
    hint.mAutomaticPath = coverPath(automatic);
    hint.mManualPath = coverPath(manual);
    hint.mEmbedded = aQuery.value(aFirst + ArtEmbedded).toLongLong() != 0
                     || isMarker(automatic, u"(embedded)");
    hint.mUnset = aQuery.value(aFirst + ArtUnset).toLongLong() != 0
                  || isMarker(manual, u"(unset)");
    return hint;
}

bool PlayerSongColumns::unavailable(const QSqlQuery& aQuery, qint32 aFirst) const
{
    return aQuery.value(aFirst + Unavailable).toLongLong() != 0;
}

bool PlayerSongColumns::partOfFile(const QSqlQuery& aQuery, qint32 aFirst) const
{
    return aQuery.value(aFirst + Beginning).toLongLong() != 0
           || !aQuery.value(aFirst + CuePath).toString().isEmpty();
}
