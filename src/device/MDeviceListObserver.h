#pragma once

// Told by the device list when the set of phones changed.
class MDeviceListObserver
{
public:
    virtual ~MDeviceListObserver() = default;
    virtual void DeviceListChanged() = 0;
};
