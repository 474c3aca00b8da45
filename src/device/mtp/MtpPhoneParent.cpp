#include "device/mtp/MtpPhoneParent.h"

#include "app/DebugLog.h"
#include "device/mtp/MtpCachedConnection.h"
#include "device/mtp/MtpConnection.h"

MtpPhoneParent::MtpPhoneParent(MtpCachedConnection* aDevice, const QString& aVendor,
                                       const QString& aProduct)
    : DeviceParent(QString()), mDevice(aDevice), mVendor(aVendor), mProduct(aProduct)
{
}

MtpPhoneParent::~MtpPhoneParent()
{
    // The children use the device until they go.
    qDeleteAll(mDevices);
    mDevices.clear();
    mDevice.reset();
}

MtpCachedConnection* MtpPhoneParent::MtpDevice()
{
    logMessage("DeviceParentMtpMac::MtpDevice");
    return mDevice.get();
}

QString MtpPhoneParent::Location() const
{
    return mDevice->GetDevice()->RawDevice().mId;
}

QString MtpPhoneParent::Identity() const
{
    const QString serial = mDevice->GetDevice()->SerialNumber();
    return serial.isEmpty() ? Location() : serial;
}
