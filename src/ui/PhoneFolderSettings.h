#pragma once

#include <QString>
#include <QStringList>

class Device;
class DeviceList;

// Folders used as phones, kept where the command line keeps them: the "phone-folder" value of
// each phone's settings, so that a folder phone set up in the window is known to `pellmar-sync`
// and one set up there is known here.
class PhoneFolderSettings
{
public:
    // The folders of set-up phones in the settings' order, then those an earlier version of
    // the window kept in the global value "phone-folders".
    static QStringList load();
    // Hands every remembered folder to aList; one that is gone is listed as not there, so the
    // window can say so.
    static void addAllTo(DeviceList& aList);
    // The folder of aDevice when it is one of aList's phone folders, else empty.
    static QString folderOf(const DeviceList& aList, Device* aDevice);
    // Selects the phone of aFolder in aList and returns it; null when it is not listed.
    static Device* select(DeviceList& aList, const QString& aFolder);
};
