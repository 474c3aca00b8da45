#pragma once

#include "device/DeviceParent.h"
#include "device/DeviceType.h"

#include <QString>

#include <memory>

class MtpCachedConnection;

// One MTP phone; its children are the MtpPhone objects of its storages. The name stays
// empty: the storages carry the names shown.
class MtpPhoneParent : public DeviceParent
{
public:
    // Takes ownership of aDevice.
    MtpPhoneParent(MtpCachedConnection* aDevice, const QString& aVendor, const QString& aProduct);
    ~MtpPhoneParent() override;

    int GetDeviceType() override { return DeviceType::Mtp; }
    MtpCachedConnection* MtpDevice();
    QString Vendor() const { return mVendor; }
    QString Product() const { return mProduct; }
    // Where the phone is attached now ("<bus>:<device number>"): what a listing shows without
    // opening the phone, so a phone already open is recognised by it.
    QString Location() const;
    // The phone's serial number when it has one, else its location: two phones of one model
    // are two phones.
    QString Identity() const;

private:
    std::unique_ptr<MtpCachedConnection> mDevice;
    QString mVendor;
    QString mProduct;
};
