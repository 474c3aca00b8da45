#pragma once

#include <QByteArray>
#include <QString>

// The passwords of encrypted backups that the user asked to remember, kept in the desktop's
// keyring (the Secret Service, through QtKeychain), one per backup folder. Each call waits for
// the keyring; without one nothing is kept and nothing is found.
class BackupPasswordKeyring
{
public:
    // Empty when none is kept (or there is no keyring).
    static QByteArray read(const QString& aBackupPath);
    // False when the keyring refused it.
    static bool store(const QString& aBackupPath, const QByteArray& aPassword);
    static void forget(const QString& aBackupPath);
};
