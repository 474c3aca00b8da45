#include "device/DeviceParent.h"

#include "app/DebugLog.h"
#include "device/Device.h"

DeviceParent::DeviceParent(const QString& aName) : mName(aName) {}

DeviceParent::~DeviceParent()
{
    qDeleteAll(mDevices);
}

void DeviceParent::AddDevice(Device* aDevice)
{
    if (aDevice && !mDevices.contains(aDevice))
        mDevices.append(aDevice);
}

void DeviceParent::GetAndroidInfo(int& aVersion, int& aScreenPixels)
{
    LogScope scope("DeviceParent::GetAndroidInfo");
    aVersion = -1;
    for (Device* device : mDevices) {
        if (device->AndroidVersion() > aVersion) {
            aVersion = device->AndroidVersion();
            aScreenPixels = device->ScreenPixels();
        }
    }
    logValue("version", aVersion);
    logValue("screenPixels", aScreenPixels);
}
