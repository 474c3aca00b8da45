#include "device/mtp/DeviceParentMtpMac.h"

#include "app/DebugLog.h"
#include "device/mtp/QMtpCachedDevice.h"
#include "device/mtp/QMtpDevice.h"

DeviceParentMtpMac::DeviceParentMtpMac(QMtpCachedDevice* aDevice, const QString& aVendor,
                                       const QString& aProduct)
    : DeviceParent(QString()), mDevice(aDevice), mVendor(aVendor), mProduct(aProduct)
{
}

DeviceParentMtpMac::~DeviceParentMtpMac()
{
    // The children use the device until they go.
    qDeleteAll(mDevices);
    mDevices.clear();
    mDevice.reset();
}

QMtpCachedDevice* DeviceParentMtpMac::MtpDevice()
{
    logMessage("DeviceParentMtpMac::MtpDevice");
    return mDevice.get();
}

QString DeviceParentMtpMac::Location() const
{
    return mDevice->GetDevice()->RawDevice().mId;
}

QString DeviceParentMtpMac::Identity() const
{
    const QString serial = mDevice->GetDevice()->SerialNumber();
    return serial.isEmpty() ? Location() : serial;
}
