#include "device/mtp/MtpPhoneRefresher.h"

#include "app/DebugLog.h"
#include "device/Device.h"
#include "device/mtp/MtpPhone.h"
#include "device/mtp/MtpPhoneParent.h"
#include "device/mtp/MtpCachedConnection.h"
#include "device/mtp/MtpConnection.h"
#include "device/mtp/MtpStorage.h"

#include <QDateTime>
#include <QSet>

MtpPhoneRefresher::MtpPhoneRefresher(std::shared_ptr<MtpBackend> aBackend, QObject* aParent)
    : QThread(aParent), mBackend(std::move(aBackend))
{
}

MtpPhoneRefresher::~MtpPhoneRefresher()
{
    wait();
    // Phones found but never taken over by the list.
    qDeleteAll(mNewParents);
}

bool MtpPhoneRefresher::isActive()
{
    QMutexLocker locker(&mActiveMutex);
    return mActive;
}

void MtpPhoneRefresher::setComplete()
{
    QMutexLocker locker(&mActiveMutex);
    mActive = false;
}

QList<DeviceParent*> MtpPhoneRefresher::takeNewParents()
{
    QMutexLocker locker(&mActiveMutex);
    return std::exchange(mNewParents, {});
}

QList<DeviceParent*> MtpPhoneRefresher::takeGoneParents()
{
    QMutexLocker locker(&mActiveMutex);
    return std::exchange(mGoneParents, {});
}

QStringList MtpPhoneRefresher::openProblems()
{
    QMutexLocker locker(&mActiveMutex);
    return mOpenProblems;
}

void MtpPhoneRefresher::setOpenRetry(int aAttempts, int aDelayMs)
{
    mOpenAttempts = aAttempts;
    mOpenDelayMs = aDelayMs;
}

void MtpPhoneRefresher::startRefresh(const QList<DeviceParent*>& aKnownParents)
{
    LogScope scope("MtpMacDeviceRefresher::start");
    logValue("aDeviceList.Count()", int(aKnownParents.size()));
    {
        QMutexLocker locker(&mActiveMutex);
        if (mActive) {
            logMessage("Already refreshing, so exit");
            return;
        }
        mActive = true;
        // Parents the list has not taken yet stay new; only the gone list starts afresh.
        mGoneParents.clear();
    }
    mKnownParents.clear();
    for (DeviceParent* parent : aKnownParents) {
        if (auto* mtp = dynamic_cast<MtpPhoneParent*>(parent))
            mKnownParents.append(mtp);
    }
    // The previous run has cleared its flag but its thread may not have returned yet.
    wait();
    start(QThread::InheritPriority);
}

void MtpPhoneRefresher::lock()
{
    QMutexLocker locker(&mActiveMutex);
    mHeld = true;
}

void MtpPhoneRefresher::unlock()
{
    QMutexLocker locker(&mActiveMutex);
    mHeld = false;
}

bool MtpPhoneRefresher::isLocked()
{
    QMutexLocker locker(&mActiveMutex);
    return mHeld;
}

void MtpPhoneRefresher::devicesChanged()
{
    QMutexLocker locker(&mActiveMutex);
    mDevicesChanged = true;
}

bool MtpPhoneRefresher::skipFailed(const QString& aLocation, QString& aProblem)
{
    const auto failed = mFailedOpensAt.constFind(aLocation);
    if (failed == mFailedOpensAt.cend())
        return false;
    aProblem = failed->mProblem;
    if (failed->mFailure == Failure::Unknown)
        return true;
    const qint64 since = QDateTime::currentMSecsSinceEpoch() - failed->mWhenMs;
    return since >= 0 && since < kRetryMs;
}

