#pragma once

#include <QString>

// One attached portable device as the enumeration lists it, before it is opened.
struct MtpRawDevice
{
    QString mVendor;
    QString mProduct;
    // What the backend opens: "<bus location>:<device number>" for libmtp.
    QString mId;
    // Read when the device is opened; empty before.
    QString mFriendlyName;
    // A USB mass-storage device; the folder path of the device list handles it.
    bool mMassStorage = false;
};
