#include "library/PlayerTrackFiles.h"

#include "library/EmbeddedArtworkReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

LibraryArtwork PlayerTrackFiles::embedded(const QString& aPath)
{
    if (aPath.isEmpty())
        return {};
    for (const EmbeddedArtworkReader::Picture& picture : EmbeddedArtworkReader::read(aPath)) {
        if (picture.mFormat >= LibraryArtwork::Jpeg && picture.mFormat <= LibraryArtwork::Bmp)
            return {LibraryArtwork::Format(picture.mFormat), picture.mData};
    }
    return {};
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

LibraryArtwork PlayerTrackFiles::coverBeside(const QString& aTrackPath)
{
    if (aTrackPath.isEmpty())
        return {};
    const QDir folder = QFileInfo(aTrackPath).absoluteDir();
    const QStringList images =
        folder.entryList({QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"),
                          QStringLiteral("*.png")},
                         QDir::Files | QDir::Readable, QDir::Name);
    for (const QString& wanted :
         {QStringLiteral("cover"), QStringLiteral("folder"), QStringLiteral("front")}) {
        for (const QString& name : images) {
            if (QFileInfo(name).completeBaseName().compare(wanted, Qt::CaseInsensitive) != 0)
                continue;
            const LibraryArtwork artwork = imageFile(folder.filePath(name));
            if (artwork.mFormat != LibraryArtwork::None)
                return artwork;
        }
    }
    return {};
}
