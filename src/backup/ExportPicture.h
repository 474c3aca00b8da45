#pragma once

#include <QByteArray>
#include <QString>

class ExportXmlWriter;

// The JPEG pictures embedded in the messages document as "attachment" elements. Pictures taken
// from unpacked attachment files are reduced to a width of 400 pixels first, through the fixed
// temporary file "tempimage.jpg" in the CORVO folder; picture data stored in the database is
// embedded as stored.
class ExportPicture
{
public:
    static constexpr int kScaledWidth = 400;

    // Writes "attachment" with the attribute "mime_type" and the Base64 of aBytes when aMimeType
    // is "image/jpeg" (any case); any other type writes nothing. Returns whether it wrote.
    static bool writePicture(ExportXmlWriter& aWriter, const QString& aMimeType,
                             const QByteArray& aBytes);

    // Scales the JPEG file aFilePath to the temporary file and writes that with writePicture.
    // A type other than JPEG, or a file that cannot be read, loaded, scaled or saved, writes
    // nothing. Returns whether it wrote.
    static bool writeScaledPicture(ExportXmlWriter& aWriter, const QString& aMimeType,
                                   const QString& aFilePath);

    // Scales the picture at aSourcePath to aWidth pixels wide (keeping the aspect ratio, smaller
    // pictures enlarged), paints it on white and saves it as JPEG to aTargetPath.
    static bool scale(const QString& aSourcePath, int aWidth, const QString& aTargetPath);

    // CORVO folder + "/tempimage.jpg".
    static QString tempImagePath();

    static bool isJpeg(const QString& aMimeType);
};
