#pragma once

#include "backup/iphone/PhotoPath.h"

#include <QList>
#include <QSet>
#include <QString>

class SyncRunContext;

// Copies photos to the phone's "DCIM" folder during a run: folder trees of the PC (BlackBerry
// photos) and the camera roll of an unpacked iPhone backup, whose ".mov" videos become ".mp4".
// Files that cannot be read or copied are logged and passed over; the run goes on.
class PhotoCopier
{
public:
    explicit PhotoCopier(SyncRunContext& aContext) : mContext(aContext) {}

    // Copies the tree below aSourceFolder into aDestination on the phone ("\" separated),
    // leaving out hidden files and folders and keeping files already there. Returns how many
    // files reached the phone.
    int copyPhotos(const QString& aSourceFolder, const QString& aDestination);
    // Copies the camera roll below "DCIM", keeping files already there. Returns how many files
    // reached the phone.
    int copyPhotos(const QList<PhotoPath>& aPhotos);

    // The phone's screen size in pixels, as its description tells, or the default.
    int screenPixels() const;

private:
    int copyTree(const QString& aSourceFolder, const QString& aDestination,
                 QSet<QString>& aVisited);

    SyncRunContext& mContext;
};
