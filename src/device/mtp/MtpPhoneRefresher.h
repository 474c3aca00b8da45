#pragma once

#include "device/DeviceRefresher.h"
#include "device/mtp/MtpBackend.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QStringList>
#include <QThread>

#include <memory>

class MtpPhoneParent;

// Finds MTP phones in a thread of its own: lists the attached devices, opens the new ones, lists
// their storages and reports which phones came and went. While the device list holds the lock
// (during a synchronisation) no run touches a phone; taking the lock never waits, and a run in
// progress stops before the next phone. A phone that is locked or held by another program is
// not opened again before kRetryMs, or a device event; one that could not be opened for no
// known reason is not tried again until it is attached anew (each failed open costs libmtp a
// file descriptor, and each release resets the phone's USB link).
class MtpPhoneRefresher : public QThread, public DeviceRefresher
{
    Q_OBJECT

public:
    // What the user is told when a phone cannot be opened.
    static constexpr const char* kBusyText = "Close the phone in your file manager";
    static constexpr const char* kLockedText = "Unlock the phone and choose File transfer";
    static constexpr int kRetryMs = 10000;

    explicit MtpPhoneRefresher(std::shared_ptr<MtpBackend> aBackend, QObject* aParent = nullptr);
    ~MtpPhoneRefresher() override;

    bool isRunning() override { return isActive(); }
    bool isActive();
    QList<DeviceParent*> takeNewParents() override;
    QList<DeviceParent*> takeGoneParents() override;
    void startRefresh(const QList<DeviceParent*>& aKnownParents) override;
    void lock() override;
    void unlock() override;
    bool isLocked();
    void devicesChanged() override;

    // Why phones could not be opened in the last run, one text per phone.
    QStringList openProblems() override;
    // Attempts to open a new phone and the pause between them.
    void setOpenRetry(int aAttempts, int aDelayMs);
    // Ends the current run and waits for it.
    void waitForRun() { wait(); }

signals:
    void unableToOpenDevice();

protected:
    void run() override;

private:
    // Opens one new phone; null when it cannot be used (aProblem says why, when the user can
    // do something about it).
    MtpPhoneParent* openPhone(const MtpRawDevice& aRaw, QString& aProblem);
    void setComplete();
    // A phone not to be opened in this run; its last problem stays what the user is told.
    bool skipFailed(const QString& aLocation, QString& aProblem);

    enum class Failure { Busy, Locked, Unknown };
    struct FailedOpen
    {
        Failure mFailure = Failure::Unknown;
        qint64 mWhenMs = 0;
        QString mProblem;
    };

    std::shared_ptr<MtpBackend> mBackend;
    QList<DeviceParent*> mNewParents;
    QList<DeviceParent*> mGoneParents;
    QList<MtpPhoneParent*> mKnownParents;
    bool mActive = false;
    QMutex mActiveMutex;
    bool mHeld = false;
    bool mDevicesChanged = false;
    // By location ("<bus>:<device number>"); a phone attached anew gets a new device number.
    QHash<QString, FailedOpen> mFailedOpensAt;
    int mFailedOpens = 0;
    QStringList mOpenProblems;
    int mOpenAttempts = 3;
    int mOpenDelayMs = 1000;
};
