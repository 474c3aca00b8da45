#include "device/linux/VolumeLister.h"

#include "app/DebugLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// mountinfo of a normal system is a few kilobytes; this bounds what a broken one costs.
constexpr qint64 kMaxMountInfoSize = 16 << 20;
constexpr qint64 kMaxAttributeSize = 4096;

QString readAttribute(const QString& aPath)
{
    QFile file(aPath);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.read(kMaxAttributeSize)).simplified();
}

bool isOctal(char aChar)
{
    return aChar >= '0' && aChar <= '7';
}

} // namespace

VolumeLister::VolumeLister(const QString& aSystemRoot) : mSystemRoot(aSystemRoot) {}

QString VolumeLister::unescapeMountField(const QByteArray& aField)
{
    QByteArray out;
    out.reserve(aField.size());
    for (qsizetype i = 0; i < aField.size(); ++i) {
        const char c = aField.at(i);
        if (c == '\\' && i + 3 < aField.size() && isOctal(aField.at(i + 1))
            && isOctal(aField.at(i + 2)) && isOctal(aField.at(i + 3))) {
            out.append(char(((aField.at(i + 1) - '0') << 6) | ((aField.at(i + 2) - '0') << 3)
                            | (aField.at(i + 3) - '0')));
            i += 3;
        } else {
            out.append(c);
        }
    }
    return QFile::decodeName(out);
}

bool VolumeLister::inspectBlockDevice(const QString& aMajorMinor, QString& aName) const
{
    const QString link = mSystemRoot + QStringLiteral("/sys/dev/block/") + aMajorMinor;
    const QString devicePath = QFileInfo(link).canonicalFilePath();
    if (devicePath.isEmpty())
        return false;
    // A partition's attributes (removable, vendor, model) belong to its disk.
    const QString diskPath = QFileInfo::exists(devicePath + QStringLiteral("/partition"))
                               ? QFileInfo(devicePath).absolutePath()
                               : devicePath;
    const bool removable = readAttribute(diskPath + QStringLiteral("/removable")) == QLatin1String("1");
    bool onUsb = false;
    const QString relative = devicePath.mid(mSystemRoot.size());
    for (const QString& part : relative.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part.startsWith(QLatin1String("usb"))) {
            onUsb = true;
            break;
        }
    }
    const QString vendor = readAttribute(diskPath + QStringLiteral("/device/vendor"));
    const QString model = readAttribute(diskPath + QStringLiteral("/device/model"));
    aName = (vendor + QLatin1Char(' ') + model).trimmed();
    return removable && onUsb;
}

QList<Volume> VolumeLister::mountedVolumes() const
{
    LogScope scope("VolumeLister::mountedVolumes");
    QList<Volume> volumes;
    QFile file(mSystemRoot + QStringLiteral("/proc/self/mountinfo"));
    if (!file.open(QIODevice::ReadOnly)) {
        logValue("Could not read", file.fileName());
        return volumes;
    }
    const QByteArray content = file.read(kMaxMountInfoSize);
    for (const QByteArray& line : content.split('\n')) {
        // id parent major:minor root mount-point options [optional...] - type source options
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype separator = fields.indexOf(QByteArray("-"));
        if (separator < 6 || separator + 2 >= fields.size())
            continue;
        const QString source = unescapeMountField(fields.at(separator + 2));
        if (!source.startsWith(QLatin1String("/dev/")))
            continue;
        Volume volume;
        volume.mDevice = source;
        QString mountPoint = unescapeMountField(fields.at(4));
        if (!mountPoint.startsWith(QLatin1Char('/')))
            continue;
        volume.mRootPath = mountPoint.endsWith(QLatin1Char('/')) ? mountPoint
                                                                 : mountPoint + QLatin1Char('/');
        volume.mRemovableUsb = inspectBlockDevice(QString::fromLatin1(fields.at(2)), volume.mName);
        // A bind mount of a folder inside a volume is not the phone's root.
        if (fields.at(3) != "/")
            volume.mRemovableUsb = false;
        if (volume.mName.isEmpty()) {
            // Desktop mounters name the mount point after the filesystem label.
            volume.mName = QDir(mountPoint).dirName();
            if (volume.mName.isEmpty())
                volume.mName = mountPoint;
        }
        volumes.append(volume);
    }
    return volumes;
}

QList<Volume> VolumeLister::removableUsbVolumes() const
{
    QList<Volume> result;
    for (const Volume& volume : mountedVolumes()) {
        if (volume.mRemovableUsb)
            result.append(volume);
    }
    return result;
}
