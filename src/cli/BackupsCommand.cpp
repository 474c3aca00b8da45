#include "cli/BackupsCommand.h"

#include "backup/iphone/BackupDiscovery.h"

#include "cli/CliOptions.h"

#include <QTextStream>

PELLMAR_REGISTER_COMMAND(BackupsCommand)

QString BackupsCommand::summary() const
{
    return QStringLiteral("list the iPhone backups found on this computer");
}

QString BackupsCommand::description() const
{
    return QStringLiteral(
        "Lists the iPhone backups found in the usual backup folders: the phone's name, the\n"
        "backup folder and whether the backup is encrypted (an encrypted backup is opened\n"
        "with its password). The folders searched are\n"
        "  $XDG_DATA_HOME/Apple Computer/MobileSync/Backup/\n"
        "  ~/Library/Application Support/MobileSync/Backup/\n"
        "  the Wine prefix's AppData/Roaming/Apple Computer/MobileSync/Backup/\n"
        "PELLMAR_BACKUP_ROOTS (folders separated by ':') replaces them.");
}

QList<QCommandLineOption> BackupsCommand::options() const
{
    return {};
}

int BackupsCommand::run(const CliOptions&)
{
    QTextStream out(stdout);
    const QStringList roots = BackupDiscovery::backupRoots();
    const QList<BackupInfo> backups = BackupDiscovery::findiTunesBackups(roots);
    if (backups.isEmpty()) {
        out << "No iPhone backup found. Folders searched:\n";
        for (const QString& root : roots)
            out << "  " << root << "\n";
        return CliExit::kDone;
    }
    for (const BackupInfo& backup : backups) {
        out << backup.mBackupName << "\n"
            << "    path:      " << backup.mBackupPath << "\n"
            << "    encrypted: "
            << (BackupDiscovery::isEncrypted(backup.mBackupPath) ? "yes" : "no") << "\n";
    }
    return CliExit::kDone;
}
