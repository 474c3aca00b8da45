#include "library/LibrarySetting.h"

#include "app/DebugLog.h"
#include "library/LibraryFactory.h"
#include "library/itunes/LibraryLocator.h"
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
    apply(settings, aKind, aPath);
    settings.save();
}

void LibrarySetting::apply(SyncSettings& aSettings, LibraryKind::Kind aKind, const QString& aPath)
{
    aSettings.setGlobalStringValue(QLatin1String(SettingKeys::kITunesLibrary.name), aPath);
    aSettings.setGlobalStringValue(QLatin1String(SettingKeys::kLibraryKind.name),
                                   aPath.isEmpty() ? QString() : LibraryKind::id(aKind));
}

void LibrarySetting::keepFirstPick(const QString& aPathInUse)
{
    // Without a settings file this is the first run, which the setup wizard handles: a file
    // made here would skip it.
    const SettingsSnapshot settings = SettingsSnapshot::read();
    if (aPathInUse.isEmpty() || settings.state() != SettingsSnapshot::State::Read
        || !read(settings).isEmpty() || !LibraryFactory::chosenPath().isEmpty()
        || LibraryLocator::candidatePaths().contains(aPathInUse))
        return;
    logValue("Keeping the library found", aPathInUse);
    store(kindOf(aPathInUse), aPathInUse);
}

LibraryKind::Kind LibrarySetting::kindOf(const QString& aPath)
{
    const std::shared_ptr<LibrarySource> source = LibraryFactory::open(aPath);
    return source ? LibraryKind::fromName(source->kindName()) : LibraryKind::Unknown;
}
