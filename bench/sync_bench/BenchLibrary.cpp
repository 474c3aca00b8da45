#include "BenchLibrary.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QUrl>

#include <algorithm>
#include <cstring>

namespace {

QByteArray escaped(const QString& aText)
{
    return aText.toHtmlEscaped().toUtf8();
}

} // namespace

QString BenchLibrary::libraryFile(const QString& aRoot)
{
    return aRoot + QStringLiteral("/iTunes Library.xml");
}

QString BenchLibrary::musicFolder(const QString& aRoot)
{
    return aRoot + QStringLiteral("/Music");
}

bool BenchLibrary::generate(const QString& aRoot, int aTrackCount, int aFileSize,
                            int aAlbumCount, int aPlaylistCount, const QByteArray& aCoverJpeg)
{
    const int perAlbum = (aTrackCount + aAlbumCount - 1) / aAlbumCount;
    QByteArray tracksXml;
    // Each file starts with an ID3v2.3 tag, as the files of a real library do; the album-art
    // lookup reads that tag. It is empty unless a cover is given.
    QByteArray tag("ID3\x03\0\0", 6);
    QByteArray frames;
    if (!aCoverJpeg.isEmpty()) {
        const QByteArray body = QByteArray("\0image/jpeg\0\x03\0", 14) + aCoverJpeg;
        const quint32 size = quint32(body.size());
        frames = "APIC" + QByteArray(1, char(size >> 24)) + char(size >> 16) + char(size >> 8)
                 + char(size) + QByteArray(2, '\0') + body;
    }
    // The tag size is synchsafe: seven bits per byte.
    const quint32 tagSize = quint32(frames.size());
    tag += char((tagSize >> 21) & 0x7f);
    tag += char((tagSize >> 14) & 0x7f);
    tag += char((tagSize >> 7) & 0x7f);
    tag += char(tagSize & 0x7f);
    tag += frames;
    QByteArray payload(std::max<qsizetype>(aFileSize, tag.size() + 16), '\0');
    const qsizetype kCounterOffset = tag.size();
    std::memcpy(payload.data(), tag.constData(), size_t(tag.size()));
    for (int i = 0; i < aTrackCount; ++i) {
        const int album = i / perAlbum;
        const QString artist = QStringLiteral("Artist %1").arg(album % 50, 2, 10, QLatin1Char('0'));
        const QString albumName = QStringLiteral("Album %1").arg(album, 3, 10, QLatin1Char('0'));
        const QString name = QStringLiteral("Track %1").arg(i, 5, 10, QLatin1Char('0'));
        const QString folder = musicFolder(aRoot) + QLatin1Char('/') + artist + QLatin1Char('/') + albumName;
        const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".mp3");
        if (i % perAlbum == 0 && !QDir().mkpath(folder))
            return false;
        // Distinct content per file, so that nothing can be shared between copies.
        std::memcpy(payload.data() + kCounterOffset, &i, sizeof(i));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(payload) != payload.size())
            return false;
        file.close();
        const int id = 1000 + i;
        tracksXml += "\t\t<key>" + QByteArray::number(id) + "</key>\n\t\t<dict>\n"
                     "\t\t\t<key>Track ID</key><integer>" + QByteArray::number(id) + "</integer>\n"
                     "\t\t\t<key>Name</key><string>" + escaped(name) + "</string>\n"
                     "\t\t\t<key>Artist</key><string>" + escaped(artist) + "</string>\n"
                     "\t\t\t<key>Album</key><string>" + escaped(albumName) + "</string>\n"
                     "\t\t\t<key>Kind</key><string>MPEG audio file</string>\n"
                     "\t\t\t<key>Size</key><integer>" + QByteArray::number(aFileSize) + "</integer>\n"
                     "\t\t\t<key>Track Number</key><integer>" + QByteArray::number(i % perAlbum + 1)
                     + "</integer>\n"
                     "\t\t\t<key>Date Added</key><date>2024-01-01T00:00:00Z</date>\n"
                     "\t\t\t<key>Track Type</key><string>File</string>\n"
                     "\t\t\t<key>Location</key><string>"
                     + escaped(QString::fromUtf8(QUrl::fromLocalFile(path).toEncoded()))
                     + "</string>\n\t\t</dict>\n";
    }

    auto playlistXml = [&](const QString& aName, int aId, const QByteArray& aExtra, int aFirst,
                           int aLast) {
        QByteArray xml = "\t\t<dict>\n" + aExtra + "\t\t\t<key>Name</key><string>"
                         + escaped(aName) + "</string>\n\t\t\t<key>Playlist ID</key><integer>"
                         + QByteArray::number(aId) + "</integer>\n"
                         "\t\t\t<key>Playlist Items</key>\n\t\t\t<array>\n";
        for (int i = aFirst; i < aLast; ++i)
            xml += "\t\t\t\t<dict><key>Track ID</key><integer>" + QByteArray::number(1000 + i)
                   + "</integer></dict>\n";
        return xml + "\t\t\t</array>\n\t\t</dict>\n";
    };
    QByteArray playlists;
    playlists += playlistXml(QStringLiteral("Library"), 1,
                             "\t\t\t<key>Master</key><true/>\n", 0, aTrackCount);
    playlists += playlistXml(QStringLiteral("Music"), 2,
                             "\t\t\t<key>Distinguished Kind</key><integer>4</integer>\n", 0,
                             aTrackCount);
    const int perPlaylist = (aTrackCount + aPlaylistCount - 1) / aPlaylistCount;
    for (int p = 0; p < aPlaylistCount; ++p) {
        playlists += playlistXml(QStringLiteral("Playlist %1").arg(p + 1), 10 + p, QByteArray(),
                                 p * perPlaylist, qMin(aTrackCount, (p + 1) * perPlaylist));
    }

    QFile library(libraryFile(aRoot));
    if (!library.open(QIODevice::WriteOnly))
        return false;
    library.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                  "<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" "
                  "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                  "<plist version=\"1.0\">\n<dict>\n"
                  "\t<key>Major Version</key><integer>1</integer>\n"
                  "\t<key>Tracks</key>\n\t<dict>\n");
    library.write(tracksXml);
    library.write("\t</dict>\n\t<key>Playlists</key>\n\t<array>\n");
    library.write(playlists);
    library.write("\t</array>\n</dict>\n</plist>\n");
    return library.error() == QFile::NoError;
}
