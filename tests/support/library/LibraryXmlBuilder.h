#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>

// Writes library files in the format iTunes writes ("iTunes Library.xml"): the XML property list
// with its DOCTYPE, the header keys, the "Tracks" dictionary and the "Playlists" array, with
// tabs as iTunes indents them. Windows exports use "file://localhost/C:/..." locations, macOS
// exports "file:///Users/..." with names in decomposed Unicode.
class LibraryXmlBuilder
{
public:
    enum class Style { Windows, MacOS };

    struct TrackSpec
    {
        QString mName;
        QString mArtist;
        QString mAlbumArtist;
        QString mAlbum;
        QString mGenre = QStringLiteral("Rock");
        QString mKind = QStringLiteral("MPEG audio file");
        qint64 mSize = 4000000;
        qint32 mTrackNumber = 1;
        bool mCompilation = false;
        bool mPodcast = false;
        // Written as "Protected" true.
        bool mProtected = false;
        QDateTime mDateAdded = QDateTime(QDate(2012, 3, 4), QTime(10, 20, 30), Qt::UTC);
        // The "Location" URL as written; empty: no "Location" key (a stream or cloud track).
        QString mLocation;
        QString mTrackType = QStringLiteral("File");
    };

    struct PlaylistSpec
    {
        QString mName;
        QList<qint64> mTrackIds;
        bool mMaster = false;
        // -1: no "Distinguished Kind" key.
        qint32 mDistinguishedKind = -1;
        // Boolean keys set to true ("Music", "Podcasts", "Folder", ...).
        QStringList mFlags;
        bool mVisible = true;
        bool mSmart = false;
    };

    explicit LibraryXmlBuilder(Style aStyle = Style::MacOS);

    Style style() const { return mStyle; }
    void setMusicFolder(const QString& aUrl) { mMusicFolder = aUrl; }

    // Returns the track's "Track ID".
    qint64 addTrack(const TrackSpec& aTrack);
    void addPlaylist(const PlaylistSpec& aPlaylist);
    // The master "Library" playlist with every track added so far.
    void addMasterPlaylist(const QString& aName = QStringLiteral("Library"));
    QList<qint64> trackIds() const { return mTrackIdsInOrder; }

    QByteArray toXml() const;
    bool write(const QString& aPath) const;

    // A location URL as iTunes writes it for a local path: spaces and non-ASCII percent-encoded
    // (macOS in decomposed form), "localhost" host on Windows.
    static QString macUrl(const QString& aPath);
    static QString windowsUrl(const QString& aWindowsPath);
    static QString linuxUrl(const QString& aPath);

private:
    Style mStyle;
    QString mMusicFolder;
    QList<qint64> mTrackIdsInOrder;
    QMap<qint64, TrackSpec> mTracks;
    QList<PlaylistSpec> mPlaylists;
    qint64 mNextTrackId = 1001;
};
