#include "device/Device.h"

#include "app/DebugLog.h"
#include "settings/SyncSettings.h"

#include <QDomDocument>

namespace {

int attributeAsInt(const QDomElement& aElement, const QString& aName)
{
    bool ok = false;
    const int value = aElement.attribute(aName).trimmed().toInt(&ok);
    return ok ? value : -1;
}

} // namespace

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
    QDomDocument document;
    if (aContent.size() <= kMaxAndroidInfoSize)
        document.setContent(aContent);
    else
        logValue("Device info too large", aContent.size());
    const QDomElement root = document.documentElement();
    if (root.isNull()) {
        // An empty file is no description at all; unreadable content is a description without
        // a usable version.
        mAndroidVersion = aContent.isEmpty() ? -1 : 0;
    } else {
        int version = attributeAsInt(root, QStringLiteral("version"));
        if (version == -1)
            version = 0;
        mAndroidVersion = version;
        mScreenPixels = attributeAsInt(root, QStringLiteral("screen_pixels"));
    }
    logValue("mAndroidVersion", mAndroidVersion);
    logValue("mScreenPixels", mScreenPixels);
}
