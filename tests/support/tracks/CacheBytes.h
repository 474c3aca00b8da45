#pragma once

#include <QByteArray>
#include <QString>

// Builds track cache content by hand, item by item, for files that the cache itself would
// never write: wrong magic, odd tags, lengths that lie.
class CacheBytes
{
public:
    CacheBytes& int32(qint32 aValue);
    CacheBytes& int64(qint64 aValue);
    CacheBytes& raw(const QByteArray& aBytes);
    // Tag, length 4, value.
    CacheBytes& int32Item(qint32 aTag, qint32 aValue);
    // Tag, length 8, value.
    CacheBytes& int64Item(qint32 aTag, qint64 aValue);
    // Tag, byte length, UTF-16LE code units.
    CacheBytes& stringItem(qint32 aTag, const QString& aText);
    // The standard 44-byte header with the given total; the integrity value is aIntegrity.
    CacheBytes& header(qint64 aTotal, qint32 aIntegrity = 0);
    // A record as the cache writes it: marker, strings, number, id reference, flags, size.
    CacheBytes& record(const QString& aName, qint64 aIdOffset, qint32 aIdLength, qint32 aFlags,
                       qint64 aSize);

    const QByteArray& bytes() const { return mBytes; }
    qint64 size() const { return mBytes.size(); }

    static QByteArray utf16(const QString& aText);
    // Writes aBytes to aPath, replacing the file.
    static bool writeFile(const QString& aPath, const QByteArray& aBytes);
    static QByteArray readFile(const QString& aPath);

private:
    QByteArray mBytes;
};
