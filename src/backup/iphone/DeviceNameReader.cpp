#include "backup/iphone/DeviceNameReader.h"

#include "app/DebugLog.h"
#include "backup/PlistFile.h"

#include <QFileInfo>

QString DeviceNameReader::getDeviceNameFromInfoPlist(const QString& aPath)
{
    LogScope scope("DeviceNameReader::getDeviceNameFromInfoPlist");
    if (!QFileInfo(aPath).isReadable()) {
        logValue("Failed to open", aPath);
        return QString();
    }
    logValue("Opened", aPath);
    PlistFile plist;
    if (!plist.load(aPath)) {
        logMessage("Info.plist is no property list");
        return QString();
    }
    return plist.stringValue("Display Name").value_or(QString());
}
