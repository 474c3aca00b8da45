#include "library/PlayerTrackFiles.h"

#include "library/EmbeddedArtworkReader.h"

#include <QDir>
#include <QFile>
#include <QUrl>

namespace {

// Cover images are small; anything larger is not taken for one.
constexpr qint64 kMaxCoverBytes = 20 * 1024 * 1024;

LibraryArtwork artworkOf(const QByteArray& aData, const QString& aMimeType)
{
    const qint32 format = EmbeddedArtworkReader::formatOf(aData, aMimeType);
    if (format < LibraryArtwork::Jpeg || format > LibraryArtwork::Bmp)
        return {};
    return {LibraryArtwork::Format(format), aData};
}

} // namespace

QString PlayerTrackFiles::localPath(const QString& aUrl)
{
    if (!aUrl.startsWith(u"file:", Qt::CaseInsensitive))
        return {};
    const QUrl url = QUrl::fromEncoded(aUrl.toUtf8());
    if (!url.isValid() || !url.isLocalFile())
        return {};
    const QString path = url.toLocalFile();
    // "file:relative" names no place on this computer.
    return QDir::isAbsolutePath(path) ? path : QString();
}

QString PlayerTrackFiles::identityKey(const QString& aUrl)
{
    const QString path = localPath(aUrl);
    if (path.isEmpty())
        return aUrl;
    return path.mid(1);
}

double PlayerTrackFiles::dayCountOf(qint64 aUnixSeconds)
{
    if (aUnixSeconds <= 0)
        return 0;
    return double(aUnixSeconds) / 86400.0 + 25569.0;
}

LibraryArtwork PlayerTrackFiles::imageFile(const QString& aPath)
{
    if (aPath.isEmpty())
        return {};
    QFile file(aPath);
    if (file.size() > kMaxCoverBytes || !file.open(QIODevice::ReadOnly))
        return {};
    return artworkOf(file.readAll(), QString());
}
