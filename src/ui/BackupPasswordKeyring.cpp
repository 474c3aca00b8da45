#include "ui/BackupPasswordKeyring.h"

#include "app/DebugLog.h"

#include <QEventLoop>

#include <qt6keychain/keychain.h>

namespace {

const QString kService = QStringLiteral("Pellmar");

QString keyFor(const QString& aBackupPath)
{
    return QStringLiteral("backup-password:") + aBackupPath;
}

// Runs aJob to its end; the keyring answers over D-Bus.
bool runJob(QKeychain::Job& aJob)
{
    aJob.setAutoDelete(false);
    QEventLoop loop;
    QObject::connect(&aJob, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    aJob.start();
    loop.exec();
    if (aJob.error() != QKeychain::NoError && aJob.error() != QKeychain::EntryNotFound)
        logValue("Keyring", aJob.errorString());
    return aJob.error() == QKeychain::NoError;
}

} // namespace

QByteArray BackupPasswordKeyring::read(const QString& aBackupPath)
{
    QKeychain::ReadPasswordJob job(kService);
    job.setKey(keyFor(aBackupPath));
    return runJob(job) ? job.binaryData() : QByteArray();
}

bool BackupPasswordKeyring::store(const QString& aBackupPath, const QByteArray& aPassword)
{
    QKeychain::WritePasswordJob job(kService);
    job.setKey(keyFor(aBackupPath));
    job.setBinaryData(aPassword);
    return runJob(job);
}

void BackupPasswordKeyring::forget(const QString& aBackupPath)
{
    QKeychain::DeletePasswordJob job(kService);
    job.setKey(keyFor(aBackupPath));
    runJob(job);
}
