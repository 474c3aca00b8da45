#include "device/mtp/MtpMacDeviceRefresher.h"

#include "app/DebugLog.h"
#include "device/Device.h"
#include "device/mtp/DeviceMtpMac.h"
#include "device/mtp/DeviceParentMtpMac.h"
#include "device/mtp/QMtpCachedDevice.h"
#include "device/mtp/QMtpDevice.h"
#include "device/mtp/QMtpDeviceStorage.h"

MtpMacDeviceRefresher::MtpMacDeviceRefresher(std::shared_ptr<MtpBackend> aBackend, QObject* aParent)
    : QThread(aParent), mBackend(std::move(aBackend))
{
}

MtpMacDeviceRefresher::~MtpMacDeviceRefresher()
{
    wait();
    // Phones found but never taken over by the list.
    qDeleteAll(mNewParents);
}

bool MtpMacDeviceRefresher::isActive()
{
    QMutexLocker locker(&mActiveMutex);
    return mActive;
}

void MtpMacDeviceRefresher::setComplete()
{
    QMutexLocker locker(&mActiveMutex);
    mActive = false;
}

QList<DeviceParent*> MtpMacDeviceRefresher::takeNewParents()
{
    QMutexLocker locker(&mActiveMutex);
    return std::exchange(mNewParents, {});
}

QList<DeviceParent*> MtpMacDeviceRefresher::takeGoneParents()
{
    QMutexLocker locker(&mActiveMutex);
    return std::exchange(mGoneParents, {});
}

QStringList MtpMacDeviceRefresher::openProblems()
{
    QMutexLocker locker(&mActiveMutex);
    return mOpenProblems;
}

void MtpMacDeviceRefresher::setOpenRetry(int aAttempts, int aDelayMs)
{
    mOpenAttempts = aAttempts;
    mOpenDelayMs = aDelayMs;
}

void MtpMacDeviceRefresher::startRefresh(const QList<DeviceParent*>& aKnownParents)
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
        if (auto* mtp = dynamic_cast<DeviceParentMtpMac*>(parent))
            mKnownParents.append(mtp);
    }
    // The previous run has cleared its flag but its thread may not have returned yet.
    wait();
    start(QThread::InheritPriority);
}

void MtpMacDeviceRefresher::lock()
{
    lock(5000);
}

bool MtpMacDeviceRefresher::lock(int aTimeoutMs)
{
    if (mRefresherLock.tryLock(aTimeoutMs))
        return true;
    logMessage("*** Refresher seems to be stalled");
    mRefresherLock.lock();
    return false;
}

void MtpMacDeviceRefresher::unlock()
{
    mRefresherLock.unlock();
}

DeviceParentMtpMac* MtpMacDeviceRefresher::openPhone(const QMtpRawDevice& aRaw, QString& aProblem)
{
    auto device = std::make_unique<QMtpDevice>(mBackend, aRaw);
    const MtpBackend::OpenResult opened = device->Open(mOpenAttempts, mOpenDelayMs);
    if (!device->IsOpen()) {
        if (opened == MtpBackend::OpenResult::Busy)
            aProblem = QString::fromLatin1(kBusyText);
        return nullptr;
    }
    if (device->GetStorage() != 0) {
        logMessage("Can't get storage list");
        logMessage("Releasing device");
        return nullptr;
    }
    if (device->Storages().isEmpty()) {
        // A locked phone, or one set to "charging only", shows no storage.
        logMessage("Device has no storage");
        aProblem = QString::fromLatin1(kLockedText);
        return nullptr;
    }
    auto* parent = new DeviceParentMtpMac(new QMtpCachedDevice(device.release()), aRaw.mVendor,
                                          aRaw.mProduct);
    for (QMtpDeviceStorage* storage : parent->MtpDevice()->GetDevice()->Storages()) {
        logValue("Storage", storage->Description());
        parent->AddDevice(new DeviceMtpMac(parent, storage));
    }
    int version = -1;
    int pixels = -1;
    parent->GetAndroidInfo(version, pixels);
    if (version < 0) {
        logMessage("We couldn't find the android.xml file, so hiding child devices");
        for (Device* child : parent->Devices())
            child->Hide();
    }
    return parent;
}

void MtpMacDeviceRefresher::run()
{
    LogScope scope("MtpMacDeviceRefresher::run");
    if (!mRefresherLock.tryLock()) {
        // A synchronisation holds the lock: no phone is touched.
        setComplete();
        return;
    }
    logMessage("Listing raw device(s)");
    QList<QMtpRawDevice> raws;
    QMtpDevice::GetRawDevices(*mBackend, raws);
    logMessage("Attempting to get devices from raw devices");
    QList<DeviceParentMtpMac*> present;
    QList<DeviceParent*> found;
    QStringList problems;
    bool unableToOpen = false;
    for (qsizetype i = 0; i < raws.size(); ++i) {
        const QMtpRawDevice& raw = raws.at(i);
        logValue("vendor", raw.mVendor);
        logValue("product", raw.mProduct);
        logValue("location", raw.mId);
        // Known by where it is attached, not by model: two phones of one model are two phones.
        DeviceParentMtpMac* known = nullptr;
        for (DeviceParentMtpMac* parent : std::as_const(mKnownParents)) {
            if (parent->Location() == raw.mId)
                known = parent;
        }
        if (known) {
            logMessage("Raw device already in main list");
            present.append(known);
            continue;
        }
        logMessage("Device not already in main list... opening device...");
        QString problem;
        DeviceParentMtpMac* parent = openPhone(raw, problem);
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
    {
        QMutexLocker locker(&mActiveMutex);
        mNewParents.append(found);
        for (DeviceParentMtpMac* parent : std::as_const(mKnownParents)) {
            if (!present.contains(parent))
                mGoneParents.append(parent);
        }
        mOpenProblems = problems;
    }
    mRefresherLock.unlock();
    if (unableToOpen)
        emit unableToOpenDevice();
    setComplete();
}
