#include "ui/PhoneFolderSettings.h"

#include "device/DeviceList.h"
#include "device/UsbMSDevice.h"
#include "settings/SettingsSnapshot.h"

#include <QDir>
#include <QFileInfo>

QStringList PhoneFolderSettings::load()
{
    const SettingsSnapshot settings = SettingsSnapshot::read();
    QStringList folders;
    for (const auto& [id, folder] : settings.phoneFolders())
        folders.append(folder);
    folders += settings.text(SettingKeys::kPhoneFolders).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    folders.removeDuplicates();
    return folders;
}

void PhoneFolderSettings::addAllTo(DeviceList& aList)
{
    for (const QString& folder : load())
        aList.AddPhoneFolder(folder);
}

QString PhoneFolderSettings::folderOf(const DeviceList& aList, Device* aDevice)
{
    auto* phone = dynamic_cast<UsbMSDevice*>(aDevice);
    if (!phone)
        return QString();
    const QString folder = QDir::cleanPath(phone->RootPath());
    return aList.PhoneFolders().contains(folder) ? folder : QString();
}

Device* PhoneFolderSettings::select(DeviceList& aList, const QString& aFolder)
{
    const QList<Device*>& devices = aList.GetDevices();
    for (qsizetype i = 0; i < devices.size(); ++i) {
        if (folderOf(aList, devices.at(i)) == aFolder) {
            aList.SelectDevice(int(i));
            return devices.at(i);
        }
    }
    return nullptr;
}
