#pragma once

#include <QString>

#include <memory>

class CliOptions;
class Device;
class DeviceList;
class DeviceParent;

// The phones a command can see: the device list with the folders named by --phone-folder, and
// the choice of one phone by --phone (id or name), by the one folder given, or as the window
// chooses (the phone set up last).
class CliPhones
{
public:
    CliPhones();
    ~CliPhones();

    // Builds and refreshes the device list. False with aError when a named folder is missing.
    bool open(const CliOptions& aOptions, QString& aError);

    DeviceList& list() { return *mList; }

    // The phone to work with, or null with aError.
    Device* choose(const CliOptions& aOptions, QString& aError);
    DeviceParent* parentOf(Device* aDevice) const;

private:
    std::unique_ptr<DeviceList> mList;
};
