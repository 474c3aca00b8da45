#include "sync/SyncRunContext.h"

#include "app/DebugLog.h"
#include "device/Device.h"

SyncRunContext::SyncRunContext(Device* aDevice, DeviceParent* aDeviceParent, QObject* aParent)
    : QObject(aParent), mDevice(aDevice), mDeviceParent(aDeviceParent)
{
    // A long transfer looks at the flag too, so that Cancel does not wait for its end.
    if (mDevice)
        mDevice->SetCancelFlag(&mCancelled);
}

SyncRunContext::~SyncRunContext()
{
    if (mDevice)
        mDevice->SetCancelFlag(nullptr);
}

bool SyncRunContext::hasBeenCancelled()
{
    LogScope scope("SyncRunContext::hasBeenCancelled");
    const bool cancelled = mCancelled.load();
    logReturn(cancelled);
    return cancelled;
}

void SyncRunContext::ChangeState(int aState)
{
    LogScope scope("SyncRunContext::ChangeState");
    logValue("state", aState);
    mState = aState;
    emit ProgressUpdate(mState, mPercentComplete);
}

void SyncRunContext::UpdateProgress(qint32 aTotal, qint32 aDone, const QString& aTrackName)
{
    LogScope scope("SyncRunContext::UpdateProgress");
    if (aTotal != 0)
        mPercentComplete = int(qint64(aDone) * 100 / aTotal);
    emit ProgressUpdate(mState, mPercentComplete, aTrackName);
}

void SyncRunContext::UpdateProgress(int aState, const QString& aTrackName)
{
    if (aState != mState)
        ChangeState(aState);
    UpdateProgress(0, 0, aTrackName);
}

void SyncRunContext::ReportShare(int aPercent, const QString& aText)
{
    mPercentComplete = aPercent;
    emit ProgressUpdate(mState, mPercentComplete, aText);
}
