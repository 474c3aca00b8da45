#include "library/LibrarySetting.h"

#include "app/DebugLog.h"
#include "settings/SettingsSnapshot.h"
#include "settings/SyncSettings.h"

LibrarySetting LibrarySetting::read(const SettingsSnapshot& aSettings)
{
    LibrarySetting setting;
    setting.mPath = aSettings.text(SettingKeys::kITunesLibrary);
    if (setting.mPath.isEmpty())
        return setting;
    const QString kind = aSettings.text(SettingKeys::kLibraryKind);
    setting.mKind = kind.isEmpty() ? LibraryKind::ITunes : LibraryKind::fromId(kind);
    return setting;
}

LibrarySetting LibrarySetting::read()
{
    return read(SettingsSnapshot::read());
}

void LibrarySetting::store(LibraryKind::Kind aKind, const QString& aPath)
{
    LogScope scope("LibrarySetting::store");
    logValue("kind", LibraryKind::id(aKind));
    logValue("path", aPath);
    SyncSettings settings;
    settings.load();
    settings.setGlobalStringValue(QLatin1String(SettingKeys::kITunesLibrary.name), aPath);
    settings.setGlobalStringValue(QLatin1String(SettingKeys::kLibraryKind.name),
                                  aPath.isEmpty() ? QString() : LibraryKind::id(aKind));
    settings.save();
}
