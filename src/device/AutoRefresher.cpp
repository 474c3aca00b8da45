#include "device/AutoRefresher.h"

#include "app/DebugLog.h"
#include "device/DeviceList.h"
#include "device/SpaceCalculator.h"
#include "settings/SettingsSnapshot.h"
#include "tracks/SyncState.h"

AutoRefresher::AutoRefresher(DeviceList* aDeviceList, QObject* aParent)
    : QObject(aParent), mDeviceList(aDeviceList)
{
    LogScope scope("AutoRefresher::AutoRefresher");
}

AutoRefresher::~AutoRefresher()
{
    if (mDeviceList)
        mDeviceList->DisableAutoRefresh();
}

void AutoRefresher::start()
{
    LogScope scope("AutoRefresher::start");
    if (mDeviceList)
        mDeviceList->EnableAutoRefresh(this);
}

void AutoRefresher::stop()
{
    LogScope scope("AutoRefresher::stop");
    if (mDeviceList)
        mDeviceList->DisableAutoRefresh();
}

void AutoRefresher::DeviceListChanged()
{
    LogScope scope("AutoRefresher::DeviceListChanged");
    const int state = mDeviceList && mDeviceList->DeviceIsConnected() ? SyncState::PhoneReady
                                                                      : SyncState::NoPhone;
    logValue("deviceState", state);
    emit connectedDeviceStateChanged(state, 0);
    timeout();
}

void AutoRefresher::timeout()
{
    LogScope scope("AutoRefresher::timeout");
    if (!mDeviceList || !mDeviceList->DeviceIsConnected())
        return;
    logMessage("Device is connected");
    qint64 used = 0;
    qint64 freeSpace = 0;
    SpaceCalculator::Calculate(mDeviceList->ConnectedDevice(SettingsSnapshot::read()), used,
                               freeSpace);
    emit freeSpaceUpdate(used, freeSpace);
}

void AutoRefresher::libraryChanged()
{
    LogScope scope("AutoRefresher::libraryChanged");
    // During a run the refresher is stopped and the phone is the run's.
    if (mDeviceList && mDeviceList->AutoRefreshEnabled())
        timeout();
}
