#pragma once

#include "app/HelperWait.h"

#include <QString>
#include <QStringList>

// Turns an iPhone video (".mov") into an MP4 file the phone can play, with ffmpeg: the streams
// are only repacked for a phone whose screen has more than 384000 pixels, and re-encoded to
// MPEG-4 at 480x270 for a smaller one.
class VideoConverter
{
public:
    // Used when the phone does not say how large its screen is (no companion app): a current
    // phone's screen, 1080 x 2400.
    static constexpr int kDefaultScreenPixels = 1080 * 2400;
    static constexpr int kRepackAbovePixels = 384000;

    static QStringList arguments(const QString& aSource, const QString& aOutput,
                                 int aScreenPixels);
    // Writes aOutput (an existing file there is removed first). False when ffmpeg is missing,
    // failed or was stopped because aCancelled said so; no partial output is left then.
    static bool convert(const QString& aSource, const QString& aOutput, int aScreenPixels,
                        const HelperWait::CancelCheck& aCancelled = {});
};
