#include "device/MountedChecker.h"

#include "app/DebugLog.h"
#include "device/UsbMSDevice.h"

#include <QFile>

#include <sys/statvfs.h>

bool MountedChecker::QueryMounted(const QString& aRootPath)
{
    struct statvfs stat
    {
    };
    return ::statvfs(QFile::encodeName(aRootPath).constData(), &stat) == 0;
}

MountedChecker::Inspection MountedChecker::Inspect(const QString& aRootPath)
{
    Inspection inspection;
    if (!QueryMounted(aRootPath))
        return inspection;
    inspection.mMountedState = kMounted;
    // The phone's own reading of its files, so that both places read them alike.
    UsbMSDevice phone(aRootPath, QString(), true);
    inspection.mUniqueDeviceId = phone.UniqueDeviceId();
    inspection.mAndroidVersion = phone.AndroidVersion();
    inspection.mScreenPixels = phone.ScreenPixels();
    return inspection;
}

void MountedChecker::startMountedCheck(QString aRootPath)
{
    LogScope scope("MountedChecker::startMountedCheck");
    logValue("aRootPath", aRootPath);
    const Inspection inspection = Inspect(aRootPath);
    logValue("mountedState", inspection.mMountedState);
    emit mountedStatusUpdate(inspection.mMountedState, aRootPath, inspection.mUniqueDeviceId,
                             inspection.mAndroidVersion, inspection.mScreenPixels);
}