MtpPhoneParent* MtpPhoneRefresher::openPhone(const MtpRawDevice& aRaw, QString& aProblem)
{
    auto device = std::make_unique<MtpConnection>(mBackend, aRaw);
    const MtpBackend::OpenResult opened = device->Open(mOpenAttempts, mOpenDelayMs);
    FailedOpen failed;
    failed.mWhenMs = QDateTime::currentMSecsSinceEpoch();
    if (!device->IsOpen()) {
        if (opened == MtpBackend::OpenResult::Busy) {
            aProblem = QString::fromLatin1(kBusyText);
            failed.mFailure = Failure::Busy;
        }
        failed.mProblem = aProblem;
        mFailedOpensAt.insert(aRaw.mId, failed);
        return nullptr;
    }
    if (device->GetStorage() != 0 || device->Storages().isEmpty()) {
        // A locked phone, or one set to "charging only", announces no storage; libmtp cannot
        // tell that from a failed request.
        logMessage("Can't get storage list");
        logMessage("Releasing device");
        aProblem = QString::fromLatin1(kLockedText);
        failed.mFailure = Failure::Locked;
        failed.mProblem = aProblem;
        mFailedOpensAt.insert(aRaw.mId, failed);
        return nullptr;
    }
    mFailedOpensAt.remove(aRaw.mId);
    auto* parent = new MtpPhoneParent(new MtpCachedConnection(device.release()), aRaw.mVendor,
                                          aRaw.mProduct);
    for (MtpStorage* storage : parent->MtpDevice()->GetDevice()->Storages()) {
        logValue("Storage", storage->Description());
        parent->AddDevice(new MtpPhone(parent, storage));
    }
    int version = -1;
    int pixels = -1;
    parent->GetAndroidInfo(version, pixels);
    // The companion app is optional: a phone without its description is an ordinary phone.
    if (version < 0)
        logMessage("No android.xml on the phone: an ordinary phone");
    return parent;
}

void MtpPhoneRefresher::run()
{
    LogScope scope("MtpMacDeviceRefresher::run");
    bool retryAll = false;
    {
        QMutexLocker locker(&mActiveMutex);
        retryAll = std::exchange(mDevicesChanged, false);
    }
    if (isLocked()) {
        // A synchronisation has the phones: none is touched.
        setComplete();
        return;
    }
    logMessage("Listing raw device(s)");
    QList<MtpRawDevice> raws;
    const bool listed = MtpConnection::GetRawDevices(*mBackend, raws) == 0;
    logMessage("Attempting to get devices from raw devices");
    QList<MtpPhoneParent*> present;
    QList<DeviceParent*> found;
    QStringList problems;
    bool unableToOpen = false;
    QSet<QString> locations;
    for (qsizetype i = 0; i < raws.size(); ++i) {
        const MtpRawDevice& raw = raws.at(i);
        locations.insert(raw.mId);
        logValue("vendor", raw.mVendor);
        logValue("product", raw.mProduct);
        logValue("location", raw.mId);
        // Known by where it is attached, not by model: two phones of one model are two phones.
        MtpPhoneParent* known = nullptr;
        for (MtpPhoneParent* parent : std::as_const(mKnownParents)) {
            if (parent->Location() == raw.mId)
                known = parent;
        }
        if (known) {
            logMessage("Raw device already in main list");
            present.append(known);
            continue;
        }
        QString problem;
        if (!retryAll && skipFailed(raw.mId, problem)) {
            logMessage("Not opened again yet: it could not be opened a moment ago");
            if (!problem.isEmpty())
                problems.append(problem);
            continue;
        }
        if (isLocked())
            break;
        logMessage("Device not already in main list... opening device...");
        problem.clear();
        MtpPhoneParent* parent = openPhone(raw, problem);
        if (!parent) {
            ++mFailedOpens;
            if (!problem.isEmpty())
                problems.append(problem);
            unableToOpen = unableToOpen || mFailedOpens > 3 || !problem.isEmpty();
            logValue("Unable to open raw device", int(i));
            continue;
        }
        present.append(parent);
        found.append(parent);
    }
    // A phone that left and came back is a new device: it is tried afresh.
    if (listed) {
        for (auto it = mFailedOpensAt.begin(); it != mFailedOpensAt.end();)
            it = locations.contains(it.key()) ? std::next(it) : mFailedOpensAt.erase(it);
    }
    {
        QMutexLocker locker(&mActiveMutex);
        mNewParents.append(found);
        // A listing that failed says nothing about which phones left.
        for (MtpPhoneParent* parent : std::as_const(mKnownParents)) {
            if (listed && !present.contains(parent))
                mGoneParents.append(parent);
        }
        mOpenProblems = problems;
    }
    if (unableToOpen)
        emit unableToOpenDevice();
    setComplete();
}
