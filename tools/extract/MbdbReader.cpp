#include "MbdbReader.h"

#include <QCryptographicHash>
#include <QFile>

#include <limits>
#include <optional>

namespace {

constexpr quint16 kNoString = 0xFFFF;
constexpr quint16 kFileTypeMask = 0xF000;
constexpr quint16 kRegularFile = 0x8000;

// A bounds-checked big-endian cursor; every read fails once the data runs out.
class Cursor
{
public:
    explicit Cursor(const QByteArray& aData) : mData(aData) {}

    bool atEnd() const { return mPos >= mData.size(); }

    std::optional<quint64> number(int aBytes)
    {
        if (mData.size() - mPos < aBytes)
            return std::nullopt;
        quint64 value = 0;
        for (int i = 0; i < aBytes; ++i)
            value = (value << 8) | quint8(mData.at(mPos + i));
        mPos += aBytes;
        return value;
    }

    std::optional<QByteArray> string()
    {
        const auto length = number(2);
        if (!length)
            return std::nullopt;
        if (*length == kNoString)
            return QByteArray();
        if (quint64(mData.size() - mPos) < *length)
            return std::nullopt;
        QByteArray value = mData.mid(mPos, qsizetype(*length));
        mPos += qsizetype(*length);
        return value;
    }

private:
    const QByteArray& mData;
    qsizetype mPos = 0;
};

// One record, or nothing when the data ends inside it.
std::optional<BackupEntry> readRecord(Cursor& aCursor)
{
    const auto domain = aCursor.string();
    const auto path = aCursor.string();
    if (!domain || !path)
        return std::nullopt;
    for (int i = 0; i < 2; ++i) // link target, data hash
        if (!aCursor.string())
            return std::nullopt;
    const auto encryptionKey = aCursor.string();
    const auto mode = aCursor.number(2);
    // inode, uid, gid, mtime, atime, ctime
    for (int bytes : {8, 4, 4, 4, 4, 4})
        if (!aCursor.number(bytes))
            return std::nullopt;
    const auto size = aCursor.number(8);
    const auto protectionClass = aCursor.number(1);
    const auto propertyCount = aCursor.number(1);
    if (!encryptionKey || !mode || !size || !protectionClass || !propertyCount)
        return std::nullopt;
    for (quint64 i = 0; i < *propertyCount * 2; ++i)
        if (!aCursor.string())
            return std::nullopt;

    BackupEntry entry;
    entry.mDomain = QString::fromUtf8(*domain);
    entry.mRelativePath = QString::fromUtf8(*path);
    entry.mFileId = QString::fromLatin1(
        QCryptographicHash::hash(*domain + '-' + *path, QCryptographicHash::Sha1).toHex());
    entry.mRegularFile = (*mode & kFileTypeMask) == kRegularFile;
    entry.mEncryptionKey = *encryptionKey;
    entry.mProtectionClass = qint64(*protectionClass);
    entry.mSize = *size > quint64(std::numeric_limits<qint64>::max()) ? -1 : qint64(*size);
    return entry;
}

} // namespace

BackupIndex MbdbReader::read(const QString& aManifestPath)
{
    QFile file(aManifestPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return parse(file.readAll());
}

BackupIndex MbdbReader::parse(const QByteArray& aData)
{
    BackupIndex index;
    if (!aData.startsWith(QByteArray("mbdb\x05\x00", 6)))
        return index;
    index.mReadable = true;
    const QByteArray body = aData.mid(6);
    Cursor cursor(body);
    while (!cursor.atEnd()) {
        const auto entry = readRecord(cursor);
        if (!entry) {
            index.mTruncated = true;
            break;
        }
        index.mEntries.append(*entry);
    }
    return index;
}
