#include "tracks/CacheBytes.h"

#include <QFile>

CacheBytes& CacheBytes::int32(qint32 aValue)
{
    const quint32 v = quint32(aValue);
    for (int shift = 0; shift < 32; shift += 8)
        mBytes.append(char((v >> shift) & 0xff));
    return *this;
}

CacheBytes& CacheBytes::int64(qint64 aValue)
{
    const quint64 v = quint64(aValue);
    for (int shift = 0; shift < 64; shift += 8)
        mBytes.append(char((v >> shift) & 0xff));
    return *this;
}

CacheBytes& CacheBytes::raw(const QByteArray& aBytes)
{
    mBytes.append(aBytes);
    return *this;
}

CacheBytes& CacheBytes::int32Item(qint32 aTag, qint32 aValue)
{
    return int32(aTag).int32(4).int32(aValue);
}

CacheBytes& CacheBytes::int64Item(qint32 aTag, qint64 aValue)
{
    return int32(aTag).int32(8).int64(aValue);
}

QByteArray CacheBytes::utf16(const QString& aText)
{
    QByteArray out;
    for (QChar c : aText) {
        out.append(char(c.unicode() & 0xff));
        out.append(char(c.unicode() >> 8));
    }
    return out;
}

CacheBytes& CacheBytes::stringItem(qint32 aTag, const QString& aText)
{
    return int32(aTag).int32(qint32(aText.size() * 2)).raw(utf16(aText));
}

CacheBytes& CacheBytes::header(qint64 aTotal, qint32 aIntegrity)
{
    return int32(1000).int32Item(1001, 1).int64Item(1002, aTotal).int32Item(1003, aIntegrity);
}

CacheBytes& CacheBytes::record(const QString& aName, qint64 aIdOffset, qint32 aIdLength,
                               qint32 aFlags, qint64 aSize)
{
    return int32(0)
        .stringItem(1, aName)
        .stringItem(2, QStringLiteral("Album"))
        .stringItem(3, QStringLiteral("Artist"))
        .stringItem(4, QStringLiteral("/music/") + aName + QStringLiteral(".mp3"))
        .int32Item(5, 1)
        .int64Item(9, aIdOffset)
        .int32Item(10, aIdLength)
        .int32Item(7, aFlags)
        .int64Item(8, aSize);
}

bool CacheBytes::writeFile(const QString& aPath, const QByteArray& aBytes)
{
    // A new file rather than a truncated one: ext4 flushes files that were truncated and
    // rewritten when they are closed, which makes a loop of rewrites wait on the disk.
    QFile::remove(aPath);
    QFile file(aPath);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
           && file.write(aBytes) == aBytes.size();
}

QByteArray CacheBytes::readFile(const QString& aPath)
{
    QFile file(aPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
