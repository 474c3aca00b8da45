#include "sync/RunLock.h"

#include "app/AppPaths.h"
#include "app/DebugLog.h"

#include <QCryptographicHash>
#include <QDir>
#include <QRegularExpression>

#include <chrono>

namespace {

// Long enough that no real run outlives it: a live holder must never lose its lock by age.
constexpr std::chrono::hours kStaleAfter(24 * 7);

} // namespace

RunLock::RunLock(const QString& aName)
    : mFileName(AppPaths::corvoFolder() + QLatin1Char('/') + aName + QStringLiteral(".lock")),
      mLock(std::make_unique<QLockFile>(mFileName))
{
    mLock->setStaleLockTime(kStaleAfter);
}

RunLock::RunLock(RunLock&&) noexcept = default;
RunLock& RunLock::operator=(RunLock&&) noexcept = default;
RunLock::~RunLock() = default;

RunLock RunLock::forPhone(const QString& aUniqueDeviceId)
{
    // Ids this program makes are plain; anything else read from a phone is hashed, so that it
    // can never name a path.
    static const QRegularExpression kPlain(QStringLiteral("^[A-Za-z0-9_-]{1,64}$"));
    const QString key = kPlain.match(aUniqueDeviceId).hasMatch()
                            ? aUniqueDeviceId
                            : QString::fromLatin1(QCryptographicHash::hash(
                                  aUniqueDeviceId.toUtf8(), QCryptographicHash::Sha1).toHex());
    return RunLock(QStringLiteral("phone-") + key);
}

RunLock RunLock::forExport()
{
    return RunLock(QStringLiteral("extracted"));
}

bool RunLock::tryLock()
{
    LogScope scope("RunLock::tryLock");
    logValue("mFileName", mFileName);
    QDir().mkpath(AppPaths::corvoFolder());
    const bool locked = mLock->tryLock(0);
    if (!locked)
        logValue("Lock not taken", holder());
    logReturn(locked);
    return locked;
}

bool RunLock::isLocked() const
{
    return mLock->isLocked();
}

void RunLock::unlock()
{
    mLock->unlock();
}

qint64 RunLock::holderPid() const
{
    qint64 pid = 0;
    QString host;
    QString application;
    return mLock->getLockInfo(&pid, &host, &application) ? pid : 0;
}

QString RunLock::holder() const
{
    if (mLock->error() == QLockFile::PermissionError || mLock->error() == QLockFile::UnknownError)
        return QStringLiteral("the lock file %1 could not be made").arg(mFileName);
    qint64 pid = 0;
    QString host;
    QString application;
    if (!mLock->getLockInfo(&pid, &host, &application))
        return QStringLiteral("another process (%1)").arg(mFileName);
    return QStringLiteral("process %1 (%2 on %3)")
        .arg(pid)
        .arg(application.isEmpty() ? QStringLiteral("unknown program") : application, host);
}
