#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// Makes Strawberry and Clementine databases with the players' own table layouts: Strawberry's
// schema 23 (and schema 16, before covers got columns of their own), Clementine's schema 51.
// Songs go into "songs"; playlists into "playlists" and "playlist_items", which name a song of
// the collection by its row or carry a copy of a song outside it.
class PlayerDatabaseFiles
{
public:
    enum class Layout { Strawberry, Strawberry16, Clementine };

    struct Song
    {
        QString mTitle;
        QString mArtist = QStringLiteral("Artist");
        QString mAlbumArtist;
        QString mAlbum = QStringLiteral("Album");
        QString mGenre = QStringLiteral("Rock");
        qint32 mTrack = -1;
        qint32 mDisc = -1;
        qint32 mYear = -1;
        qint64 mLengthNs = 0;
        QString mPath;
        qint64 mFileSize = -1;
        qint64 mCTime = -1;
        bool mCompilation = false;
        bool mUnavailable = false;
        // Cover columns as the player writes them (a URL or path, "(embedded)", "(unset)").
        QString mArtAutomatic;
        QString mArtManual;
        bool mArtEmbedded = false;
        // A song that is a part of a larger file, described by a CUE sheet.
        QString mCuePath;
        qint64 mBeginningNs = 0;
    };

    PlayerDatabaseFiles(const QString& aPath, Layout aLayout);
    ~PlayerDatabaseFiles();
    PlayerDatabaseFiles(const PlayerDatabaseFiles&) = delete;
    PlayerDatabaseFiles& operator=(const PlayerDatabaseFiles&) = delete;

    // How the player writes a file's URL: encoded, "file:///...".
    static QString urlOf(const QString& aPath);

    // The song's row.
    qint64 addSong(const Song& aSong);
    // The playlist's row. aUiOrder -1: closed in the player's window. aDynamic: a smart
    // playlist, whose songs the player chooses.
    qint64 addPlaylist(const QString& aName, qint32 aUiOrder, bool aDynamic = false);
    void addCollectionItem(qint64 aPlaylist, qint64 aSongRow);
    // An entry for a file outside the collection, with its own copy of the song.
    void addFileItem(qint64 aPlaylist, const Song& aSong);
    void addStreamItem(qint64 aPlaylist, const QString& aUrl, const QString& aTitle);
    // Clementine only: a subscribed podcast (its row) and an episode of it; an episode with an
    // empty aPath was not downloaded.
    qint64 addPodcast(const QString& aTitle);
    void addPodcastEpisode(qint64 aPodcast, const QString& aTitle, qint64 aPublished,
                           const QString& aPath);

    QSqlDatabase& database() { return mDatabase; }
    const QString& path() const { return mPath; }
    // Runs aStatement; false (with a warning) when it fails.
    bool exec(const QString& aStatement);

private:
    void createTables();
    void bindSong(class QSqlQuery& aQuery, const Song& aSong) const;
    QString songColumns() const;
    // The columns bindSong() sets.
    QStringList boundColumns() const;

    QString mPath;
    Layout mLayout;
    QString mConnection;
    QSqlDatabase mDatabase;
};
