#include "library/LibraryXmlBuilder.h"

#include <QFile>
#include <QSaveFile>

namespace {

QByteArray escaped(const QString& aText)
{
    return aText.toHtmlEscaped().toUtf8();
}

QByteArray percentEncoded(const QString& aPath)
{
    // iTunes keeps letters, digits and "/-._~:" and encodes the rest as UTF-8.
    return aPath.toUtf8().toPercentEncoding("/:");
}

void key(QByteArray& aOut, const char* aIndent, const char* aKey)
{
    aOut += aIndent;
    aOut += "<key>";
    aOut += aKey;
    aOut += "</key>";
}

void string(QByteArray& aOut, const char* aIndent, const char* aKey, const QString& aValue)
{
    key(aOut, aIndent, aKey);
    aOut += "<string>" + escaped(aValue) + "</string>\n";
}

void integer(QByteArray& aOut, const char* aIndent, const char* aKey, qint64 aValue)
{
    key(aOut, aIndent, aKey);
    aOut += "<integer>" + QByteArray::number(aValue) + "</integer>\n";
}

void boolean(QByteArray& aOut, const char* aIndent, const char* aKey, bool aValue)
{
    key(aOut, aIndent, aKey);
    aOut += aValue ? "<true/>\n" : "<false/>\n";
}

void date(QByteArray& aOut, const char* aIndent, const char* aKey, const QDateTime& aValue)
{
    key(aOut, aIndent, aKey);
    aOut += "<date>" + aValue.toUTC().toString(Qt::ISODate).toUtf8() + "</date>\n";
}

QString persistentId(qint64 aSeed)
{
    return QStringLiteral("%1").arg(quint64(0x5A17C0DE00000000ULL) + quint64(aSeed), 16, 16,
                                    QChar(u'0')).toUpper();
}

} // namespace

LibraryXmlBuilder::LibraryXmlBuilder(Style aStyle)
    : mStyle(aStyle)
{
    mMusicFolder = aStyle == Style::Windows
                       ? windowsUrl(QStringLiteral("C:/Users/bob/Music/iTunes/iTunes Media/"))
                       : macUrl(QStringLiteral("/Users/bob/Music/iTunes/iTunes Media/"));
}

QString LibraryXmlBuilder::macUrl(const QString& aPath)
{
    return QStringLiteral("file://")
           + QString::fromLatin1(percentEncoded(aPath.normalized(QString::NormalizationForm_D)));
}

QString LibraryXmlBuilder::windowsUrl(const QString& aWindowsPath)
{
    QString path = aWindowsPath;
    path.replace(u'\\', u'/');
    return QStringLiteral("file://localhost/") + QString::fromLatin1(percentEncoded(path));
}

QString LibraryXmlBuilder::linuxUrl(const QString& aPath)
{
    return QStringLiteral("file://") + QString::fromLatin1(percentEncoded(aPath));
}

qint64 LibraryXmlBuilder::addTrack(const TrackSpec& aTrack)
{
    const qint64 id = mNextTrackId;
    mNextTrackId += 2;
    mTracks.insert(id, aTrack);
    mTrackIdsInOrder.append(id);
    return id;
}

void LibraryXmlBuilder::addPlaylist(const PlaylistSpec& aPlaylist)
{
    mPlaylists.append(aPlaylist);
}

void LibraryXmlBuilder::addMasterPlaylist(const QString& aName)
{
    PlaylistSpec master;
    master.mName = aName;
    master.mMaster = true;
    master.mVisible = false;
    master.mTrackIds = mTrackIdsInOrder;
    mPlaylists.prepend(master);
}

