#pragma once

#include <QSemaphore>
#include <QThread>

class DeviceList;

// Runs a MountedChecker connected to the device list through queued signals.
class MountedCheckerThread : public QThread
{
    Q_OBJECT

public:
    explicit MountedCheckerThread(DeviceList* aDeviceList);
    ~MountedCheckerThread() override;

    // Starts the thread and returns once the checker is connected, so that no request emitted
    // afterwards is lost.
    void startAndWait();

protected:
    void run() override;

private:
    DeviceList* mDeviceList;
    QSemaphore mReady;
};
