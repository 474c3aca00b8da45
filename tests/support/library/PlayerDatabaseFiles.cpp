#include "PlayerDatabaseFiles.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QVariant>

namespace {

// Strawberry's "songs" at schema 16, the layout Debian 12's Strawberry 1.0 writes.
const char* const kStrawberry16Songs =
    "title TEXT, album TEXT, artist TEXT, albumartist TEXT, track INTEGER NOT NULL DEFAULT -1, "
    "disc INTEGER NOT NULL DEFAULT -1, year INTEGER NOT NULL DEFAULT -1, "
    "originalyear INTEGER NOT NULL DEFAULT -1, genre TEXT, "
    "compilation INTEGER NOT NULL DEFAULT 0, composer TEXT, performer TEXT, grouping TEXT, "
    "comment TEXT, lyrics TEXT, artist_id TEXT, album_id TEXT, song_id TEXT, "
    "beginning INTEGER NOT NULL DEFAULT 0, length INTEGER NOT NULL DEFAULT 0, "
    "bitrate INTEGER NOT NULL DEFAULT -1, samplerate INTEGER NOT NULL DEFAULT -1, "
    "bitdepth INTEGER NOT NULL DEFAULT -1, source INTEGER NOT NULL DEFAULT 0, "
    "directory_id INTEGER NOT NULL DEFAULT -1, url TEXT NOT NULL, "
    "filetype INTEGER NOT NULL DEFAULT 0, filesize INTEGER NOT NULL DEFAULT -1, "
    "mtime INTEGER NOT NULL DEFAULT -1, ctime INTEGER NOT NULL DEFAULT -1, "
    "unavailable INTEGER DEFAULT 0, fingerprint TEXT, playcount INTEGER NOT NULL DEFAULT 0, "
    "skipcount INTEGER NOT NULL DEFAULT 0, lastplayed INTEGER NOT NULL DEFAULT -1, "
    "lastseen INTEGER NOT NULL DEFAULT -1, compilation_detected INTEGER DEFAULT 0, "
    "compilation_on INTEGER NOT NULL DEFAULT 0, compilation_off INTEGER NOT NULL DEFAULT 0, "
    "compilation_effective INTEGER NOT NULL DEFAULT 0, art_automatic TEXT, art_manual TEXT, "
    "effective_albumartist TEXT, effective_originalyear INTEGER NOT NULL DEFAULT 0, "
    "cue_path TEXT, rating INTEGER DEFAULT -1";

// The columns schemas 17 to 23 added.
const char* const kStrawberry23Additions =
    ", art_embedded INTEGER DEFAULT 0, art_unset INTEGER DEFAULT 0, acoustid_id TEXT, "
    "acoustid_fingerprint TEXT, musicbrainz_album_artist_id TEXT, "
    "musicbrainz_artist_id TEXT, musicbrainz_original_artist_id TEXT, "
    "musicbrainz_album_id TEXT, musicbrainz_original_album_id TEXT, "
    "musicbrainz_recording_id TEXT, musicbrainz_track_id TEXT, musicbrainz_disc_id TEXT, "
    "musicbrainz_release_group_id TEXT, musicbrainz_work_id TEXT, "
    "ebur128_integrated_loudness_lufs REAL, ebur128_loudness_range_lu REAL, "
    "titlesort TEXT, albumsort TEXT, artistsort TEXT, albumartistsort TEXT, "
    "composersort TEXT, performersort TEXT, bpm REAL, mood TEXT, initial_key TEXT";

// Clementine's "songs" at schema 51.
const char* const kClementineSongs =
    "title TEXT, album TEXT, artist TEXT, albumartist TEXT, composer TEXT, track INTEGER, "
    "disc INTEGER, bpm REAL, year INTEGER, genre TEXT, comment TEXT, compilation INTEGER, "
    "length INTEGER, bitrate INTEGER, samplerate INTEGER, directory INTEGER NOT NULL, "
    "filename TEXT NOT NULL, mtime INTEGER NOT NULL, ctime INTEGER NOT NULL, "
    "filesize INTEGER NOT NULL, sampler INTEGER NOT NULL DEFAULT 0, art_automatic TEXT, "
    "art_manual TEXT, filetype INTEGER NOT NULL DEFAULT 0, "
    "playcount INTEGER NOT NULL DEFAULT 0, lastplayed INTEGER, rating INTEGER, "
    "forced_compilation_on INTEGER NOT NULL DEFAULT 0, "
    "forced_compilation_off INTEGER NOT NULL DEFAULT 0, "
    "effective_compilation NOT NULL DEFAULT 0, skipcount INTEGER NOT NULL DEFAULT 0, "
    "score INTEGER NOT NULL DEFAULT 0, beginning INTEGER NOT NULL DEFAULT 0, cue_path TEXT, "
    "unavailable INTEGER DEFAULT 0, effective_albumartist TEXT, etag TEXT, performer TEXT, "
    "grouping TEXT, lyrics TEXT, originalyear INTEGER, effective_originalyear INTEGER";

// A playlist entry's copy of a song has the song's columns without their constraints.
QString unconstrained(QString aColumns)
{
    return aColumns.replace(QStringLiteral(" NOT NULL"), QString());
}

} // namespace

