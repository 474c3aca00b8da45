#include "RhythmboxFiles.h"

#include <QDate>
#include <QDir>
#include <QFile>

namespace {

// As libxml2 encodes text without a document encoding: markup characters as entities and
// everything beyond ASCII as character references.
QByteArray encoded(const QString& aText)
{
    QByteArray out;
    for (const char32_t c : aText.toUcs4()) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c < 0x80)
            out += char(c);
        else
            out += "&#x" + QByteArray::number(quint32(c), 16).toUpper() + ";";
    }
    return out;
}

QByteArray property(const char* aName, const QString& aText)
{
    return QByteArray("    <") + aName + ">" + encoded(aText) + "</" + aName + ">\n";
}

// Numbers are written only when not zero, as Rhythmbox does.
QByteArray number(const char* aName, qint64 aValue)
{
    return aValue == 0 ? QByteArray() : property(aName, QString::number(aValue));
}

} // namespace

QString RhythmboxFiles::urlOf(const QString& aPath)
{
    // GLib's g_filename_to_uri(): unreserved characters, sub-delimiters, ':', '@' and '/' stay.
    static const QByteArray kKept = "-._~!$&'()*+,;=:@/";
    QByteArray url = "file://";
    for (const char c : aPath.toUtf8()) {
        const uchar u = uchar(c);
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9')
            || kKept.contains(c))
            url += c;
        else
            url += '%' + QByteArray::number(u, 16).toUpper().rightJustified(2, '0');
    }
    return QString::fromLatin1(url);
}

qint64 RhythmboxFiles::dateOfYear(int aYear)
{
    return QDate(aYear, 1, 1).toJulianDay() - 1721425;
}

void RhythmboxFiles::addSong(const Song& aSong)
{
    mEntries += "  <entry type=\"song\">\n";
    mEntries += property("title", aSong.mTitle);
    mEntries += property("genre", aSong.mGenre);
    mEntries += property("artist", aSong.mArtist);
    mEntries += property("album", aSong.mAlbum);
    mEntries += number("track-number", aSong.mTrackNumber);
    mEntries += number("disc-number", aSong.mDiscNumber);
    mEntries += number("duration", aSong.mDurationSeconds);
    mEntries += number("file-size", aSong.mFileSize);
    mEntries += property("location", urlOf(aSong.mPath));
    mEntries += property("mountpoint", QStringLiteral("file:///"));
    mEntries += number("mtime", 1700000000);
    mEntries += number("first-seen", aSong.mFirstSeen);
    mEntries += number("last-seen", 1760000000);
    mEntries += number("bitrate", 192);
    // "date" is the one number written even when zero.
    mEntries += property("date", QString::number(aSong.mDate));
    mEntries += property("media-type", QStringLiteral("audio/mpeg"));
    if (!aSong.mAlbumArtist.isEmpty())
        mEntries += property("album-artist", aSong.mAlbumArtist);
    mEntries += "  </entry>\n";
}

void RhythmboxFiles::addPodcastPost(const PodcastPost& aPost)
{
    mEntries += "  <entry type=\"podcast-post\">\n";
    mEntries += property("title", aPost.mTitle);
    mEntries += property("genre", QStringLiteral("Podcast"));
    mEntries += property("artist", aPost.mFeed);
    mEntries += property("album", aPost.mFeed);
    if (aPost.mPath.isEmpty()) {
        mEntries += property("location", aPost.mRemoteUrl);
    } else {
        // Once a download begins the local file takes the location, the feed's URL moves
        // to the mountpoint.
        mEntries += property("location", urlOf(aPost.mPath));
        mEntries += property("mountpoint", aPost.mRemoteUrl);
    }
    mEntries += number("file-size", 1234567);
    mEntries += number("first-seen", 1750000000);
    mEntries += property("date", QStringLiteral("0"));
    mEntries += number("status", aPost.mStatus);
    mEntries += property("description", QStringLiteral("An episode"));
    mEntries += number("post-time", aPost.mPostTime);
    mEntries += "  </entry>\n";
}

void RhythmboxFiles::addRadioStation(const QString& aTitle, const QString& aUrl)
{
    mEntries += "  <entry type=\"iradio\">\n";
    mEntries += property("title", aTitle);
    mEntries += property("genre", QStringLiteral("Jazz"));
    mEntries += property("artist", QString());
    mEntries += property("album", QString());
    mEntries += property("location", aUrl);
    mEntries += property("date", QStringLiteral("0"));
    mEntries += "  </entry>\n";
}

void RhythmboxFiles::addStaticPlaylist(const QString& aName, const QStringList& aPaths)
{
    mPlaylists += "  <playlist name=\"" + encoded(aName).replace("\"", "&quot;")
                  + "\" show-browser=\"false\" browser-position=\"180\" "
                    "search-type=\"search-match\" type=\"static\">\n";
    for (const QString& path : aPaths)
        mPlaylists += "    <location>" + encoded(urlOf(path)) + "</location>\n";
    mPlaylists += "  </playlist>\n";
}

void RhythmboxFiles::addAutomaticPlaylist(const QString& aName)
{
    mPlaylists += "  <playlist name=\"" + encoded(aName)
                  + "\" show-browser=\"true\" browser-position=\"180\" "
                    "search-type=\"search-match\" type=\"automatic\" sort-key=\"Rating\" "
                    "sort-direction=\"1\">\n"
                    "    <conjunction>\n"
                    "      <equals prop=\"type\">song</equals>\n"
                    "      <greater prop=\"rating\">4</greater>\n"
                    "    </conjunction>\n"
                    "  </playlist>\n";
}

QByteArray RhythmboxFiles::database() const
{
    return "<?xml version=\"1.0\" standalone=\"yes\"?>\n<rhythmdb version=\"2.0\">\n" + mEntries
           + "</rhythmdb>\n";
}

QByteArray RhythmboxFiles::playlists() const
{
    return "<?xml version=\"1.0\"?>\n<rhythmdb-playlists>\n" + mPlaylists
           + "  <playlist name=\"Play Queue\" show-browser=\"false\" browser-position=\"180\" "
             "search-type=\"search-match\" type=\"queue\"/>\n"
             "</rhythmdb-playlists>\n";
}

QString RhythmboxFiles::write(const QString& aFolder) const
{
    QDir().mkpath(aFolder);
    const QString path = aFolder + QStringLiteral("/rhythmdb.xml");
    QFile database(path);
    if (database.open(QIODevice::WriteOnly))
        database.write(this->database());
    QFile playlistFile(aFolder + QStringLiteral("/playlists.xml"));
    if (playlistFile.open(QIODevice::WriteOnly))
        playlistFile.write(playlists());
    return path;
}
