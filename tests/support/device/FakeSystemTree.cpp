#include "device/FakeSystemTree.h"

#include <QDir>
#include <QFile>

namespace {

void writeFile(const QString& aPath, const QByteArray& aContent)
{
    QDir().mkpath(aPath.section(QLatin1Char('/'), 0, -2));
    QFile file(aPath);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(aContent);
}

QByteArray escapeField(const QString& aField)
{
    QByteArray out;
    for (const char c : aField.toUtf8()) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\\')
            out += '\\' + QByteArray::number(int(uchar(c)), 8).rightJustified(3, '0');
        else
            out += c;
    }
    return out;
}

} // namespace

FakeSystemTree::FakeSystemTree(const QString& aRoot) : mRoot(aRoot)
{
    QDir().mkpath(mRoot + QStringLiteral("/sys/dev/block"));
    writeMountInfo();
}

void FakeSystemTree::addDisk(const QString& aDisk, const QString& aMajorMinor, bool aOnUsb,
                             bool aRemovable, const QString& aVendor, const QString& aModel)
{
    const QString bus = aOnUsb ? QStringLiteral("pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0")
                               : QStringLiteral("pci0000:00/0000:00:17.0/ata1");
    const QString scsi = QStringLiteral("/host6/target6:0:0/6:0:0:0");
    const QString scsiPath = mRoot + QStringLiteral("/sys/devices/") + bus + QLatin1Char('/') + aDisk + scsi;
    const QString diskPath = scsiPath + QStringLiteral("/block/") + aDisk;
    const QString partitionPath = diskPath + QLatin1Char('/') + aDisk + QLatin1Char('1');
    writeFile(diskPath + QStringLiteral("/removable"), aRemovable ? "1\n" : "0\n");
    writeFile(partitionPath + QStringLiteral("/partition"), "1\n");
    QDir().mkpath(scsiPath);
    if (!aVendor.isEmpty())
        writeFile(scsiPath + QStringLiteral("/vendor"), aVendor.toUtf8() + "  \n");
    if (!aModel.isEmpty())
        writeFile(scsiPath + QStringLiteral("/model"), aModel.toUtf8() + "    \n");
    QFile::link(QStringLiteral("../../../6:0:0:0"), diskPath + QStringLiteral("/device"));
    const QString relative = QStringLiteral("../../devices/") + bus + QLatin1Char('/') + aDisk + scsi
                           + QStringLiteral("/block/") + aDisk + QLatin1Char('/') + aDisk
                           + QLatin1Char('1');
    QFile::link(relative, mRoot + QStringLiteral("/sys/dev/block/") + aMajorMinor);
}

void FakeSystemTree::addMount(const QString& aMajorMinor, const QString& aSource,
                              const QString& aMountPoint, const QString& aFsType)
{
    mMounts.append({aMajorMinor, aSource, aMountPoint, aFsType});
    writeMountInfo();
}

void FakeSystemTree::removeMount(const QString& aMountPoint)
{
    mMounts.removeIf([&](const Mount& aMount) { return aMount.mMountPoint == aMountPoint; });
    writeMountInfo();
}

void FakeSystemTree::addRawLine(const QByteArray& aLine)
{
    mRawLines.append(aLine);
    writeMountInfo();
}

void FakeSystemTree::writeMountInfo()
{
    QByteArray content =
        "22 1 0:21 / /proc rw,nosuid,nodev,noexec,relatime shared:13 - proc proc rw\n"
        "25 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw,errors=remount-ro\n";
    int id = mNextId;
    for (const Mount& mount : mMounts) {
        content += QByteArray::number(id++) + " 25 " + mount.mMajorMinor.toLatin1() + " / "
                 + escapeField(mount.mMountPoint)
                 + " rw,nosuid,nodev,relatime shared:200 - " + mount.mFsType.toLatin1() + ' '
                 + escapeField(mount.mSource) + " rw,uid=1000,gid=1000\n";
    }
    for (const QByteArray& line : mRawLines)
        content += line + '\n';
    writeFile(mRoot + QStringLiteral("/proc/self/mountinfo"), content);
}
