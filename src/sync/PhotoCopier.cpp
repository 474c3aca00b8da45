#include "sync/PhotoCopier.h"

#include "app/AppPaths.h"
#include "app/DebugLog.h"
#include "device/Device.h"
#include "device/DeviceParent.h"
#include "sync/SyncRunContext.h"
#include "sync/VideoConverter.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QLatin1Char kPhoneSeparator('\\');

} // namespace

int PhotoCopier::screenPixels() const
{
    int pixels = VideoConverter::kDefaultScreenPixels;
    if (DeviceParent* parent = mContext.deviceParent()) {
        int version = -1;
        int reported = -1;
        parent->GetAndroidInfo(version, reported);
        // A phone without a description says nothing about its screen; its videos are then
        // only repacked rather than shrunk on a guess.
        if (reported > 0)
            pixels = reported;
    }
    return pixels;
}

int PhotoCopier::copyPhotos(const QString& aSourceFolder, const QString& aDestination)
{
    LogScope scope("PhotoCopier::copyPhotos");
    logValue("sourceFolder", aSourceFolder);
    logValue("destination", aDestination);
    if (!QFileInfo(aSourceFolder).isDir()) {
        logMessage("Photo folder does not exist");
        return 0;
    }
    QSet<QString> visited;
    return copyTree(aSourceFolder, aDestination, visited);
}

int PhotoCopier::copyTree(const QString& aSourceFolder, const QString& aDestination,
                          QSet<QString>& aVisited)
{
    // A folder reached twice through links would otherwise be copied without end.
    const QString canonical = QFileInfo(aSourceFolder).canonicalFilePath();
    if (canonical.isEmpty() || aVisited.contains(canonical))
        return 0;
    aVisited.insert(canonical);

    int copied = 0;
    const QFileInfoList entries = QDir(aSourceFolder).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries) {
        const QString name = entry.fileName();
        if (name.startsWith(QLatin1Char('.')))
            continue;
        const QString destination = aDestination + kPhoneSeparator + name;
        if (entry.isDir()) {
            copied += copyTree(entry.absoluteFilePath(), destination, aVisited);
        } else if (entry.isFile()) {
            if (mContext.hasBeenCancelled())
                return copied;
            mContext.UpdateProgress(mContext.State(), name);
            if (mContext.device()->CopyFile(entry.absoluteFilePath(), destination, false).isOk())
                ++copied;
            else
                logValue("Photo not copied", entry.absoluteFilePath());
        }
    }
    return copied;
}

int PhotoCopier::copyPhotos(const QList<PhotoPath>& aPhotos)
{
    LogScope scope("PhotoCopier::copyPhotos");
    const QString tempVideo = AppPaths::corvoFolder() + QStringLiteral("/temp.mp4");
    int copied = 0;
    for (const PhotoPath& photo : aPhotos) {
        if (mContext.hasBeenCancelled())
            break;
        QString destination = QStringLiteral("DCIM") + kPhoneSeparator + photo.mDestPhotoPath;
        logValue("photoPath.mSourceName", photo.mSourceName);
        logValue("destinationOnDevice", destination);
        const QString shownName = destination.section(kPhoneSeparator, -1);
        mContext.UpdateProgress(mContext.State(), shownName);
        QString source = photo.mSourceName;
        if (destination.size() > 3 && destination.endsWith(QLatin1String("mov"), Qt::CaseInsensitive)) {
            mContext.UpdateProgress(SyncState::ConvertingVideo, shownName);
            const int pixels = screenPixels();
            logValue("screenPixels", pixels);
            if (VideoConverter::convert(photo.mSourceName, tempVideo, pixels,
                                        mContext.cancelCheck())) {
                destination.chop(3);
                destination += QStringLiteral("mp4");
                source = tempVideo;
            } else if (mContext.hasBeenCancelled()) {
                break;
            } else {
                // The phone may not play the original, but the user's video is not lost.
                logMessage("Video not converted - copying the original");
            }
            mContext.UpdateProgress(SyncState::CopyingPhotos, shownName);
        }
        if (mContext.device()->CopyFile(source, destination, false).isOk())
            ++copied;
        else
            logValue("Photo not copied", photo.mSourceName);
    }
    return copied;
}
