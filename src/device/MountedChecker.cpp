#include "device/MountedChecker.h"

#include "app/DebugLog.h"

#include <QFile>

#include <sys/statvfs.h>

bool MountedChecker::QueryMounted(const QString& aRootPath)
{
    struct statvfs stat {};
    return ::statvfs(QFile::encodeName(aRootPath).constData(), &stat) == 0;
}

void MountedChecker::startMountedCheck(QString aRootPath)
{
    LogScope scope("MountedChecker::startMountedCheck");
    logValue("aRootPath", aRootPath);
    const int state = QueryMounted(aRootPath) ? kMounted : kNotMounted;
    logValue("mountedState", state);
    emit mountedStatusUpdate(state, aRootPath);
}
