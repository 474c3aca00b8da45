#pragma once

#include <QString>

// One camera-roll photo of an unpacked backup, to be copied to the phone.
struct PhotoPath
{
    // The unpacked file (line 1 of its record in the backup file list).
    QString mSourceName;
    // Its path below the backup's DCIM folder, each component preceded by a backslash, for
    // example "\100APPLE\IMG_0001.JPG".
    QString mDestPhotoPath;
};
