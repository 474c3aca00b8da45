#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QSocketNotifier;
struct udev;
struct udev_monitor;

// Tells when phones may have come or gone, so that the device list need not poll: udev's add
// and remove events of USB devices (an MTP phone), and changes of the mount table, which the
// kernel signals as POLLPRI on /proc/self/mountinfo (a phone or card mounted as a folder).
// Without udev (a container, a machine without udevd) only the mount table is watched; the
// list keeps a slow poll for that case.
class DeviceEventWatcher : public QObject
{
    Q_OBJECT

public:
    // aSystemRoot prefixes /proc (tests lay out their own tree); udev is only watched for the
    // real system.
    explicit DeviceEventWatcher(QObject* aParent = nullptr, const QString& aSystemRoot = QString());
    ~DeviceEventWatcher() override;

    bool WatchesUsb() const { return mMonitor != nullptr; }
    bool WatchesMounts() const { return mMountInfo >= 0; }

signals:
    // A USB device was added or removed (aUsb), or the mount table changed.
    void devicesChanged(bool aUsb);

private:
    void readUsbEvents();
    void readMountTable();

    udev* mUdev = nullptr;
    udev_monitor* mMonitor = nullptr;
    std::unique_ptr<QSocketNotifier> mUsbNotifier;
    int mMountInfo = -1;
    std::unique_ptr<QSocketNotifier> mMountNotifier;
};
