#include "backup/iphone/BackupDiscovery.h"

#include "app/DebugLog.h"
#include "backup/iphone/DeviceNameReader.h"
#include "backup/PlistFile.h"

#include <QDir>

#include <algorithm>

namespace {

QString withSeparator(const QString& aPath)
{
    return aPath.endsWith(QLatin1Char('/')) ? aPath : aPath + QLatin1Char('/');
}

QString userName()
{
    const QString user = qEnvironmentVariable("USER");
    return user.isEmpty() ? QDir::home().dirName() : user;
}

} // namespace

QStringList BackupDiscovery::backupRoots()
{
    QStringList roots;
    if (qEnvironmentVariableIsSet("PELLMAR_BACKUP_ROOTS")) {
        const QStringList parts = qEnvironmentVariable("PELLMAR_BACKUP_ROOTS")
                                      .split(QLatin1Char(':'), Qt::SkipEmptyParts);
        for (const QString& part : parts)
            roots << withSeparator(part);
        return roots;
    }
    const QString home = QDir::homePath();
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty())
        dataHome = home + QStringLiteral("/.local/share");
    roots << withSeparator(dataHome) + QStringLiteral("Apple Computer/MobileSync/Backup/");
    roots << home + QStringLiteral("/Library/Application Support/MobileSync/Backup/");
    QString winePrefix = qEnvironmentVariable("WINEPREFIX");
    if (winePrefix.isEmpty())
        winePrefix = home + QStringLiteral("/.wine");
    roots << withSeparator(winePrefix) + QStringLiteral("drive_c/users/") + userName()
                 + QStringLiteral("/AppData/Roaming/Apple Computer/MobileSync/Backup/");
    return roots;
}

QList<BackupInfo> BackupDiscovery::findiTunesBackups()
{
    return findiTunesBackups(backupRoots());
}

QList<BackupInfo> BackupDiscovery::findiTunesBackups(const QStringList& aRoots)
{
    LogScope scope("BackupDiscovery::findiTunesBackups");
    QList<BackupInfo> backups;
    for (const QString& root : aRoots) {
        logValue("Searching folder", root);
        const QStringList folders =
            QDir(root).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot,
                                 QDir::Name | QDir::IgnoreCase);
        for (int index = 0; index < folders.size(); ++index) {
            const QString& folder = folders.at(index);
            BackupInfo backup;
            backup.mBackupPath = root + folder + QLatin1Char('/');
            backup.mBackupFolder = folder;
            backup.mBackupName =
                getDeviceNameFromInfoPlist(backup.mBackupPath + QStringLiteral("Info.plist"));
            if (backup.mBackupName.isEmpty()) {
                logMessage("Empty or null device name - skipping");
                continue;
            }
            logValue("index", index);
            logValue("backup.mBackupName", backup.mBackupName);
            logValue("backup.mBackupPath", backup.mBackupPath);
            const bool known = std::any_of(backups.cbegin(), backups.cend(), [&](const BackupInfo& b) {
                return b.mBackupFolder == backup.mBackupFolder;
            });
            if (known) {
                logMessage("Backup already in list");
                continue;
            }
            backups.append(backup);
        }
    }
    logValue("backups", qint64(backups.size()));
    return backups;
}

QString BackupDiscovery::getDeviceNameFromInfoPlist(const QString& aPath)
{
    return DeviceNameReader::getDeviceNameFromInfoPlist(aPath);
}

bool BackupDiscovery::isEncrypted(const QString& aBackupPath)
{
    PlistFile manifest;
    if (!manifest.load(withSeparator(aBackupPath) + QStringLiteral("Manifest.plist")))
        return false;
    return manifest.boolValue("IsEncrypted").value_or(false);
}
