#include "sync/SleepInhibitor.h"

#include "app/DebugLog.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>

#include <unistd.h>

SleepInhibitor::SleepInhibitor()
{
    LogScope scope("SleepInhibitor::SleepInhibitor");
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        logMessage("No system bus - the system may sleep during the run");
        return;
    }
    QDBusInterface manager(QStringLiteral("org.freedesktop.login1"),
                           QStringLiteral("/org/freedesktop/login1"),
                           QStringLiteral("org.freedesktop.login1.Manager"), bus);
    if (!manager.isValid()) {
        logMessage("logind not available - the system may sleep during the run");
        return;
    }
    const QDBusReply<QDBusUnixFileDescriptor> reply = manager.call(
        QStringLiteral("Inhibit"), QStringLiteral("sleep:idle"), QStringLiteral("Pellmar"),
        QStringLiteral("Synchronising a phone"), QStringLiteral("block"));
    if (!reply.isValid()) {
        logValue("Inhibit failed", reply.error().message());
        return;
    }
    // The lock lasts as long as our duplicate of the descriptor stays open.
    mFd = ::dup(reply.value().fileDescriptor());
    logValue("inhibitFd", mFd);
}

SleepInhibitor::~SleepInhibitor()
{
    if (mFd >= 0)
        ::close(mFd);
}
