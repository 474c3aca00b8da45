#include "ui/PhoneFolderSettings.h"

#include "device/DeviceList.h"
#include "settings/SyncSettings.h"

#include <QDir>
#include <QFileInfo>

namespace {
const QString kKey = QStringLiteral("phone-folders");
}

QStringList PhoneFolderSettings::load()
{
    SyncSettings settings;
    settings.load();
    return settings.getGlobalStringValue(kKey).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void PhoneFolderSettings::remember(const QString& aFolder, DeviceList& aList)
{
    const QString folder = QDir::cleanPath(QFileInfo(aFolder).absoluteFilePath());
    aList.AddPhoneFolder(folder);
    SyncSettings settings;
    settings.load();
    QStringList folders =
        settings.getGlobalStringValue(kKey).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (folders.contains(folder))
        return;
    folders.append(folder);
    settings.setGlobalStringValue(kKey, folders.join(QLatin1Char('\n')));
    settings.save();
}

void PhoneFolderSettings::addAllTo(DeviceList& aList)
{
    for (const QString& folder : load()) {
        // A folder on a card that is not inserted now is simply not listed.
        if (QFileInfo(folder).isDir())
            aList.AddPhoneFolder(folder);
    }
}
