#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Writes Rhythmbox's "rhythmdb.xml" and "playlists.xml" as Rhythmbox writes them: the database
// with its "rhythmdb" version 2.0 root and one "entry" per song, stream or podcast post, four
// spaces before each property, numbers left out when zero, locations as escaped file URLs; the
// playlist file as libxml2 saves it, with the play queue and the default automatic playlists.
class RhythmboxFiles
{
public:
    struct Song
    {
        QString mTitle;
        QString mArtist;
        QString mAlbum;
        QString mAlbumArtist;
        QString mGenre = QStringLiteral("Rock");
        qint32 mTrackNumber = 0;
        qint32 mDiscNumber = 0;
        qint64 mDurationSeconds = 0;
        qint64 mFileSize = 0;
        // Rhythmbox's "date": days from 1 January of year 1; 0 for none.
        qint64 mDate = 0;
        qint64 mFirstSeen = 0;
        QString mPath;
    };

    struct PodcastPost
    {
        QString mTitle;
        QString mFeed;
        qint64 mPostTime = 0;
        // The downloaded file; empty when the post was never downloaded.
        QString mPath;
        QString mRemoteUrl;
        // 100 for a finished download, 0 to 99 while one is under way.
        qint64 mStatus = 100;
    };

    // The escaped "file://" URL Rhythmbox records for aPath.
    static QString urlOf(const QString& aPath);
    // Rhythmbox's "date" value for 1 January of aYear.
    static qint64 dateOfYear(int aYear);

    void addSong(const Song& aSong);
    void addPodcastPost(const PodcastPost& aPost);
    // An internet radio station: an entry that is not music of the library.
    void addRadioStation(const QString& aTitle, const QString& aUrl);
    // A static playlist of the songs at aPaths, in that order.
    void addStaticPlaylist(const QString& aName, const QStringList& aPaths);
    void addAutomaticPlaylist(const QString& aName);

    QByteArray database() const;
    QByteArray playlists() const;
    // Writes both files into aFolder; returns the database's path.
    QString write(const QString& aFolder) const;

private:
    QByteArray mEntries;
    QByteArray mPlaylists;
};
