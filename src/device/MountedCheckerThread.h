#pragma once

#include <QSemaphore>
#include <QThread>

#include <memory>

class DeviceList;
class MountedChecker;

// Runs a MountedChecker connected to the device list through queued signals.
class MountedCheckerThread : public QThread
{
    Q_OBJECT

public:
    // Takes aChecker (a plain MountedChecker when null).
    explicit MountedCheckerThread(DeviceList* aDeviceList,
                                  std::unique_ptr<MountedChecker> aChecker = nullptr);
    ~MountedCheckerThread() override;

    // Starts the thread and returns once the checker is connected, so that no request emitted
    // afterwards is lost.
    void startAndWait();

protected:
    void run() override;

private:
    DeviceList* mDeviceList;
    std::unique_ptr<MountedChecker> mChecker;
    QSemaphore mReady;
};
