#include "device/DeviceList.h"

#include "app/DebugLog.h"
#include "device/DeviceParentMs.h"
#include "device/DeviceRefresher.h"
#include "device/DeviceType.h"
#include "device/DeviceListObserver.h"
#include "device/MountedChecker.h"
#include "device/MountedCheckerThread.h"
#include "device/UsbMSDevice.h"
#include "device/linux/DeviceEventWatcher.h"
#include "settings/SettingsSnapshot.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

DeviceList::DeviceList(QObject* aParent, const QString& aSystemRoot)
    : QObject(aParent), mVolumeLister(aSystemRoot)
{
    LogScope scope("DeviceList::DeviceList");
    mMountedCheckerThread = new MountedCheckerThread(this);
    mMountedCheckerThread->startAndWait();
    mEvents = new DeviceEventWatcher(this, aSystemRoot);
    connect(mEvents, &DeviceEventWatcher::devicesChanged, this, &DeviceList::devicesChanged);
    mEventTimer.setSingleShot(true);
    connect(&mEventTimer, &QTimer::timeout, this, &DeviceList::update);
    connect(&mFolderTimer, &QTimer::timeout, this, [this] {
        if (mAutoRefreshEnabled && RefreshDevices(false) && mObserver)
            mObserver->DeviceListChanged();
    });
    const QString folders = qEnvironmentVariable("PELLMAR_PHONE_FOLDERS");
    for (const QString& folder : folders.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        AddPhoneFolder(folder);
}

DeviceList::~DeviceList()
{
    mTimer.stop();
    delete mMountedCheckerThread;
    if (mRefresher && mRefresherLocked)
        mRefresher->unlock();
    mRefresher.reset();
    qDeleteAll(mParentDevices);
    qDeleteAll(mRetiredMsParents);
}

void DeviceList::AddPhoneFolder(const QString& aFolder)
{
    if (aFolder.isEmpty())
        return;
    const QString folder = QDir::cleanPath(QFileInfo(aFolder).absoluteFilePath());
    if (!mPhoneFolders.contains(folder)) {
        logValue("phoneFolder", folder);
        mPhoneFolders.append(folder);
        // A new phone, as a device event would announce one.
        if (mAutoRefreshEnabled)
            mEventTimer.start(kEventDelayMs);
    }
}

void DeviceList::SetMountedChecker(std::unique_ptr<MountedChecker> aChecker)
{
    delete mMountedCheckerThread;
    mMountedCheckerThread = new MountedCheckerThread(this, std::move(aChecker));
    mMountedCheckerThread->startAndWait();
    mPendingChecks.clear();
}

void DeviceList::SetDeviceRefresher(std::unique_ptr<DeviceRefresher> aRefresher)
{
    // The list's lock state carries over to the new refresher.
    if (mRefresher && mRefresherLocked)
        mRefresher->unlock();
    mRefresher = std::move(aRefresher);
    if (mRefresher && mRefresherLocked)
        mRefresher->lock();
    if (auto* object = dynamic_cast<QObject*>(mRefresher.get())) {
        if (object->metaObject()->indexOfSignal("unableToOpenDevice()") >= 0)
            connect(object, SIGNAL(unableToOpenDevice()), this, SIGNAL(unableToOpenDevice()));
        if (auto* thread = qobject_cast<QThread*>(object))
            connect(thread, &QThread::finished, this, &DeviceList::refresherFinished,
                    Qt::QueuedConnection);
    }
}

QStringList DeviceList::OpenProblems() const
{
    return mRefresher ? mRefresher->openProblems() : QStringList();
}

void DeviceList::AddParent(DeviceParent* aParent)
{
    for (Device* device : aParent->Devices())
        mDevices.append(device);
    mParentDevices.append(aParent);
}

DeviceParent* DeviceList::ReuseMsParent(const QString& aRootPath, const QString& aName,
                                        bool aMounted)
{
    for (qsizetype i = 0; i < mRetiredMsParents.size(); ++i) {
        DeviceParent* parent = mRetiredMsParents.at(i);
        if (parent->Name() != aName || parent->Devices().size() != 1
            || mMsCreatedMounted.value(parent) != aMounted)
            continue;
        auto* device = static_cast<UsbMSDevice*>(parent->Devices().constFirst());
        if (device->RootPath() != aRootPath)
            continue;
        mRetiredMsParents.removeAt(i);
        if (aMounted && !mBackgroundChecks) {
            // What a fresh object would read: the id and description may have changed.
            device->ReadOrGenerateUniqueDeviceId();
            device->ReadDeviceInfo();
        }
        return parent;
    }
    return nullptr;
}

bool DeviceList::AddMsPhone(const QString& aRootPath, const QString& aName, bool aMounted)
{
    DeviceParent* parent = ReuseMsParent(aRootPath, aName, aMounted);
    if (!parent) {
        parent = new DeviceParentMs(aName);
        parent->AddDevice(new UsbMSDevice(aRootPath, aName, aMounted && !mBackgroundChecks));
        mMsCreatedMounted.insert(parent, aMounted);
    }
    AddParent(parent);
    if (!aMounted)
        return false;
    logMessage("usbMSDevice added");
    auto* phone = static_cast<UsbMSDevice*>(parent->Devices().constFirst());
    if (!mBackgroundChecks)
        return phone->IsMounted();
    const MountedChecker::Inspection inspection = mInspections.value(phone->RootPath());
    phone->SetCheckedIdentity(inspection.mUniqueDeviceId, inspection.mAndroidVersion,
                              inspection.mScreenPixels);
    return true;
}

bool DeviceList::CheckedMounted(const QString& aRootPath)
{
    if (!mPendingChecks.contains(aRootPath)) {
        mPendingChecks.insert(aRootPath);
        emit checkMountedStatus(aRootPath);
    }
    return mMountedStates.value(aRootPath) == MountedChecker::kMounted;
}

bool DeviceList::RefreshUsbMSDevices()
{
    LogScope scope("DeviceList::RefreshUsbMSDevices");
    const QList<Volume> volumes = mVolumeLister.mountedVolumes();
    QString logicalDriveString;
    for (const Volume& volume : volumes)
        logicalDriveString += volume.mRootPath;
    for (const QString& folder : mPhoneFolders)
        logicalDriveString += folder;
    logValue("logicalDriverString", logicalDriveString);

    int mountedCount = 0;
    int goneFolders = 0;
    for (const Volume& volume : volumes) {
        logValue("deviceName", volume.mName);
        if (!volume.mRemovableUsb)
            continue;
        logMessage("isUsbDevice == true");
        const QString root = volume.mRootPath;
        const bool mounted = CheckedMounted(root);
        if (mounted)
            logMessage("Got free space, so we assume the drive is mounted");
        if (AddMsPhone(root, volume.mName, mounted))
            ++mountedCount;
    }
    // Folders the user names as phones are mostly local; without background checks they are
    // looked at here.
    for (const QString& folder : mPhoneFolders) {
        const QString root = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
        QString name = QDir(folder).dirName();
        if (name.isEmpty())
            name = folder;
        logValue("deviceName", name);
        const bool mounted = mBackgroundChecks ? CheckedMounted(root) : QFileInfo(folder).isDir();
        if (AddMsPhone(root, name, mounted))
            ++mountedCount;
        else
            ++goneFolders;
    }

    // A folder phone that is not there may come back without any event (a folder made, a
    // network share): such folders alone are looked at often, which opens no phone.
    if (goneFolders > 0 && mAutoRefreshEnabled) {
        if (!mFolderTimer.isActive())
            mFolderTimer.start(kGoneFolderPeriodMs);
    } else {
        mFolderTimer.stop();
    }

    bool changed = false;
    if (mountedCount != mMountedUsbMSCount) {
        logValue("newMountedCount", mountedCount);
        logValue("mMountedUsbMSCount", mMountedUsbMSCount);
        mMountedUsbMSCount = mountedCount;
        changed = true;
    }
    if (logicalDriveString != mPreviousLogicalDriveString) {
        logValue("mPreviousLogicalDriveString", mPreviousLogicalDriveString);
        logValue("logicalDriveString", logicalDriveString);
        mPreviousLogicalDriveString = logicalDriveString;
        changed = true;
    }
    logReturn(changed);
    return changed;
}

bool DeviceList::RefreshMtpDevices(bool aStartRun)
{
    if (!mRefresher)
        return false;
    if (mRefresher->isRunning()) {
        mMtpRunWanted = mMtpRunWanted || aStartRun;
        return false;
    }
    bool changed = false;
    for (DeviceParent* parent : mRefresher->takeNewParents()) {
        AddParent(parent);
        changed = true;
    }
    for (DeviceParent* parent : mRefresher->takeGoneParents()) {
        for (Device* device : parent->Devices())
            mDevices.removeAll(device);
        mParentDevices.removeAll(parent);
        delete parent;
        changed = true;
    }
    QList<DeviceParent*> known;
    for (DeviceParent* parent : mParentDevices) {
        if (parent->GetDeviceType() != DeviceType::MassStorage)
            known.append(parent);
    }
    if (aStartRun)
        mRefresher->startRefresh(known);
    return changed;
}

bool DeviceList::RefreshDevices(bool aStartMtpRun)
{
    LogScope scope("DeviceList::RefreshDevices");
    if (!mInitialised) {
        logMessage("DeviceList::Initialise");
        mInitialised = true;
    }
    for (qsizetype i = mParentDevices.size() - 1; i >= 0; --i) {
        DeviceParent* parent = mParentDevices.at(i);
        if (parent->GetDeviceType() != DeviceType::MassStorage)
            continue;
        for (Device* device : parent->Devices())
            mDevices.removeAll(device);
        mParentDevices.removeAt(i);
        mRetiredMsParents.append(parent);
    }
    const bool usbChanged = RefreshUsbMSDevices();
    const bool mtpChanged = RefreshMtpDevices(aStartMtpRun);
    if (usbChanged)
        logMessage("usb_ms_list_changed");
    if (mtpChanged)
        logMessage("mtp_list_changed");

    QString names;
    for (qsizetype i = 0; i < mDevices.size(); ++i) {
        logValue("device list index: ", int(i));
        const QString name = mDevices.at(i)->FriendlyName();
        logValue("device name: ", name);
        names += name;
    }
    const bool namesChanged = names != mPreviousDeviceNames;
    mPreviousDeviceNames = names;
    const bool changed = namesChanged || usbChanged || mtpChanged;
    logReturn(changed);
    return changed;
}

void DeviceList::update()
{
    if (mAutoRefreshEnabled && RefreshDevices() && mObserver)
        mObserver->DeviceListChanged();
}

void DeviceList::devicesChanged(bool aUsb)
{
    logValue("DeviceList::devicesChanged, usb", aUsb ? "true" : "false");
    if (aUsb && mRefresher)
        mRefresher->devicesChanged();
    if (mAutoRefreshEnabled)
        mEventTimer.start(kEventDelayMs);
}

void DeviceList::refresherFinished()
{
    const bool again = std::exchange(mMtpRunWanted, false);
    if (mAutoRefreshEnabled && RefreshDevices(again) && mObserver)
        mObserver->DeviceListChanged();
}

void DeviceList::forceUpdate()
{
    logMessage("DeviceList::forceUpdate");
    RefreshDevices();
    if (mObserver)
        mObserver->DeviceListChanged();
}

void DeviceList::EnableAutoRefresh(DeviceListObserver* aObserver)
{
    LogScope scope("DeviceList::EnableAutoRefresh");
    if (mAutoRefreshEnabled) {
        logMessage("Autorefresh is already enabled");
        return;
    }
    logMessage("");
    if (mRefresherLocked) {
        logMessage("Unlocking the autorefresher");
        if (mRefresher)
            mRefresher->unlock();
        mRefresherLocked = false;
    } else {
        logMessage("Autorefresher is already unlocked");
    }
    mAutoRefreshEnabled = true;
    mObserver = aObserver;
    forceUpdate();
    if (!mTimerConnected) {
        connect(&mTimer, &QTimer::timeout, this, &DeviceList::update);
        mTimerConnected = true;
    }
    mTimer.start(mFallbackPeriodMs);
}

void DeviceList::DisableAutoRefresh()
{
    LogScope scope("DeviceList::DisableAutoRefresh");
    if (!mAutoRefreshEnabled) {
        logMessage("Autorefresh already disabled");
        return;
    }
    mAutoRefreshEnabled = false;
    mTimer.stop();
    mEventTimer.stop();
    mFolderTimer.stop();
    if (mRefresherLocked) {
        logMessage("Autorefresher is already locked");
    } else {
        logMessage("Locking the autorefresher");
        if (mRefresher)
            mRefresher->lock();
        mRefresherLocked = true;
    }
    logMessage("Autorefresh is locked");
    mObserver = nullptr;
}

bool DeviceList::DeviceIsSelected() const
{
    return mSelectedIndex >= 0 && mSelectedIndex < mDevices.size();
}

Device* DeviceList::SelectedDevice() const
{
    return DeviceIsSelected() ? mDevices.at(mSelectedIndex) : nullptr;
}

Device* DeviceList::ConnectedDevice(const SettingsSnapshot& aSettings)
{
    LogScope scope("DeviceList::ConnectedDevice");
    Device* best = nullptr;
    int bestOrder = 0;
    for (qsizetype i = mDevices.size() - 1; i >= 0; --i) {
        Device* device = mDevices.at(i);
        if (device->IsConfigured(aSettings)) {
            logMessage("Configured device found");
            const int order = device->configuredOrder(aSettings);
            if (order > bestOrder) {
                bestOrder = order;
                best = device;
            }
        } else {
            logMessage("Non-Configured device found");
        }
    }
    if (!best && !mDevices.isEmpty())
        best = mDevices.constFirst();
    return best;
}

DeviceParent* DeviceList::ParentOf(Device* aDevice) const
{
    for (qsizetype i = mParentDevices.size() - 1; i >= 0; --i) {
        if (mParentDevices.at(i)->Devices().contains(aDevice))
            return mParentDevices.at(i);
    }
    return nullptr;
}

void DeviceList::mountedStatusChange(int aMountedState, QString aRootPath,
                                     QString aUniqueDeviceId, int aAndroidVersion,
                                     int aScreenPixels)
{
    LogScope scope("DeviceList::mountedStatusChange");
    logValue("aRootPath", aRootPath);
    logValue("aMountedState", aMountedState);
    const auto known = mInspections.constFind(aRootPath);
    const bool changed = known == mInspections.constEnd()
                         || known->mMountedState != aMountedState
                         || known->mUniqueDeviceId != aUniqueDeviceId
                         || known->mAndroidVersion != aAndroidVersion
                         || known->mScreenPixels != aScreenPixels;
    mMountedStates[aRootPath] = aMountedState;
    mInspections.insert(aRootPath,
                        {aMountedState, aUniqueDeviceId, aAndroidVersion, aScreenPixels});
    mPendingChecks.remove(aRootPath);
    // Shown at once, not at the next poll: a phone folder appears as soon as it is checked.
    if (changed && mBackgroundChecks)
        update();
}
