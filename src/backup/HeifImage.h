#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QString>

// Decodes HEIF pictures (HEIC, as iPhones take them, and AVIF) with libheif: Qt reads neither
// without plug-ins users rarely have.
class HeifImage
{
public:
    // Pictures beyond this many pixels are refused rather than decoded (a damaged or hostile
    // file must not take all memory); 64 megapixels is well above any phone camera's.
    static constexpr qint64 kMaxPixels = 64LL * 1024 * 1024;

    // Whether aData starts like a HEIF file (an "ftyp" box of a HEIF or AVIF brand).
    static bool looksLikeHeif(QByteArrayView aData);
    // Whether aMimeType names HEIF/HEIC/AVIF (any case).
    static bool isHeifType(const QString& aMimeType);

    // The primary picture, turned as the file says; a null image when it cannot be decoded
    // (aError then says why).
    static QImage decode(QByteArrayView aData, QString* aError = nullptr);
};