PlayerDatabaseFiles::PlayerDatabaseFiles(const QString& aPath, Layout aLayout)
    : mPath(aPath)
    , mLayout(aLayout)
    , mConnection(QStringLiteral("player-fixture-%1").arg(quintptr(this)))
{
    mDatabase = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), mConnection);
    mDatabase.setDatabaseName(aPath);
    if (!mDatabase.open())
        qWarning("Cannot create %s", qPrintable(aPath));
    createTables();
}

PlayerDatabaseFiles::~PlayerDatabaseFiles()
{
    mDatabase.close();
    mDatabase = QSqlDatabase();
    QSqlDatabase::removeDatabase(mConnection);
}

QString PlayerDatabaseFiles::urlOf(const QString& aPath)
{
    return QUrl::fromLocalFile(aPath).toString(QUrl::FullyEncoded);
}

bool PlayerDatabaseFiles::exec(const QString& aStatement)
{
    QSqlQuery query(mDatabase);
    if (query.exec(aStatement))
        return true;
    qWarning("%s: %s", qPrintable(aStatement), qPrintable(query.lastError().text()));
    return false;
}

QString PlayerDatabaseFiles::songColumns() const
{
    switch (mLayout) {
    case Layout::Strawberry16: return QString::fromLatin1(kStrawberry16Songs);
    case Layout::Strawberry:
        return QString::fromLatin1(kStrawberry16Songs) + QString::fromLatin1(kStrawberry23Additions);
    case Layout::Clementine: return QString::fromLatin1(kClementineSongs);
    }
    return {};
}

