#include "device/DeviceTestHelpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace DeviceTestHelpers {

QByteArray readFile(const QString& aPath)
{
    QFile file(aPath);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

void writeFile(const QString& aPath, const QByteArray& aContent)
{
    QDir().mkpath(QFileInfo(aPath).absolutePath());
    QFile file(aPath);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(aContent);
}

PlaylistEntry entryOf(const QString& aName, const QList<int>& aIndexes)
{
    PlaylistEntry entry;
    entry.mName = aName;
    for (int index : aIndexes)
        entry.mItems.append({index, 0});
    return entry;
}

} // namespace DeviceTestHelpers
