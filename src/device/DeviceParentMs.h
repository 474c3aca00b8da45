#pragma once

#include "device/DeviceParent.h"
#include "device/DeviceType.h"

// A mass-storage phone: exactly one child, its UsbMSDevice.
class DeviceParentMs : public DeviceParent
{
public:
    using DeviceParent::DeviceParent;
    int GetDeviceType() override { return DeviceType::MassStorage; }
};
