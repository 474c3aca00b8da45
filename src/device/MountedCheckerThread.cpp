#include "device/MountedCheckerThread.h"

#include "app/DebugLog.h"
#include "device/DeviceList.h"
#include "device/MountedChecker.h"

#include <QSemaphore>

namespace {
// A check that blocks on a dying phone must not hold up the program's exit for long.
constexpr unsigned long kStopWaitMs = 3000;
}

MountedCheckerThread::MountedCheckerThread(DeviceList* aDeviceList) : mDeviceList(aDeviceList) {}

MountedCheckerThread::~MountedCheckerThread()
{
    quit();
    if (!wait(kStopWaitMs)) {
        logMessage("Mounted checker does not stop; terminating it");
        terminate();
        wait();
    }
}

void MountedCheckerThread::startAndWait()
{
    start();
    mReady.acquire();
}

void MountedCheckerThread::run()
{
    MountedChecker checker;
    connect(mDeviceList, &DeviceList::checkMountedStatus, &checker,
            &MountedChecker::startMountedCheck, Qt::QueuedConnection);
    connect(&checker, &MountedChecker::mountedStatusUpdate, mDeviceList,
            &DeviceList::mountedStatusChange, Qt::QueuedConnection);
    mReady.release();
    exec();
}
