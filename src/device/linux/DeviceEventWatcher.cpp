#include "device/linux/DeviceEventWatcher.h"

#include "app/DebugLog.h"

#include <QFile>
#include <QSocketNotifier>

#include <libudev.h>

#include <fcntl.h>
#include <unistd.h>

DeviceEventWatcher::DeviceEventWatcher(QObject* aParent, const QString& aSystemRoot)
    : QObject(aParent)
{
    LogScope scope("DeviceEventWatcher::DeviceEventWatcher");
    if (aSystemRoot.isEmpty()) {
        mUdev = udev_new();
        mMonitor = mUdev ? udev_monitor_new_from_netlink(mUdev, "udev") : nullptr;
        if (mMonitor
            && (udev_monitor_filter_add_match_subsystem_devtype(mMonitor, "usb", "usb_device") < 0
                || udev_monitor_enable_receiving(mMonitor) < 0)) {
            udev_monitor_unref(mMonitor);
            mMonitor = nullptr;
        }
        if (mMonitor) {
            mUsbNotifier = std::make_unique<QSocketNotifier>(udev_monitor_get_fd(mMonitor),
                                                             QSocketNotifier::Read);
            connect(mUsbNotifier.get(), &QSocketNotifier::activated, this,
                    &DeviceEventWatcher::readUsbEvents);
        }
    }
    logValue("usbEvents", mMonitor ? "true" : "false");
    // The kernel marks the mount table's file with POLLPRI when it changes; Qt's exception
    // notifier waits for exactly that.
    const QByteArray mountInfo = QFile::encodeName(aSystemRoot + QStringLiteral("/proc/self/mountinfo"));
    mMountInfo = ::open(mountInfo.constData(), O_RDONLY | O_CLOEXEC);
    if (mMountInfo >= 0) {
        readMountTable();
        mMountNotifier = std::make_unique<QSocketNotifier>(mMountInfo, QSocketNotifier::Exception);
        connect(mMountNotifier.get(), &QSocketNotifier::activated, this, [this] {
            readMountTable();
            emit devicesChanged(false);
        });
    }
    logValue("mountEvents", mMountInfo >= 0 ? "true" : "false");
}

DeviceEventWatcher::~DeviceEventWatcher()
{
    mUsbNotifier.reset();
    mMountNotifier.reset();
    if (mMonitor)
        udev_monitor_unref(mMonitor);
    if (mUdev)
        udev_unref(mUdev);
    if (mMountInfo >= 0)
        ::close(mMountInfo);
}

void DeviceEventWatcher::readUsbEvents()
{
    bool changed = false;
    while (udev_device* device = udev_monitor_receive_device(mMonitor)) {
        const char* action = udev_device_get_action(device);
        const QByteArray what = action ? QByteArray(action) : QByteArray();
        // "bind" and "change" come too; only arrival and departure change the phones.
        if (what == "add" || what == "remove") {
            logValue("usbEvent", QString::fromLatin1(what));
            changed = true;
        }
        udev_device_unref(device);
    }
    if (changed)
        emit devicesChanged(true);
}

void DeviceEventWatcher::readMountTable()
{
    // The table has to be read to its end, or the kernel keeps signalling the same change.
    char buffer[4096];
    ::lseek(mMountInfo, 0, SEEK_SET);
    while (::read(mMountInfo, buffer, sizeof buffer) > 0) {
    }
}
