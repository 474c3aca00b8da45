#include "library/itunes/LibraryLocator.h"

#include "library/itunes/TrackLocationResolver.h"
#include "settings/SyncSettings.h"

#include <QDir>
#include <QFileInfo>

namespace {
const char* const kLibraryNames[] = {"iTunes Library.xml", "iTunes Music Library.xml"};
} // namespace

QStringList LibraryLocator::candidatePaths()
{
    QStringList paths;
    SyncSettings settings;
    if (QFileInfo::exists(SyncSettings::settingsFilePath()) && settings.load() == 0) {
        const QString configured = settings.iTunesLibraryPath();
        if (!configured.isEmpty())
            paths << configured;
    }
    const QString fromEnvironment = qEnvironmentVariable("PELLMAR_ITUNES_LIBRARY");
    if (!fromEnvironment.isEmpty())
        paths << fromEnvironment;

    const QString home = QDir::homePath();
    for (const char* name : kLibraryNames)
        paths << home + QStringLiteral("/Music/iTunes/") + QLatin1String(name);

    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = QFileInfo(home).fileName();
    const QString wineFolder = TrackLocationResolver::winePrefix() + QStringLiteral("/drive_c/users/")
                               + user + QStringLiteral("/Music/iTunes/");
    for (const char* name : kLibraryNames)
        paths << wineFolder + QLatin1String(name);
    return paths;
}
