#pragma once

#include "backup/iphone/BackupInfo.h"

#include <QList>
#include <QString>
#include <QStringList>

// Finds the iPhone backups that iTunes (or a compatible tool) keeps on this computer.
class BackupDiscovery
{
public:
    // The folders that hold backups, each ending in "/", in search order: the XDG data folder's
    // "Apple Computer/MobileSync/Backup/", "~/Library/Application Support/MobileSync/Backup/",
    // and the Wine prefix's roaming "Apple Computer/MobileSync/Backup/".
    // PELLMAR_BACKUP_ROOTS (colon-separated) replaces them.
    static QStringList backupRoots();

    // Every backup below the roots that names its device; a backup folder found under two roots
    // is listed once, under the first.
    static QList<BackupInfo> findiTunesBackups();
    static QList<BackupInfo> findiTunesBackups(const QStringList& aRoots);

    // The device name of the Info.plist at aPath, or an empty string.
    static QString getDeviceNameFromInfoPlist(const QString& aPath);

    // True when the backup's Manifest.plist says it is encrypted (such a backup cannot be
    // unpacked). aBackupPath is the backup folder.
    static bool isEncrypted(const QString& aBackupPath);
};
