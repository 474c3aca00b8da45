#include "backup/ExportPicture.h"

#include "app/AppPaths.h"
#include "app/DebugLog.h"
#include "backup/ExportXmlWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPainter>

namespace {

// Loads the picture, letting the decoder shrink it while decoding when it is wider than needed:
// a JPEG is then decoded at a fraction of its size, which keeps large camera pictures cheap and
// well below the image allocation limit.
QImage loadForWidth(const QString& aPath, int aWidth)
{
    QImageReader reader(aPath);
    reader.setDecideFormatFromContent(true);
    const QSize size = reader.size();
    if (size.isValid() && size.width() > aWidth && reader.supportsOption(QImageIOHandler::ScaledSize)) {
        const int height = qMax(1, qRound(qreal(size.height()) * aWidth / size.width()));
        reader.setScaledSize(QSize(aWidth, height));
    }
    QImage image = reader.read();
    if (image.isNull())
        logValue("Image read error", reader.errorString());
    return image;
}

} // namespace

bool ExportPicture::isJpeg(const QString& aMimeType)
{
    return aMimeType.compare(QLatin1String("image/jpeg"), Qt::CaseInsensitive) == 0;
}

QString ExportPicture::tempImagePath()
{
    return AppPaths::corvoFolder() + QStringLiteral("/tempimage.jpg");
}

bool ExportPicture::writePicture(ExportXmlWriter& aWriter, const QString& aMimeType,
                                 const QByteArray& aBytes)
{
    if (!isJpeg(aMimeType))
        return false;
    aWriter.writeStartElement(QStringLiteral("attachment"));
    aWriter.writeAttribute(QStringLiteral("mime_type"), aMimeType);
    aWriter.writeCharacters(QString::fromLatin1(aBytes.toBase64()));
    aWriter.writeEndElement();
    return true;
}

bool ExportPicture::writeScaledPicture(ExportXmlWriter& aWriter, const QString& aMimeType,
                                       const QString& aFilePath)
{
    if (!isJpeg(aMimeType))
        return false;
    const QString temp = tempImagePath();
    if (!scale(aFilePath, kScaledWidth, temp))
        return false;
    QFile file(temp);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return writePicture(aWriter, aMimeType, file.readAll());
}

bool ExportPicture::scale(const QString& aSourcePath, int aWidth, const QString& aTargetPath)
{
    LogScope scope("ExportPicture::scale");
    logValue("tempImageFilename", aTargetPath);
    QFile::remove(aTargetPath);
    QDir().mkpath(QFileInfo(aTargetPath).absolutePath());

    const QImage image = loadForWidth(aSourcePath, aWidth);
    if (image.isNull()) {
        logMessage("Image is null - can't proceed");
        return false;
    }
    const QImage scaled = image.width() == aWidth
                              ? image
                              : image.scaledToWidth(aWidth, Qt::SmoothTransformation);
    if (scaled.isNull()) {
        logMessage("scaledImage is null");
        return false;
    }
    // Transparent areas become white: JPEG has no alpha channel.
    QImage white;
    if (scaled.hasAlphaChannel()) {
        white = QImage(scaled.size(), QImage::Format_RGB888);
        if (!white.isNull()) {
            white.fill(Qt::white);
            QPainter painter(&white);
            painter.drawImage(0, 0, scaled);
        }
    } else {
        white = scaled.convertToFormat(QImage::Format_RGB888);
    }
    if (white.isNull()) {
        logMessage("scaledImageWhiteBackground is null");
        return false;
    }
    if (!white.save(aTargetPath)) {
        logValue("Image not saved to", aTargetPath);
        return false;
    }
    logValue("Image saved to", aTargetPath);
    return true;
}
