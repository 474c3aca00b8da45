#pragma once

#include <QList>
#include <QString>

// A mounted volume that may be a phone.
struct Volume
{
    QString mRootPath;   // mount point with a trailing "/"
    QString mName;       // sysfs vendor and model, else the mount point's folder name
    QString mDevice;     // the mount source, for example /dev/sdb1
    bool mRemovableUsb = false;
};

// Lists mounted block devices from mountinfo and sysfs. A volume is a phone candidate when its
// block device is removable and its sysfs path runs through a USB controller.
class VolumeLister
{
public:
    // aSystemRoot prefixes "/proc/self/mountinfo" and "/sys" (empty: the real system).
    explicit VolumeLister(const QString& aSystemRoot = QString());

    void setSystemRoot(const QString& aSystemRoot) { mSystemRoot = aSystemRoot; }
    QString systemRoot() const { return mSystemRoot; }

    // Every mounted block device ("/dev/..." sources), in mountinfo order.
    QList<Volume> mountedVolumes() const;
    // Only the phone candidates.
    QList<Volume> removableUsbVolumes() const;

    // Undoes the octal escapes of mountinfo fields ("\040" for a space).
    static QString unescapeMountField(const QByteArray& aField);

private:
    bool inspectBlockDevice(const QString& aMajorMinor, QString& aName) const;

    QString mSystemRoot;
};
