#include "device/Device.h"

#include "app/DebugLog.h"
#include "device/PhoneDescription.h"
#include "settings/SettingsSnapshot.h"

Device::Device() = default;

Device::~Device() = default;

bool Device::SetModificationTime(const QString& aPath, const QDateTime& aTime)
{
    return false;
}

bool Device::IsConfigured(const SettingsSnapshot& aSettings)
{
    LogScope scope("Device::IsConfigured");
    const bool configured = aSettings.isConfigured(UniqueDeviceId());
    logReturn(configured);
    return configured;
}

int Device::configuredOrder(const SettingsSnapshot& aSettings)
{
    LogScope scope("Device::configuredOrder");
    const int line = aSettings.phone(UniqueDeviceId()).lineNumber();
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
