#include "backup/ExportPicture.h"

#include "app/AppPaths.h"
#include "app/DebugLog.h"
#include "backup/ExportXmlWriter.h"
#include "backup/HeifImage.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPainter>

namespace {

const QString kJpegType = QStringLiteral("image/jpeg");

// Loads the picture, letting the decoder shrink it while decoding when it is wider than needed:
// a JPEG is then decoded at a fraction of its size, which keeps large camera pictures cheap and
// well below the image allocation limit. HEIF pictures (what iPhones take) go to libheif.
QImage loadForWidth(const QString& aPath, int aWidth)
{
    QFile file(aPath);
    if (file.open(QIODevice::ReadOnly) && HeifImage::looksLikeHeif(file.peek(16))) {
        QString error;
        const QImage image = HeifImage::decode(file.readAll(), &error);
        if (image.isNull())
            logValue("Image read error", error);
        return image;
    }
    file.close();
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

QImage decodeBytes(const QByteArray& aBytes)
{
    if (HeifImage::looksLikeHeif(aBytes))
        return HeifImage::decode(aBytes);
    return QImage::fromData(aBytes);
}

} // namespace

bool ExportPicture::isJpeg(const QString& aMimeType)
{
    return aMimeType.compare(kJpegType, Qt::CaseInsensitive) == 0;
}

bool ExportPicture::isPicture(const QString& aMimeType)
{
    return aMimeType.startsWith(QLatin1String("image/"), Qt::CaseInsensitive);
}

QString ExportPicture::tempImagePath()
{
    return AppPaths::corvoFolder() + QStringLiteral("/tempimage.jpg");
}

QByteArray ExportPicture::pictureJpeg(const QString& aMimeType, const QByteArray& aBytes)
{
    if (isJpeg(aMimeType))
        return aBytes;
    if (!isPicture(aMimeType))
        return QByteArray();
    // Other pictures become JPEG, the one type the companion app shows.
    const QImage image = onWhite(decodeBytes(aBytes), kScaledWidth);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    if (image.isNull() || !buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "JPEG"))
        return QByteArray();
    return jpeg;
}

bool ExportPicture::writePicture(ExportXmlWriter& aWriter, const QString& aMimeType,
                                 const QByteArray& aBytes)
{
    const QByteArray jpeg = pictureJpeg(aMimeType, aBytes);
    if (jpeg.isNull())
        return false;
    writeAttachment(aWriter, aMimeType, jpeg);
    return true;
}

QByteArray ExportPicture::toJpeg(const QByteArray& aBytes, int aMaxWidth)
{
    if (aBytes.startsWith("\xFF\xD8\xFF")) {
        QBuffer buffer;
        buffer.setData(aBytes);
        QImageReader reader(&buffer, "jpeg");
        if (reader.size().isValid())
            return aBytes;
    }
    QImage image = decodeBytes(aBytes);
    if (image.isNull()) {
        logMessage("Picture cannot be decoded - left out");
        return QByteArray();
    }
    const QImage white = onWhite(image, qMin(image.width(), aMaxWidth));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    if (white.isNull() || !buffer.open(QIODevice::WriteOnly) || !white.save(&buffer, "JPEG")) {
        logMessage("Picture cannot be saved as JPEG - left out");
        return QByteArray();
    }
    return jpeg;
}

void ExportPicture::writeAttachment(ExportXmlWriter& aWriter, const QString& aMimeType,
                                    const QByteArray& aJpeg)
{
    aWriter.writeStartElement(QStringLiteral("attachment"));
    // Whatever the picture was, what is embedded is JPEG.
    aWriter.writeAttribute(QStringLiteral("mime_type"), isJpeg(aMimeType) ? aMimeType : kJpegType);
    aWriter.writeCharacters(QString::fromLatin1(aJpeg.toBase64()));
    aWriter.writeEndElement();
}

QByteArray ExportPicture::scaledJpeg(const QString& aMimeType, const QString& aFilePath)
{
    // Some attachment rows carry no type; their content decides.
    if (!aMimeType.isEmpty() && !isPicture(aMimeType))
        return QByteArray();
    const QString temp = tempImagePath();
    if (!scale(aFilePath, kScaledWidth, temp))
        return QByteArray();
    QFile file(temp);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

bool ExportPicture::writeScaledPicture(ExportXmlWriter& aWriter, const QString& aMimeType,
                                       const QString& aFilePath)
{
    const QByteArray jpeg = scaledJpeg(aMimeType, aFilePath);
    if (jpeg.isNull())
        return false;
    writeAttachment(aWriter, aMimeType, jpeg);
    return true;
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
    const QImage white = onWhite(image, aWidth);
    if (white.isNull())
        return false;
    if (!white.save(aTargetPath)) {
        logValue("Image not saved to", aTargetPath);
        return false;
    }
    logValue("Image saved to", aTargetPath);
    return true;
}

QImage ExportPicture::onWhite(const QImage& aImage, int aWidth)
{
    if (aImage.isNull())
        return QImage();
    const QImage scaled = aImage.width() == aWidth
                              ? aImage
                              : aImage.scaledToWidth(aWidth, Qt::SmoothTransformation);
    if (scaled.isNull()) {
        logMessage("scaledImage is null");
        return QImage();
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
    if (white.isNull())
        logMessage("scaledImageWhiteBackground is null");
    return white;
}
