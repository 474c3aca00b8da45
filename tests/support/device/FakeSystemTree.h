#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A fake /proc/self/mountinfo and /sys tree below a root folder, laid out as the kernel does:
// /sys/dev/block/MAJ:MIN links into /sys/devices, partitions below their disk, the disk's
// "device" link to the SCSI device with "vendor" and "model".
class FakeSystemTree
{
public:
    explicit FakeSystemTree(const QString& aRoot);

    QString root() const { return mRoot; }

    // A disk with one partition (aDisk + "1", device number aMajorMinor). Empty vendor or model
    // leaves that file out.
    void addDisk(const QString& aDisk, const QString& aMajorMinor, bool aOnUsb, bool aRemovable,
                 const QString& aVendor, const QString& aModel);
    // A mount of the partition aMajorMinor from aSource at aMountPoint (written escaped).
    void addMount(const QString& aMajorMinor, const QString& aSource, const QString& aMountPoint,
                  const QString& aFsType = QStringLiteral("vfat"));
    void removeMount(const QString& aMountPoint);
    // A line written as it stands, for malformed input.
    void addRawLine(const QByteArray& aLine);

private:
    void writeMountInfo();

    struct Mount
    {
        QString mMajorMinor;
        QString mSource;
        QString mMountPoint;
        QString mFsType;
    };

    QString mRoot;
    QList<Mount> mMounts;
    QList<QByteArray> mRawLines;
    int mNextId = 100;
};
