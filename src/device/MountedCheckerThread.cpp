#include "device/MountedCheckerThread.h"

#include "app/DebugLog.h"
#include "device/DeviceList.h"
#include "device/MountedChecker.h"

#include <QSemaphore>

namespace {
// A check that blocks on a dying phone must not hold up the program's exit for long.
constexpr unsigned long kStopWaitMs = 3000;
} // namespace

MountedCheckerThread::MountedCheckerThread(DeviceList* aDeviceList,
                                           std::unique_ptr<MountedChecker> aChecker)
    : mDeviceList(aDeviceList),
      mChecker(aChecker ? std::move(aChecker) : std::make_unique<MountedChecker>())
{
}

MountedCheckerThread::~MountedCheckerThread()
{
    quit();
    if (!wait(kStopWaitMs)) {
        logMessage("Mounted checker does not stop; terminating it");
        terminate();
        wait();
        // Stopped in the middle of a check: its state cannot be trusted to clean up.
        (void)mChecker.release();
    }
}

void MountedCheckerThread::startAndWait()
{
    mChecker->moveToThread(this);
    connect(mDeviceList, &DeviceList::checkMountedStatus, mChecker.get(),
            &MountedChecker::startMountedCheck, Qt::QueuedConnection);
    connect(mChecker.get(), &MountedChecker::mountedStatusUpdate, mDeviceList,
            &DeviceList::mountedStatusChange, Qt::QueuedConnection);
    start();
    mReady.acquire();
}

void MountedCheckerThread::run()
{
    mReady.release();
    exec();
    // Back to no thread, so that its owner may destroy it from its own.
    mChecker->moveToThread(nullptr);
}
