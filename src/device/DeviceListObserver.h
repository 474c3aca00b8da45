#pragma once

// Told by the device list when the set of phones changed.
class DeviceListObserver
{
public:
    virtual ~DeviceListObserver() = default;
    virtual void DeviceListChanged() = 0;
};
