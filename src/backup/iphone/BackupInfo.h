#pragma once

#include <QString>

// One iPhone backup found on this computer.
struct BackupInfo
{
    // Device name from the backup's Info.plist (what the user is shown).
    QString mBackupName;
    // Full path of the backup folder, ending in a separator (stored as "backup-path").
    QString mBackupPath;
    // The backup folder's own name, the backup identifier; the same backup under two roots
    // is listed once.
    QString mBackupFolder;
};
