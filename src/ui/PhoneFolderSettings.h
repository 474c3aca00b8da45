#pragma once

#include <QStringList>

class DeviceList;

// Folders the user chose as phones in the wizard, remembered in the settings file (global value
// "phone-folders", one path a line) and handed to the device list at start.
class PhoneFolderSettings
{
public:
    static QStringList load();
    // Adds aFolder to the remembered folders and to aList.
    static void remember(const QString& aFolder, DeviceList& aList);
    // Hands every remembered folder that still exists to aList.
    static void addAllTo(DeviceList& aList);
};
