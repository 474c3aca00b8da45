#pragma once

#include "app/HelperWait.h"
#include "tracks/SyncState.h"

#include <QObject>
#include <QString>

#include <atomic>

class Device;
class DeviceParent;

// What every step of one synchronisation run shares: the phone, the progress it reports (a
// state number and a percentage) and whether it was asked to stop. The steps report through
// it; the front ends listen to its signals.
class SyncRunContext : public QObject
{
    Q_OBJECT

public:
    SyncRunContext(Device* aDevice, DeviceParent* aDeviceParent, QObject* aParent = nullptr);
    ~SyncRunContext() override;

    Device* device() const { return mDevice; }
    DeviceParent* deviceParent() const { return mDeviceParent; }

    // Asks the run to stop at its next cancellation point. Safe from any thread, and from a
    // signal handler.
    void Cancel() { mCancelled.store(true); }
    bool hasBeenCancelled();
    // The same answer without trace lines, for the waits on helper programs, which ask every
    // few moments. Valid while this context lives.
    HelperWait::CancelCheck cancelCheck() const
    {
        return [this] { return mCancelled.load(); };
    }

    void ChangeState(int aState);
    // Changes to aState when the run is in another one, then reports aTrackName.
    void UpdateProgress(int aState, const QString& aTrackName);
    // Reports aTrackName with aDone of aTotal as the percentage (aTotal 0: the percentage stays).
    void UpdateProgress(qint32 aTotal, qint32 aDone, const QString& aTrackName);
    // Reports aText with aPercent, without the trace lines of the other reports: a large file
    // reports its shares often.
    void ReportShare(int aPercent, const QString& aText);

    int State() const { return mState; }

signals:
    void ProgressUpdate(int a_state, int a_percent_complete);
    void ProgressUpdate(int a_state, int a_percent_complete, QString aTrackName);

private:
    Device* mDevice;
    DeviceParent* mDeviceParent;
    std::atomic<bool> mCancelled{false};
    int mState = SyncState::NoPhone;
    int mPercentComplete = 0;
};
