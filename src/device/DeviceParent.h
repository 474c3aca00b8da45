#pragma once

#include "device/DeviceType.h"

#include <QList>
#include <QString>

class Device;

// One physical phone; it owns the Device objects of its storages.
class DeviceParent
{
public:
    explicit DeviceParent(const QString& aName);
    virtual ~DeviceParent();

    DeviceParent(const DeviceParent&) = delete;
    DeviceParent& operator=(const DeviceParent&) = delete;

    // A DeviceType value.
    virtual int GetDeviceType() = 0;
    // The best description among the storages: the highest version and its screen pixels.
    // A version below 0 means that no storage has a description file.
    virtual void GetAndroidInfo(int& aVersion, int& aScreenPixels);

    // Takes ownership of aDevice.
    void AddDevice(Device* aDevice);
    const QList<Device*>& Devices() const { return mDevices; }
    QString Name() const { return mName; }

protected:
    QString mName;
    QList<Device*> mDevices;
};