void PlayerDatabaseFiles::createTables()
{
    const bool clementine = mLayout == Layout::Clementine;
    exec(QStringLiteral("CREATE TABLE schema_version (version INTEGER NOT NULL)"));
    exec(QStringLiteral("INSERT INTO schema_version (version) VALUES (%1)")
             .arg(clementine ? 51 : mLayout == Layout::Strawberry ? 23 : 16));
    exec(QStringLiteral("CREATE TABLE directories (path TEXT NOT NULL, subdirs INTEGER NOT NULL)"));
    exec(QStringLiteral("CREATE TABLE songs (%1)").arg(songColumns()));
    if (clementine) {
        exec(QStringLiteral(
            "CREATE TABLE playlists (name TEXT NOT NULL, last_played INTEGER NOT NULL DEFAULT -1, "
            "ui_order INTEGER NOT NULL DEFAULT 0, dynamic_playlist_type TEXT, "
            "dynamic_playlist_data BLOB, dynamic_playlist_backend TEXT DEFAULT \"songs\", "
            "special_type TEXT, ui_path TEXT, is_favorite INTEGER NOT NULL DEFAULT 0)"));
        // The columns of schema 7, then those later schemas copied from "songs".
        QStringList copy = unconstrained(QString::fromLatin1(kClementineSongs)).split(QStringLiteral(", "));
        copy.removeIf([](const QString& aColumn) {
            static const QStringList kInSchema7 = {QStringLiteral("title"), QStringLiteral("album"),
                                                   QStringLiteral("artist"), QStringLiteral("length"),
                                                   QStringLiteral("beginning"), QStringLiteral("cue_path")};
            return kInSchema7.contains(aColumn.section(u' ', 0, 0));
        });
        exec(QStringLiteral(
            "CREATE TABLE podcasts (url TEXT, title TEXT, description TEXT, copyright TEXT, "
            "link TEXT, image_url_large TEXT, image_url_small TEXT, author TEXT, "
            "owner_name TEXT, owner_email TEXT, last_updated INTEGER, last_update_error TEXT, "
            "extra BLOB)"));
        exec(QStringLiteral(
            "CREATE TABLE podcast_episodes (podcast_id INTEGER, title TEXT, description TEXT, "
            "author TEXT, publication_date INTEGER, duration_secs INTEGER, url TEXT, "
            "listened BOOLEAN, listened_date INTEGER, downloaded BOOLEAN, local_url TEXT, "
            "extra BLOB)"));
        exec(QStringLiteral("CREATE TABLE playlist_items (playlist INTEGER NOT NULL, "
                            "type TEXT NOT NULL, library_id INTEGER, url TEXT, title TEXT, "
                            "artist TEXT, album TEXT, length INTEGER, radio_service TEXT, "
                            "beginning INTEGER, cue_path TEXT, %1)")
                 .arg(copy.join(QStringLiteral(", "))));
    } else {
        exec(QStringLiteral(
            "CREATE TABLE playlists (name TEXT NOT NULL, last_played INTEGER NOT NULL DEFAULT -1, "
            "ui_order INTEGER NOT NULL DEFAULT 0, special_type TEXT, ui_path TEXT, "
            "is_favorite INTEGER NOT NULL DEFAULT 0, dynamic_playlist_type INTEGER, "
            "dynamic_playlist_backend TEXT, dynamic_playlist_data BLOB)"));
        exec(QStringLiteral("CREATE TABLE playlist_items (playlist INTEGER NOT NULL, "
                            "type INTEGER NOT NULL DEFAULT 0, %1collection_id INTEGER, "
                            "playlist_url TEXT, %2)")
                 .arg(mLayout == Layout::Strawberry ? QStringLiteral("uuid TEXT, ") : QString(),
                      unconstrained(songColumns())));
    }
}

