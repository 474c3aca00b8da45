#include "library/folder/FolderScanIndex.h"

#include "app/AppPaths.h"
#include "app/DebugLog.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QtEndian>

#include <cstdio>
#include <unistd.h>
#include <zlib.h>

namespace {

constexpr char kMagic[8] = {'P', 'L', 'M', 'F', 'I', 'D', 'X', '1'};
constexpr quint32 kVersion = 1;
constexpr qsizetype kHeaderSize = 8 + 4 + 4 + 8;
// An index of a million files is some 200 MB; anything larger is not ours.
constexpr qint64 kMaxFileSize = 512LL * 1024 * 1024;

quint32 crcOf(const char* aData, qsizetype aSize)
{
    uLong crc = crc32(0L, Z_NULL, 0);
    while (aSize > 0) {
        const uInt chunk = uInt(qMin<qsizetype>(aSize, 1 << 30));
        crc = crc32(crc, reinterpret_cast<const Bytef*>(aData), chunk);
        aData += chunk;
        aSize -= chunk;
    }
    return quint32(crc);
}

class Writer
{
public:
    template <class T> void put(T aValue)
    {
        char bytes[sizeof(T)];
        qToLittleEndian(aValue, bytes);
        mData.append(bytes, sizeof(T));
    }
    void put(const QString& aText)
    {
        const QByteArray utf8 = aText.toUtf8();
        put(quint32(utf8.size()));
        mData.append(utf8);
    }
    QByteArray mData;
};

// Every read checks the bytes that remain; a short or lying file only sets mFailed.
class Reader
{
public:
    Reader(const char* aData, qsizetype aSize) : mData(aData), mEnd(aData + aSize) {}
    template <class T> T get()
    {
        if (mFailed || mEnd - mData < qsizetype(sizeof(T))) {
            mFailed = true;
            return T();
        }
        const T value = qFromLittleEndian<T>(mData);
        mData += sizeof(T);
        return value;
    }
    QString text()
    {
        const quint32 length = get<quint32>();
        if (mFailed || mEnd - mData < qsizetype(length)) {
            mFailed = true;
            return QString();
        }
        const QString value = QString::fromUtf8(mData, qsizetype(length));
        mData += length;
        return value;
    }
    qsizetype remaining() const { return mEnd - mData; }
    bool mFailed = false;

private:
    const char* mData;
    const char* mEnd;
};

// The string fields of a record, in the order the file holds them.
constexpr QString FolderTrackRecord::*kStrings[] = {
    &FolderTrackRecord::mRelativePath, &FolderTrackRecord::mTitle, &FolderTrackRecord::mArtist,
    &FolderTrackRecord::mAlbumArtist,  &FolderTrackRecord::mAlbum, &FolderTrackRecord::mComposer,
    &FolderTrackRecord::mGenre};

} // namespace

FolderScanIndex::FolderScanIndex(const QString& aRoot)
    : mRoot(aRoot)
    , mPath(indexPathFor(aRoot))
{
}

QString FolderScanIndex::indexPathFor(const QString& aRoot)
{
    const QByteArray digest =
        QCryptographicHash::hash(QDir::cleanPath(aRoot).toUtf8(), QCryptographicHash::Sha256);
    return AppPaths::corvoFolder() + QStringLiteral("/folder-index-")
           + QString::fromLatin1(digest.left(8).toHex()) + QStringLiteral(".dat");
}

const FolderTrackRecord* FolderScanIndex::find(const QString& aRelativePath) const
{
    const auto found = mByPath.constFind(aRelativePath);
    return found == mByPath.cend() ? nullptr : &mRecords[size_t(*found)];
}

