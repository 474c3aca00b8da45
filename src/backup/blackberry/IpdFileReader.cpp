#include "backup/blackberry/IpdFileReader.h"

#include "app/DebugLog.h"
#include "backup/blackberry/BackupDatabaseRegistry.h"

#include <QFile>

#include <cstdio>

namespace {

// Bounded reads over the file's bytes; a read that does not fit leaves the position at the end.
class ByteCursor
{
public:
    explicit ByteCursor(QByteArrayView aBytes) : mBytes(aBytes) {}

    qint64 pos() const { return mPos; }
    qint64 size() const { return mBytes.size(); }
    bool atEnd() const { return mPos >= size(); }
    void seek(qint64 aPos) { mPos = qBound<qint64>(0, aPos, size()); }

    bool take(qint64 aCount, QByteArrayView& aOut)
    {
        if (aCount < 0 || size() - mPos < aCount) {
            mPos = size();
            return false;
        }
        aOut = mBytes.sliced(mPos, aCount);
        mPos += aCount;
        return true;
    }
    bool byte(int& aValue)
    {
        QByteArrayView b;
        if (!take(1, b))
            return false;
        aValue = quint8(b[0]);
        return true;
    }
    bool le16(int& aValue) { return number(2, false, aValue); }
    bool be16(int& aValue) { return number(2, true, aValue); }
    bool le32(quint32& aValue)
    {
        QByteArrayView b;
        if (!take(4, b))
            return false;
        aValue = quint32(quint8(b[0])) | quint32(quint8(b[1])) << 8 | quint32(quint8(b[2])) << 16
                 | quint32(quint8(b[3])) << 24;
        return true;
    }

private:
    bool number(int aBytes, bool aBigEndian, int& aValue)
    {
        QByteArrayView b;
        if (!take(aBytes, b))
            return false;
        aValue = 0;
        for (int i = 0; i < aBytes; ++i) {
            const int shift = 8 * (aBigEndian ? aBytes - 1 - i : i);
            aValue |= int(quint8(b[i])) << shift;
        }
        return true;
    }

    QByteArrayView mBytes;
    qint64 mPos = 0;
};

constexpr int kSpecialDatabaseId = 0xFFFF;
// Database id, record length, version, handle and unique id.
constexpr qint64 kRecordIdAndLengthSize = 6;
constexpr quint32 kRecordHeaderSize = 7;

} // namespace

bool IpdFileReader::readFile(const QString& aPath)
{
    LogScope scope("BlackBerryReader::readFile");
    logValue("fileName", aPath);
    QFile file(aPath);
    if (!file.open(QIODevice::ReadOnly)) {
        logMessage("Could not open file");
        return false;
    }
    const qint64 size = file.size();
    if (size == 0)
        return true;
    // Mapped, not read: a large backup needs no second copy of its bytes in memory.
    if (uchar* mapped = file.map(0, size)) {
        read(QByteArrayView(reinterpret_cast<const char*>(mapped), size));
        file.unmap(mapped);
    } else {
        read(file.readAll());
    }
    return true;
}

void IpdFileReader::read(QByteArrayView aBytes)
{
    ByteCursor cursor(aBytes);

    // Header line (not checked), version, database count (big-endian), separator.
    const qsizetype lineFeed = aBytes.indexOf('\n');
    cursor.seek(lineFeed < 0 ? aBytes.size() : lineFeed + 1);
    int version = 0;
    int count = 0;
    int separator = -1;
    if (cursor.byte(version) && cursor.be16(count)) {
        logValue("numberOfDatabases", count);
        cursor.byte(separator);
    }
    if (separator == 0) {
        for (int i = 0; i < count; ++i) {
            int length = 0;
            int ignored = 0;
            QByteArrayView name;
            if (!cursor.byte(length) || !cursor.byte(ignored) || !cursor.take(length, name)) {
                std::fputs("Error\n", stdout);
                break;
            }
            const qsizetype zero = name.indexOf('\0');
            mRegistry.add(QString::fromUtf8(zero < 0 ? name : name.first(zero)));
        }
    }

    while (!cursor.atEnd()) {
        const qint64 start = cursor.pos();
        int databaseId = 0;
        if (!cursor.le16(databaseId))
            break;
        BackupDatabase* database = mRegistry.find(databaseId);
        if (!database) {
            if (databaseId != kSpecialDatabaseId)
                continue; // unknown data is passed over two bytes at a time
            logMessage("Special database ID 0xff");
            cursor.seek(cursor.pos() + 4);
            database = mRegistry.find(databaseId);
            if (!database)
                continue;
        }
        BackupRecord record;
        record.mDatabaseId = databaseId;
        quint32 length = 0;
        int handle = 0;
        if (!cursor.le32(length) || !cursor.byte(record.mVersion) || !cursor.le16(handle)
            || !cursor.le32(record.mUniqueId))
            break;
        record.mHandle = handle;

        bool good = true;
        quint64 total = kRecordHeaderSize;
        while (length > kRecordHeaderSize && total < length) {
            const qint64 fieldStart = cursor.pos();
            int fieldLength = 0;
            int type = 0;
            QByteArrayView data;
            if (!cursor.le16(fieldLength) || !cursor.byte(type) || !cursor.take(fieldLength, data)) {
                logValue("*** ERROR: Bad field - file position", fieldStart);
                good = false;
                break;
            }
            total += quint64(fieldLength) + 3;
            if (total > length) {
                // The field claims bytes beyond its record: the record is not trusted, and
                // reading goes on where the record says it ends.
                logMessage("*** Unexpected file location");
                cursor.seek(start + kRecordIdAndLengthSize + qint64(length));
                good = false;
                break;
            }
            record.mFields.append(BackupField{type, data.toByteArray()});
        }
        if (good)
            database->mRecords.append(std::move(record));
    }
}
