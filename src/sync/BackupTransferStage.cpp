#include "sync/BackupTransferStage.h"

#include "app/AppPaths.h"
#include "app/DebugLog.h"
#include "settings/SyncSettings.h"
#include "sync/MusicSync.h"

BackupTransferStage::BackupTransferStage(MusicSync& aSync, SyncSettings& aSettings,
                                         const QString& aDeviceId)
    : mSync(aSync), mSettings(aSettings), mDeviceId(aDeviceId)
{
}

QString BackupTransferStage::workingFolder()
{
    return AppPaths::corvoFolder() + QStringLiteral("/extracted/");
}

void BackupTransferStage::run()
{
    LogScope scope("MusicSync::transferBackup");
    // Whatever an earlier run unpacked must not linger, whether or not a backup is chosen now.
    if (!MusicSync::removeDir(workingFolder()))
        logMessage("Could not empty the working folder");
    const QString backupPath = mSettings.selectedBackupPath(mDeviceId);
    logValue("backupPath", backupPath);
    if (backupPath.isEmpty())
        return;
    logMessage("Backup transfer is not available yet");
}