QByteArray LibraryXmlBuilder::toXml() const
{
    QByteArray out;
    out.reserve(qsizetype(mTracks.size()) * 1400 + 4096);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" "
           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\">\n<dict>\n";
    integer(out, "\t", "Major Version", 1);
    integer(out, "\t", "Minor Version", 1);
    date(out, "\t", "Date", QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9), Qt::UTC));
    string(out, "\t", "Application Version",
           mStyle == Style::Windows ? QStringLiteral("12.12.10.1") : QStringLiteral("12.9.5.5"));
    integer(out, "\t", "Features", 5);
    boolean(out, "\t", "Show Content Ratings", true);
    if (!mMusicFolder.isEmpty())
        string(out, "\t", "Music Folder", mMusicFolder);
    string(out, "\t", "Library Persistent ID", persistentId(0));
    out += "\t<key>Tracks</key>\n\t<dict>\n";
    for (const qint64 id : mTrackIdsInOrder) {
        const TrackSpec& track = mTracks[id];
        out += "\t\t<key>" + QByteArray::number(id) + "</key>\n\t\t<dict>\n";
        const char* in = "\t\t\t";
        integer(out, in, "Track ID", id);
        if (!track.mName.isNull())
            string(out, in, "Name", track.mName);
        if (!track.mArtist.isEmpty())
            string(out, in, "Artist", track.mArtist);
        if (!track.mAlbumArtist.isEmpty())
            string(out, in, "Album Artist", track.mAlbumArtist);
        if (!track.mAlbum.isEmpty())
            string(out, in, "Album", track.mAlbum);
        if (!track.mGenre.isEmpty())
            string(out, in, "Genre", track.mGenre);
        string(out, in, "Kind", track.mKind);
        integer(out, in, "Size", track.mSize);
        integer(out, in, "Total Time", 215000);
        integer(out, in, "Disc Number", 1);
        integer(out, in, "Disc Count", 1);
        if (track.mTrackNumber > 0)
            integer(out, in, "Track Number", track.mTrackNumber);
        integer(out, in, "Year", 2009);
        date(out, in, "Date Modified", track.mDateAdded);
        date(out, in, "Date Added", track.mDateAdded);
        integer(out, in, "Bit Rate", 256);
        integer(out, in, "Sample Rate", 44100);
        if (track.mCompilation)
            boolean(out, in, "Compilation", true);
        if (track.mPodcast)
            boolean(out, in, "Podcast", true);
        if (track.mProtected)
            boolean(out, in, "Protected", true);
        string(out, in, "Persistent ID", persistentId(id));
        string(out, in, "Track Type", track.mTrackType);
        if (!track.mLocation.isEmpty())
            string(out, in, "Location", track.mLocation);
        integer(out, in, "File Folder Count", 5);
        integer(out, in, "Library Folder Count", 1);
        out += "\t\t</dict>\n";
    }
    out += "\t</dict>\n\t<key>Playlists</key>\n\t<array>\n";
    qint64 playlistId = 50001;
    for (const PlaylistSpec& playlist : mPlaylists) {
        out += "\t\t<dict>\n";
        const char* in = "\t\t\t";
        string(out, in, "Name", playlist.mName);
        string(out, in, "Description", QString());
        if (playlist.mMaster)
            boolean(out, in, "Master", true);
        integer(out, in, "Playlist ID", playlistId);
        string(out, in, "Playlist Persistent ID", persistentId(playlistId));
        ++playlistId;
        if (playlist.mDistinguishedKind >= 0)
            integer(out, in, "Distinguished Kind", playlist.mDistinguishedKind);
        for (const QString& flag : playlist.mFlags)
            boolean(out, in, flag.toUtf8().constData(), true);
        if (!playlist.mVisible)
            boolean(out, in, "Visible", false);
        boolean(out, in, "All Items", true);
        if (playlist.mSmart) {
            key(out, in, "Smart Info");
            out += "\n\t\t\t<data>\n\t\t\tAQEAAwAAAAIAAAAZAAAAAAAAAAcAAAABAAAAAAAAAAAAAAAA\n\t\t\t</data>\n";
        }
        if (!playlist.mTrackIds.isEmpty()) {
            out += "\t\t\t<key>Playlist Items</key>\n\t\t\t<array>\n";
            for (const qint64 id : playlist.mTrackIds)
                out += "\t\t\t\t<dict>\n\t\t\t\t\t<key>Track ID</key><integer>" + QByteArray::number(id)
                       + "</integer>\n\t\t\t\t</dict>\n";
            out += "\t\t\t</array>\n";
        }
        out += "\t\t</dict>\n";
    }
    out += "\t</array>\n</dict>\n</plist>\n";
    return out;
}

bool LibraryXmlBuilder::write(const QString& aPath) const
{
    QSaveFile file(aPath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(toXml());
    return file.commit();
}
