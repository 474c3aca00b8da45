#pragma once

#include <QString>

// Finds the device name in a backup's Info.plist: the string value of the top-level key
// "Display Name". The file is read with libplist, so an XML and a binary Info.plist give the
// same name, and a "Display Name" inside a nested dictionary (an application's) is not the
// device's.
class DeviceNameReader
{
public:
    // Returns the device name, or an empty string when the file cannot be read, is no property
    // list, or names no device. An XML file damaged after its name still gives the name.
    static QString getDeviceNameFromInfoPlist(const QString& aPath);
};
