#include "ui/PhoneWait.h"

#include "app/DebugLog.h"
#include "device/Device.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QProgressDialog>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <atomic>

bool PhoneWait::run(QWidget* aParent, Device& aPhone, const std::function<void()>& aWork)
{
    LogScope scope("PhoneWait::run");
    std::atomic<bool> cancelled{false};
    aPhone.SetCancelFlag(&cancelled);
    QFutureWatcher<void> watcher;
    QEventLoop loop;
    QObject::connect(&watcher, &QFutureWatcher<void>::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(QtConcurrent::run(aWork));
    // A phone that answers at once shows no box; until the box is there, nothing else of the
    // window takes input either.
    QTimer::singleShot(kShowAfterMs, &loop, &QEventLoop::quit);
    if (!watcher.isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!watcher.isFinished()) {
        logMessage("Waiting for the phone");
        QProgressDialog box(QCoreApplication::translate("PhoneWait", "Waiting for the phone..."), QCoreApplication::translate("PhoneWait", "Cancel"), 0, 0,
                            aParent);
        box.setObjectName(QStringLiteral("phoneWaitBox"));
        box.setWindowModality(Qt::ApplicationModal);
        box.setAutoClose(false);
        box.setAutoReset(false);
        QObject::connect(&box, &QProgressDialog::canceled, &box, [&] {
            logMessage("Cancelled while waiting for the phone");
            cancelled.store(true);
            // Shown until the work returns: it may be inside one request to the phone.
            box.setLabelText(QCoreApplication::translate("PhoneWait", "Stopping..."));
            box.setCancelButton(nullptr);
            box.show();
        });
        box.show();
        if (!watcher.isFinished())
            loop.exec();
    }
    watcher.waitForFinished();
    aPhone.SetCancelFlag(nullptr);
    logReturn(!cancelled.load());
    return !cancelled.load();
}