void PlayerDatabaseFiles::bindSong(QSqlQuery& aQuery, const Song& aSong) const
{
    const bool clementine = mLayout == Layout::Clementine;
    QString automatic = aSong.mArtAutomatic;
    if (aSong.mArtEmbedded && mLayout != Layout::Strawberry)
        automatic = clementine ? QStringLiteral("(embedded)") : QStringLiteral("file:(embedded)");
    const QList<QPair<QString, QVariant>> values = {
        {QStringLiteral("title"), aSong.mTitle},
        {QStringLiteral("artist"), aSong.mArtist},
        {QStringLiteral("albumartist"), aSong.mAlbumArtist},
        {QStringLiteral("album"), aSong.mAlbum},
        {QStringLiteral("genre"), aSong.mGenre},
        {QStringLiteral("track"), aSong.mTrack},
        {QStringLiteral("disc"), aSong.mDisc},
        {QStringLiteral("year"), aSong.mYear},
        {QStringLiteral("length"), aSong.mLengthNs},
        {clementine ? QStringLiteral("filename") : QStringLiteral("url"), urlOf(aSong.mPath)},
        {QStringLiteral("filesize"), aSong.mFileSize},
        {QStringLiteral("mtime"), aSong.mCTime},
        {QStringLiteral("ctime"), aSong.mCTime},
        {QStringLiteral("compilation"), int(aSong.mCompilation)},
        {clementine ? QStringLiteral("effective_compilation") : QStringLiteral("compilation_effective"),
         int(aSong.mCompilation)},
        {QStringLiteral("unavailable"), int(aSong.mUnavailable)},
        {QStringLiteral("art_automatic"), automatic},
        {QStringLiteral("art_manual"), aSong.mArtManual},
        {QStringLiteral("cue_path"), aSong.mCuePath},
        {QStringLiteral("beginning"), aSong.mBeginningNs},
        {clementine ? QStringLiteral("directory") : QStringLiteral("directory_id"), 1},
        {clementine ? QStringLiteral("filetype") : QStringLiteral("source"), 2},
    };
    for (const auto& [column, value] : values)
        aQuery.bindValue(u':' + column, value);
    if (mLayout == Layout::Strawberry)
        aQuery.bindValue(QStringLiteral(":art_embedded"), int(aSong.mArtEmbedded));
}

QStringList PlayerDatabaseFiles::boundColumns() const
{
    const bool clementine = mLayout == Layout::Clementine;
    QStringList columns = {QStringLiteral("title"), QStringLiteral("artist"),
                           QStringLiteral("albumartist"), QStringLiteral("album"),
                           QStringLiteral("genre"), QStringLiteral("track"), QStringLiteral("disc"),
                           QStringLiteral("year"), QStringLiteral("length"),
                           clementine ? QStringLiteral("filename") : QStringLiteral("url"),
                           QStringLiteral("filesize"), QStringLiteral("mtime"),
                           QStringLiteral("ctime"), QStringLiteral("compilation"),
                           clementine ? QStringLiteral("effective_compilation")
                                      : QStringLiteral("compilation_effective"),
                           QStringLiteral("unavailable"), QStringLiteral("art_automatic"),
                           QStringLiteral("art_manual"), QStringLiteral("cue_path"),
                           QStringLiteral("beginning"),
                           clementine ? QStringLiteral("directory") : QStringLiteral("directory_id"),
                           clementine ? QStringLiteral("filetype") : QStringLiteral("source")};
    if (mLayout == Layout::Strawberry)
        columns.append(QStringLiteral("art_embedded"));
    return columns;
}

qint64 PlayerDatabaseFiles::addSong(const Song& aSong)
{
    const QStringList columns = boundColumns();
    QSqlQuery query(mDatabase);
    query.prepare(QStringLiteral("INSERT INTO songs (%1) VALUES (:%2)")
                      .arg(columns.join(QStringLiteral(", ")), columns.join(QStringLiteral(", :"))));
    bindSong(query, aSong);
    if (!query.exec())
        qWarning("Song not added: %s", qPrintable(query.lastError().text()));
    return query.lastInsertId().toLongLong();
}

qint64 PlayerDatabaseFiles::addPlaylist(const QString& aName, qint32 aUiOrder, bool aDynamic)
{
    QSqlQuery query(mDatabase);
    query.prepare(QStringLiteral("INSERT INTO playlists (name, ui_order, dynamic_playlist_type) "
                                 "VALUES (?, ?, ?)"));
    query.addBindValue(aName);
    query.addBindValue(aUiOrder);
    if (mLayout == Layout::Clementine)
        query.addBindValue(aDynamic ? QStringLiteral("Query") : QString());
    else
        query.addBindValue(aDynamic ? QVariant(1) : QVariant());
    if (!query.exec())
        qWarning("Playlist not added: %s", qPrintable(query.lastError().text()));
    return query.lastInsertId().toLongLong();
}

