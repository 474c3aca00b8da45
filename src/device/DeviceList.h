#pragma once

#include "device/MountedChecker.h"
#include "device/linux/VolumeLister.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>

class Device;
class DeviceEventWatcher;
class DeviceParent;
class DeviceRefresher;
class DeviceListObserver;
class MountedCheckerThread;
class SettingsSnapshot;
class UsbMSDevice;

// The phones attached now. Refreshed while auto refresh is enabled when udev reports a USB
// device added or removed and when the mount table changes, and by a slow poll for machines
// without udev: mass-storage phones are rebuilt from the mounted removable USB volumes and the
// phone folders, MTP phones come from the refresher's last run, taken over as soon as it ends.
// So nothing is listed or opened while nothing changes. Lives in the user-interface thread. Whether a removable
// volume is mounted is always checked in the checker's thread; with CheckInBackground the phone
// folders are too, and the id and description files of every mass-storage phone are read
// there, so that no refresh touches a phone's file system in the list's own thread.
class DeviceList : public QObject
{
    Q_OBJECT

public:
    // The poll that stands in for device events that never come.
    static constexpr int kFallbackPeriodMs = 30000;
    // Events come in bursts (a phone brings several interfaces and mounts): one refresh each.
    static constexpr int kEventDelayMs = 250;
    // How often phone folders that are not there are looked for.
    static constexpr int kGoneFolderPeriodMs = 2000;

    // aSystemRoot prefixes /proc and /sys (empty for the real system). Phone folders from
    // PELLMAR_PHONE_FOLDERS (colon-separated) are added.
    explicit DeviceList(QObject* aParent = nullptr, const QString& aSystemRoot = QString());
    ~DeviceList() override;

    // One refresh; answers whether anything changed. With aStartMtpRun false the refresher's
    // results are taken over without starting another run.
    bool RefreshDevices(bool aStartMtpRun = true);

    void EnableAutoRefresh(DeviceListObserver* aObserver);
    void DisableAutoRefresh();
    bool AutoRefreshEnabled() const { return mAutoRefreshEnabled; }

    const QList<Device*>& GetDevices() const { return mDevices; }
    QList<DeviceParent*> GetParentDevices() const { return mParentDevices; }
    bool DeviceIsConnected() const { return !mDevices.isEmpty(); }
    void SelectDevice(int aIndex) { mSelectedIndex = aIndex; }
    bool DeviceIsSelected() const;
    Device* SelectedDevice() const;
    // The configured phone set up last, else the first phone. Ask DeviceIsConnected first.
    Device* ConnectedDevice(const SettingsSnapshot& aSettings);
    DeviceParent* ParentOf(Device* aDevice) const;
    // The last answer of the mounted check for a root: 1 mounted, 2 not, 0 none yet.
    int MountedState(const QString& aRootPath) const { return mMountedStates.value(aRootPath, 0); }

    // A folder that is listed as a mounted mass-storage phone named after the folder.
    void AddPhoneFolder(const QString& aFolder);
    QStringList PhoneFolders() const { return mPhoneFolders; }
    // The MTP enumeration; the list owns it.
    void SetDeviceRefresher(std::unique_ptr<DeviceRefresher> aRefresher);
    // The refresher's reasons why phones could not be opened (DeviceRefresher::openProblems).
    QStringList OpenProblems() const;
    // For a window, whose thread must never wait on a slow or hung mount. A command line
    // without an event loop keeps the checks of phone folders in its own thread.
    void CheckInBackground(bool aEnabled) { mBackgroundChecks = aEnabled; }
    // Replaces the checker (a test's slow phone); checks not yet answered are asked again.
    void SetMountedChecker(std::unique_ptr<MountedChecker> aChecker);
    void SetFallbackPeriod(int aMsecs) { mFallbackPeriodMs = aMsecs; }

signals:
    void checkMountedStatus(QString aRootPath);
    void unableToOpenDevice();

public slots:
    void update();
    // A device event: refresh soon, and try again phones that could not be opened.
    void devicesChanged(bool aUsb);
    void mountedStatusChange(int aMountedState, QString aRootPath, QString aUniqueDeviceId,
                             int aAndroidVersion, int aScreenPixels);

private:
    bool RefreshUsbMSDevices();
    bool RefreshMtpDevices(bool aStartRun);
    void AddParent(DeviceParent* aParent);
    // A parent of the previous refresh for the same phone in the same state, taken out of
    // mRetiredMsParents, or null.
    DeviceParent* ReuseMsParent(const QString& aRootPath, const QString& aName, bool aMounted);
    // Lists one mass-storage phone; answers whether it counts as mounted.
    bool AddMsPhone(const QString& aRootPath, const QString& aName, bool aMounted);
    // Asks the checker about aRootPath unless a question is open; answers its last answer.
    bool CheckedMounted(const QString& aRootPath);
    void forceUpdate();
    // The refresher's run has ended: its phones are shown without waiting for the next event.
    void refresherFinished();

    QList<Device*> mDevices;
    QList<DeviceParent*> mParentDevices;
    std::unique_ptr<DeviceRefresher> mRefresher;
    bool mInitialised = false;
    bool mRefresherLocked = false;
    DeviceListObserver* mObserver = nullptr;
    QString mPreviousLogicalDriveString;
    QTimer mTimer;
    QTimer mEventTimer;
    QTimer mFolderTimer;
    int mFallbackPeriodMs = kFallbackPeriodMs;
    // A run was asked for while one was going: it starts when that one ends.
    bool mMtpRunWanted = false;
    DeviceEventWatcher* mEvents = nullptr;
    bool mTimerConnected = false;
    int mSelectedIndex = -1;
    int mMountedUsbMSCount = 0;
    MountedCheckerThread* mMountedCheckerThread = nullptr;
    QMap<QString, int> mMountedStates;
    bool mAutoRefreshEnabled = false;
    QString mPreviousDeviceNames;

    VolumeLister mVolumeLister;
    QStringList mPhoneFolders;
    // Mass-storage parents of earlier refreshes. Pointers handed out stay valid for the list's
    // lifetime; a phone whose root, name and mounted state are unchanged keeps its objects.
    QList<DeviceParent*> mRetiredMsParents;
    // Whether each mass-storage parent was created as mounted.
    QHash<DeviceParent*, bool> mMsCreatedMounted;
    // Roots whose mounted check has been asked and not answered; a blocked check is not
    // asked again on every refresh.
    QSet<QString> mPendingChecks;
    bool mBackgroundChecks = false;
    // The checker's last answer for each root.
    QHash<QString, MountedChecker::Inspection> mInspections;
};
