#include "sync/AlbumArtImage.h"

#include "app/DebugLog.h"

#include <QFile>
#include <QImage>
#include <QPainter>

QImage AlbumArtImage::prepare(const QImage& aImage)
{
    if (aImage.isNull()) {
        logMessage("Image is null - can't proceed");
        return QImage();
    }
    const QImage scaled =
        aImage.scaled(kMaxSide, kMaxSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (scaled.isNull()) {
        logMessage("scaledImage is null");
        return QImage();
    }
    QImage canvas(scaled.size(), QImage::Format_RGB888);
    if (canvas.isNull()) {
        logMessage("scaledImageWhiteBackground is null");
        return QImage();
    }
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    painter.drawImage(0, 0, scaled);
    painter.end();
    return canvas;
}

bool AlbumArtImage::write(const QString& aSourcePath, const QString& aTargetPath)
{
    LogScope scope("AlbumArtImage::write");
    logValue("tempImageFilename", aTargetPath);
    if (QFile::exists(aTargetPath))
        QFile::remove(aTargetPath);
    const QImage prepared = prepare(QImage(aSourcePath));
    if (prepared.isNull())
        return false;
    if (!prepared.save(aTargetPath, "JPG")) {
        logValue("Error saving image to", aTargetPath);
        return false;
    }
    logValue("Image saved to", aTargetPath);
    return true;
}
