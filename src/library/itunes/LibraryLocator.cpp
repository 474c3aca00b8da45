#include "library/itunes/LibraryLocator.h"

#include "app/DebugLog.h"
#include "library/itunes/TrackLocationResolver.h"
#include "settings/SyncSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>

namespace {
QMutex sMutex;
QString sExplicitPath;

const char* const kLibraryNames[] = {"iTunes Library.xml", "iTunes Music Library.xml"};
} // namespace

void LibraryLocator::setExplicitPath(const QString& aPath)
{
    QMutexLocker lock(&sMutex);
    sExplicitPath = aPath;
}

QString LibraryLocator::explicitPath()
{
    QMutexLocker lock(&sMutex);
    return sExplicitPath;
}

void LibraryLocator::storeChosenPath(const QString& aPath)
{
    LogScope scope("LibraryLocator::storeChosenPath");
    SyncSettings settings;
    settings.load();
    settings.setITunesLibraryPath(aPath);
    settings.save();
}

QStringList LibraryLocator::candidatePaths()
{
    const QString chosen = explicitPath();
    if (!chosen.isEmpty())
        return {chosen};

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

bool LibraryLocator::locate(QString* aPath, QStringList* aTried)
{
    LogScope scope("LibraryLocator::locate");
    const QStringList candidates = candidatePaths();
    if (aTried)
        *aTried = candidates;
    for (const QString& candidate : candidates) {
        if (QFileInfo(candidate).isFile()) {
            *aPath = candidate;
            logValue("iTunes library", candidate);
            return true;
        }
    }
    logValue("iTunes library not found; paths tried", candidates.join(QStringLiteral("; ")));
    return false;
}