bool FolderScanIndex::load()
{
    LogScope scope("FolderScanIndex::load");
    mRecords.clear();
    mByPath.clear();
    QFile file(mPath);
    if (!file.exists())
        return false;
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileSize || file.size() < kHeaderSize) {
        logValue("Scan index unusable, the folder is read afresh", mPath);
        return false;
    }
    const QByteArray bytes = file.readAll();
    const char* data = bytes.constData();
    const quint32 version = qFromLittleEndian<quint32>(data + 8);
    const quint32 crc = qFromLittleEndian<quint32>(data + 12);
    const quint64 length = qFromLittleEndian<quint64>(data + 16);
    if (memcmp(data, kMagic, 8) != 0 || version != kVersion
        || length != quint64(bytes.size() - kHeaderSize)
        || crc != crcOf(data + kHeaderSize, bytes.size() - kHeaderSize)) {
        logValue("Scan index damaged or of another version, the folder is read afresh", mPath);
        return false;
    }
    Reader reader(data + kHeaderSize, bytes.size() - kHeaderSize);
    if (reader.text() != mRoot) {
        logValue("Scan index is of another folder, the folder is read afresh", mPath);
        return false;
    }
    const quint32 stringCount = reader.get<quint32>();
    // Each string takes at least its 4-byte length.
    if (reader.mFailed || stringCount > quint64(reader.remaining()) / 4)
        return false;
    QList<QString> strings;
    strings.reserve(stringCount);
    for (quint32 i = 0; i < stringCount && !reader.mFailed; ++i)
        strings.append(reader.text());
    const quint32 recordCount = reader.get<quint32>();
    if (reader.mFailed || recordCount > quint64(reader.remaining()) / 68)
        return false;
    std::vector<FolderTrackRecord> records(recordCount);
    for (FolderTrackRecord& record : records) {
        for (QString FolderTrackRecord::*field : kStrings) {
            const quint32 number = reader.get<quint32>();
            if (number >= quint32(strings.size()))
                reader.mFailed = true;
            else
                record.*field = strings[number];
        }
        record.mSize = reader.get<qint64>();
        record.mModifiedNs = reader.get<qint64>();
        record.mFlags = reader.get<quint8>();
        record.mBaseId = reader.get<quint64>();
        record.mTrackNumber = reader.get<qint32>();
        record.mDiscNumber = reader.get<qint32>();
        record.mYear = reader.get<qint32>();
        record.mDurationMs = reader.get<qint32>();
        record.mCompilation = reader.get<quint8>() != 0;
        if (reader.mFailed)
            break;
    }
    if (reader.mFailed || reader.remaining() != 0) {
        logValue("Scan index damaged, the folder is read afresh", mPath);
        return false;
    }
    mRecords = std::move(records);
    mByPath.reserve(qsizetype(mRecords.size()));
    for (size_t i = 0; i < mRecords.size(); ++i)
        mByPath.insert(mRecords[i].mRelativePath, qsizetype(i));
    logValue("records", qint64(mRecords.size()));
    return true;
}

bool FolderScanIndex::save(const std::vector<FolderTrackRecord>& aRecords) const
{
    LogScope scope("FolderScanIndex::save");
    QHash<QString, quint32> numbers;
    QList<const QString*> strings;
    const auto numberOf = [&](const QString& aText) {
        const auto found = numbers.constFind(aText);
        if (found != numbers.cend())
            return *found;
        const quint32 number = quint32(strings.size());
        numbers.insert(aText, number);
        strings.append(&aText);
        return number;
    };
    Writer body;
    body.put(quint32(aRecords.size()));
    for (const FolderTrackRecord& record : aRecords) {
        for (QString FolderTrackRecord::*field : kStrings)
            body.put(numberOf(record.*field));
        body.put(record.mSize);
        body.put(record.mModifiedNs);
        body.put(record.mFlags);
        body.put(record.mBaseId);
        body.put(record.mTrackNumber);
        body.put(record.mDiscNumber);
        body.put(record.mYear);
        body.put(record.mDurationMs);
        body.put(quint8(record.mCompilation ? 1 : 0));
    }
    Writer payload;
    payload.put(mRoot);
    payload.put(quint32(strings.size()));
    for (const QString* text : strings)
        payload.put(*text);
    payload.mData.append(body.mData);

    Writer header;
    header.mData.append(kMagic, 8);
    header.put(kVersion);
    header.put(crcOf(payload.mData.constData(), payload.mData.size()));
    header.put(quint64(payload.mData.size()));

    QDir().mkpath(QFileInfo(mPath).absolutePath());
    // Written beside and renamed over the old one, so a reader never sees half a file. Not
    // synced to disk: a file cut short by a crash fails its check and is rebuilt, as the index
    // only saves time.
    const QString temporary = QStringLiteral("%1.new-%2-%3").arg(mPath).arg(::getpid()).arg(quintptr(QThread::currentThreadId()));
    QFile file(temporary);
    const bool written = file.open(QIODevice::WriteOnly | QIODevice::Truncate)
                         && file.write(header.mData) == header.mData.size()
                         && file.write(payload.mData) == payload.mData.size() && file.flush();
    file.close();
    if (!written || std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(mPath).constData()) != 0) {
        QFile::remove(temporary);
        logValue("Scan index cannot be written", mPath);
        return false;
    }
    return true;
}
