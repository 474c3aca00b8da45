#pragma once

#include "app/HelperWait.h"

#include <QString>
#include <QStringList>

class Track;

// Turns a track that the phone cannot play (AAC and the like) into the MP3 that the device then
// copies. The converter is the external ffmpeg program, started with an argument list so that
// quotes or blanks in file names cannot break the command.
class Mp3Converter
{
public:
    // Bit rate used when the track names none (the library leaves it at 0).
    static constexpr qint32 kDefaultBitRateKbps = 192;

    // Converts aTrack's local file into aTrack.uploadSourcePath(), deleting an old file there
    // first. Returns true when the converter ran and left a non-empty output file. When
    // aCancelled says so, the converter is stopped and its partial output removed.
    static bool convert(const Track& aTrack, const HelperWait::CancelCheck& aCancelled = {});

    // The converter's arguments for one conversion (without the program name).
    static QStringList arguments(const QString& aSourcePath, const QString& aOutputPath,
                                 qint32 aBitRateKbps);

    // The converter program, or empty when it cannot be found.
    static QString program();
};
