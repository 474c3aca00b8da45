#pragma once

#include <QString>

class QImage;

// The album picture as the phone gets it: at most 300 x 300 pixels, aspect ratio kept, smoothly
// scaled, painted on a white canvas (transparent areas turn white) and saved as JPEG.
class AlbumArtImage
{
public:
    static constexpr int kMaxSide = 300;

    // Scales aImage onto the white canvas; a null image when any step fails (logged).
    static QImage prepare(const QImage& aImage);

    // Loads aSourcePath, prepares it and saves it as JPEG at aTargetPath (an old file there is
    // deleted first). Returns true when the JPEG was written.
    static bool write(const QString& aSourcePath, const QString& aTargetPath);
};