void PlayerDatabaseFiles::addCollectionItem(qint64 aPlaylist, qint64 aSongRow)
{
    const bool clementine = mLayout == Layout::Clementine;
    exec(QStringLiteral("INSERT INTO playlist_items (playlist, type, %1) VALUES (%2, %3, %4)")
             .arg(clementine ? QStringLiteral("library_id") : QStringLiteral("collection_id"))
             .arg(aPlaylist)
             .arg(clementine ? QStringLiteral("'Library'") : QStringLiteral("2"))
             .arg(aSongRow));
}

void PlayerDatabaseFiles::addFileItem(qint64 aPlaylist, const Song& aSong)
{
    const bool clementine = mLayout == Layout::Clementine;
    const QStringList columns = boundColumns();
    QSqlQuery query(mDatabase);
    if (!query.prepare(QStringLiteral("INSERT INTO playlist_items (playlist, type, %1) "
                                      "VALUES (:playlist, :type, :%2)")
                           .arg(columns.join(QStringLiteral(", ")), columns.join(QStringLiteral(", :")))))
        qWarning("Item not prepared: %s", qPrintable(query.lastError().text()));
    query.bindValue(QStringLiteral(":playlist"), aPlaylist);
    query.bindValue(QStringLiteral(":type"),
                    clementine ? QVariant(QStringLiteral("File")) : QVariant(1));
    bindSong(query, aSong);
    if (!query.exec())
        qWarning("Item not added: %s", qPrintable(query.lastError().text()));
}

void PlayerDatabaseFiles::addStreamItem(qint64 aPlaylist, const QString& aUrl, const QString& aTitle)
{
    const bool clementine = mLayout == Layout::Clementine;
    QSqlQuery query(mDatabase);
    query.prepare(QStringLiteral("INSERT INTO playlist_items (playlist, type, title, %1) "
                                 "VALUES (?, ?, ?, ?)")
                      .arg(clementine ? QStringLiteral("filename") : QStringLiteral("url")));
    query.addBindValue(aPlaylist);
    query.addBindValue(clementine ? QVariant(QStringLiteral("Stream")) : QVariant(5));
    query.addBindValue(aTitle);
    query.addBindValue(aUrl);
    if (!query.exec())
        qWarning("Item not added: %s", qPrintable(query.lastError().text()));
}

qint64 PlayerDatabaseFiles::addPodcast(const QString& aTitle)
{
    QSqlQuery query(mDatabase);
    query.prepare(QStringLiteral("INSERT INTO podcasts (url, title, author) VALUES (?, ?, ?)"));
    query.addBindValue(QStringLiteral("https://feeds.example/") + aTitle);
    query.addBindValue(aTitle);
    query.addBindValue(QStringLiteral("Host of ") + aTitle);
    if (!query.exec())
        qWarning("Podcast not added: %s", qPrintable(query.lastError().text()));
    return query.lastInsertId().toLongLong();
}

void PlayerDatabaseFiles::addPodcastEpisode(qint64 aPodcast, const QString& aTitle,
                                            qint64 aPublished, const QString& aPath)
{
    QSqlQuery query(mDatabase);
    query.prepare(QStringLiteral("INSERT INTO podcast_episodes (podcast_id, title, "
                                 "publication_date, duration_secs, url, listened, downloaded, "
                                 "local_url) VALUES (?, ?, ?, 1800, ?, 0, ?, ?)"));
    query.addBindValue(aPodcast);
    query.addBindValue(aTitle);
    query.addBindValue(aPublished);
    query.addBindValue(QStringLiteral("https://media.example/") + aTitle + QStringLiteral(".mp3"));
    query.addBindValue(!aPath.isEmpty());
    query.addBindValue(aPath.isEmpty() ? QString() : urlOf(aPath));
    if (!query.exec())
        qWarning("Episode not added: %s", qPrintable(query.lastError().text()));
}
