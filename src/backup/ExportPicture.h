#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

class ExportXmlWriter;

// The pictures embedded in the messages document as "attachment" elements, always JPEG (the one
// type the companion app shows). Pictures taken from unpacked attachment files are reduced to a
// width of 400 pixels first, through the fixed temporary file "tempimage.jpg" in the CORVO
// folder; JPEG data stored in the database is embedded as stored. Pictures of other types
// (HEIC through libheif, PNG, GIF and the rest through Qt) are turned into JPEG the same way and
// written with the type "image/jpeg"; one that cannot be decoded is left out. Videos and other
// non-picture types write nothing.
class ExportPicture
{
public:
    static constexpr int kScaledWidth = 400;

    // Writes "attachment" with the attribute "mime_type" and the Base64 of aBytes when aMimeType
    // is "image/jpeg" (any case); other pictures are decoded, scaled and written as JPEG; any
    // other type writes nothing. Returns whether it wrote.
    static bool writePicture(ExportXmlWriter& aWriter, const QString& aMimeType,
                             const QByteArray& aBytes);

    // Scales the picture file aFilePath to the temporary file and writes that. A type that is
    // no picture, or a file that cannot be read, loaded, scaled or saved, writes nothing; a
    // file without type (an empty aMimeType) is written when it decodes as a picture.
    // Returns whether it wrote.
    static bool writeScaledPicture(ExportXmlWriter& aWriter, const QString& aMimeType,
                                   const QString& aFilePath);

    // Scales the picture at aSourcePath to aWidth pixels wide (keeping the aspect ratio, smaller
    // pictures enlarged), paints it on white and saves it as JPEG to aTargetPath.
    static bool scale(const QString& aSourcePath, int aWidth, const QString& aTargetPath);

    // CORVO folder + "/tempimage.jpg".
    static QString tempImagePath();

    static bool isJpeg(const QString& aMimeType);
    // "image/..." in any case.
    static bool isPicture(const QString& aMimeType);

    // aImage scaled to aWidth pixels wide and painted on white; null on failure (logged).
    static QImage onWhite(const QImage& aImage, int aWidth);

    // A picture as JPEG for the files a stock phone imports: JPEG data whose header reads is
    // kept as it is; any other picture is decoded and saved as JPEG, no wider than aMaxWidth.
    // Empty (with a log line) when the bytes decode as no picture.
    static QByteArray toJpeg(const QByteArray& aBytes, int aMaxWidth);

    // The JPEG that writeScaledPicture would embed for aFilePath; empty when it writes nothing.
    static QByteArray scaledJpeg(const QString& aMimeType, const QString& aFilePath);
    // The JPEG that writePicture would embed for aBytes; empty when it writes nothing.
    static QByteArray pictureJpeg(const QString& aMimeType, const QByteArray& aBytes);

    // Writes one "attachment" element holding aJpeg, typed aMimeType when that names JPEG (in
    // its own case) and "image/jpeg" otherwise.
    static void writeAttachment(ExportXmlWriter& aWriter, const QString& aMimeType,
                                const QByteArray& aJpeg);
};
