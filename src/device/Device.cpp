#include "device/Device.h"

#include "app/DebugLog.h"
#include "device/PhoneDescription.h"
#include "settings/SyncSettings.h"

Device::Device() = default;

Device::~Device() = default;

bool Device::SetModificationTime(const QString& aPath, const QDateTime& aTime)
{
    return false;
}

bool Device::IsConfigured()
{
    LogScope scope("Device::IsConfigured");
    SyncSettings settings;
    settings.load();
    bool syncEntireLibrary = false;
    int podcastSyncSetting = 0;
    QStringList playlists;
    QStringList podcasts;
    const bool configured = settings.getConfig(UniqueDeviceId(), syncEntireLibrary,
                                               podcastSyncSetting, playlists, podcasts) == 0;
    logReturn(configured);
    return configured;
}

int Device::configuredOrder()
{
    LogScope scope("Device::configuredOrder");
    SyncSettings settings;
    settings.load();
    const int line = settings.deviceLineNumber(UniqueDeviceId());
    logReturn(line);
    return line;
}

void Device::ParseAndroidInfo(const QByteArray& aContent)
{
    LogScope scope("Device::ParseAndroidInfo");
    PhoneDescription::parse(aContent, mAndroidVersion, mScreenPixels);
    logValue("mAndroidVersion", mAndroidVersion);
    logValue("mScreenPixels", mScreenPixels);
}
