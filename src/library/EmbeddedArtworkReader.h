#pragma once

#include "library/LibrarySource.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The pictures embedded in a media file, read with TagLib: ID3v2 APIC frames (MP3, AIFF, WAV),
// MP4 "covr" items (M4A, M4V), FLAC picture blocks and Xiph pictures (Ogg Vorbis, Opus).
class EmbeddedArtworkReader
{
public:
    struct Picture
    {
        QByteArray mData;
        // LibraryArtwork::Format: JPEG 1, PNG 2, BMP 3, 0 for anything else.
        qint32 mFormat = 0;
    };

    // The pictures of aPath in the order the file holds them; empty when the file has none or
    // cannot be read.
    static QList<Picture> read(const QString& aPath);

    // The first embedded picture of a format the phone shows; else a cover file beside the
    // media file ("cover", "folder" or "front" with a picture's extension); else None.
    static LibraryArtwork artworkOf(const QString& aPath);
    // The cover file in the folder of aPath, as artworkOf() looks for it.
    static LibraryArtwork coverBeside(const QString& aPath);

    // The format of picture data, from its first bytes, else from its MIME type.
    static qint32 formatOf(const QByteArray& aData, const QString& aMimeType);

private:
    static constexpr qint64 kMaximumCoverBytes = 20 * 1024 * 1024;
};
