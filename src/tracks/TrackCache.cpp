#include "tracks/TrackCache.h"

#include "app/AppPaths.h"
#include "app/DebugLog.h"
#include "settings/SyncSettings.h"
#include "tracks/Track.h"
#include "tracks/TrackList.h"
#include "tracks/TrackRecordEncoder.h"

#include <QDir>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <limits>

using namespace TrackCacheFormat;
using namespace TrackCacheResult;

namespace {

constexpr QIODevice::OpenMode kUnbuffered = QIODevice::Unbuffered;
// For the capacity hint of a track list filled from the cache.
constexpr qint64 kTypicalRecordSize = 256;
constexpr qint64 kMaxReserve = 1000000;

qint32 finish(qint32 aResult)
{
    logReturn(aResult);
    return aResult;
}

} // namespace

TrackCache::TrackCache() : mReader(mCacheWindow)
{
}

TrackCache::~TrackCache()
{
    close();
}

void TrackCache::resetState()
{
    mCacheEnd = -1;
    mIdsEnd = -1;
    mTotalSizeOfUploadedFiles = 0;
    mTotalSizeItemOffset = 0;
    mIntegrityItemOffset = 0;
    mReader.setOffset(0);
}

QString TrackCache::cacheFilePath() const
{
    return mCacheFile ? mCacheFile->fileName() : QString();
}

QString TrackCache::persistentIdsFilePath(const QString& aCacheFilePath)
{
    return aCacheFilePath + QLatin1Char('p');
}

QString TrackCache::resolveCacheFilePath(const QString& aCacheFileName)
{
    // Only names this program makes: a settings file that names "corvo.xml" or another file
    // would have cache bytes written into it, or have it deleted by a full sync.
    if (!SyncSettings::isGeneratedCacheFileName(aCacheFileName)) {
        logValue("Cache file name is not one this program makes; refused", aCacheFileName);
        return QString();
    }
    const QString corvo = QDir::cleanPath(QFileInfo(AppPaths::corvoFolder()).absoluteFilePath());
    if (QDir::isAbsolutePath(aCacheFileName)) {
        const QString cleaned = QDir::cleanPath(aCacheFileName);
        if (cleaned.startsWith(corvo + QLatin1Char('/')))
            return cleaned;
    }
    // A settings file made on Windows or under another home names a path that does not exist
    // here; the file written for it stays in the CORVO folder under its own name.
    QString name = aCacheFileName;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    name = name.section(QLatin1Char('/'), -1);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return QString();
    logValue("Cache file kept in the CORVO folder as", name);
    return corvo + QLatin1Char('/') + name;
}

qint32 TrackCache::open(const SettingsSnapshot& aSettings, const QString& aUniqueDeviceId)
{
    LogScope scope("TrackCache::open");
    close();
    resetState();
    if (aSettings.state() == SettingsSnapshot::State::Missing) {
        logMessage("Can't load settings settings");
        return finish(SyncSettings::kCantOpen);
    }
    const PhoneSettings phone = aSettings.phone(aUniqueDeviceId);
    if (!phone.isKnown()) {
        logMessage("Can't get cache file name");
        return finish(kNoSettingsForPhone);
    }
    const QString cacheFileName = phone.cacheFileName();
    logValue("cacheFileName", cacheFileName);
    const QString path = resolveCacheFilePath(cacheFileName);
    if (path.isEmpty()) {
        logMessage("Can't open cache file");
        return finish(kOpenFailed);
    }
    return finish(openFiles(std::make_unique<QFile>(path),
                            std::make_unique<QFile>(persistentIdsFilePath(path))));
}

qint32 TrackCache::openFile(const QString& aCacheFilePath)
{
    LogScope scope("TrackCache::openFile");
    logValue("cacheFileName", aCacheFilePath);
    return finish(openFiles(std::make_unique<QFile>(aCacheFilePath),
                            std::make_unique<QFile>(persistentIdsFilePath(aCacheFilePath))));
}

qint32 TrackCache::openFiles(std::unique_ptr<QFile> aCacheFile, std::unique_ptr<QFile> aIdsFile)
{
    LogScope scope("TrackCache::openFiles");
    close();
    resetState();
    QDir().mkpath(QFileInfo(aCacheFile->fileName()).absolutePath());
    // Unbuffered: every record goes out in one write whose failure is seen at once, and reads
    // go through the read windows.
    bool opened = false;
    if (aCacheFile->exists()) {
        logMessage("Cache file exists");
        opened = aCacheFile->open(QIODevice::ReadWrite | kUnbuffered);
    } else {
        logMessage("Cache file does not exist");
        opened = aCacheFile->open(QIODevice::ReadWrite | QIODevice::Truncate | kUnbuffered);
    }
    if (!opened) {
        logMessage("Can't open cache file");
        return finish(kOpenFailed);
    }
    logMessage("Opening persistent IDs file");
    if (!aIdsFile->open(QIODevice::ReadWrite | QIODevice::Append | kUnbuffered)) {
        logMessage("Can't open persistent IDs file");
        aCacheFile->close();
        return finish(kOpenFailed);
    }
    mCacheFile = std::move(aCacheFile);
    mIdsFile = std::move(aIdsFile);
    mCacheWindow.attach(mCacheFile.get());
    mIdsWindow.attach(mIdsFile.get());
    if (mCacheFile->size() == 0) {
        logMessage("New cache file");
        const qint32 written = writeHeader();
        return finish(written == kSuccess ? kNewCacheFile : written);
    }
    return finish(kSuccess);
}

qint32 TrackCache::close()
{
    if (!mCacheFile && !mIdsFile)
        return kSuccess;
    LogScope scope("TrackCache::close");
    mCacheWindow.detach();
    mIdsWindow.detach();
    for (QFile* file : {mCacheFile.get(), mIdsFile.get()}) {
        if (file) {
            file->flush();
            file->close();
        }
    }
    mCacheFile.reset();
    mIdsFile.reset();
    return finish(kSuccess);
}

qint32 TrackCache::readHeader()
{
    LogScope scope("TrackCache::readHeader");
    if (!isOpen())
        return finish(kOpenFailed);
    TrackCacheHeader header;
    const qint32 result = mReader.readHeader(header);
    const bool usable = result == kSuccess || result == kEndOfFile;
    mTotalSizeOfUploadedFiles = header.mTotalSize;
    // Nothing is written into a file whose header could not be read.
    mTotalSizeItemOffset = usable ? header.mTotalSizeItemOffset : 0;
    mIntegrityItemOffset = usable ? header.mIntegrityItemOffset : 0;
    return finish(result);
}

qint32 TrackCache::readTrack(Track& aTrack)
{
    LogScope scope("TrackCache::readTrack");
    if (!isOpen())
        return finish(kOpenFailed);
    TrackRecord record;
    const qint32 result = mReader.readRecord(record);
    if (result != kSuccess)
        return finish(result);
    QString deviceId;
    const qint32 idResult = TrackRecordReader::readUtf16(mIdsWindow, record.mDeviceIdOffset,
                                                         record.mDeviceIdLength, deviceId);
    if (idResult != kSuccess) {
        logValue("Can't read persistent ID at", record.mDeviceIdOffset);
        logValue("length", qint64(record.mDeviceIdLength));
        return finish(idResult);
    }
    // The file keeps "\" between the parts of a path on the phone; the program uses "/".
    deviceId.replace(u'\\', u'/');
    // A position that does not fit is left unknown, so that no in-place update can hit the
    // wrong bytes.
    const qint32 flagsPosition = record.mFlagsPosition <= std::numeric_limits<qint32>::max()
                                     ? qint32(record.mFlagsPosition)
                                     : 0;
    aTrack.set(record.mTrackName, record.mAlbumName, record.mArtistName, record.mTrackNumber,
               record.mPath, false, (record.mFlags & kFlagOnDevice) != 0, true, deviceId,
               flagsPosition, record.mSizeOnDevice);
    aTrack.setDeviceIdFilePosition(record.mDeviceIdPosition);
    aTrack.setConverted((record.mFlags & kFlagConverted) != 0);
    return finish(kSuccess);
}

qint32 TrackCache::readAndAddTrack(TrackList& aTrackList)
{
    LogScope scope("TrackCache::readAndAddTrack");
    Track track;
    const qint32 result = readTrack(track);
    if (result == kSuccess) {
        logMessage("Added cached track to track list.");
        aTrackList.addTrack(track);
    }
    return finish(result);
}

qint32 TrackCache::updateTrackList(TrackList& aTrackList, qint32 aMaxCount)
{
    LogScope scope("TrackCache::updateTrackList");
    qint32 result = readHeader();
    if (result == kSuccess) {
        // A capacity hint only: a record of a real library takes a few hundred bytes.
        const qint64 expected = std::min<qint64>(
            (mCacheWindow.fileSize() - mReader.offset()) / kTypicalRecordSize, kMaxReserve);
        aTrackList.reserve(qint32(aMaxCount >= 0 ? std::min<qint64>(expected, aMaxCount)
                                                 : expected));
    }
    qint32 count = 0;
    while (result == kSuccess && (aMaxCount == -1 || count < aMaxCount)) {
        result = readAndAddTrack(aTrackList);
        if (result == kSuccess)
            ++count;
    }
    logValue("tracksRead", count);
    if (aMaxCount != -1)
        aTrackList.setTotalSizeOnDevice(mTotalSizeOfUploadedFiles);
    return finish(result == kEndOfFile ? kSuccess : result);
}

qint32 TrackCache::readAt(qint64 aOffset, qint64 aCount, QByteArray& aBytes)
{
    if (aOffset <= 0 || aCount > mCacheFile->size() - aOffset)
        return kBadContent;
    if (!mCacheFile->seek(aOffset))
        return kWriteFailed;
    aBytes = mCacheFile->read(aCount);
    if (aBytes.size() != aCount)
        return kReadFailed;
    return kSuccess;
}

qint32 TrackCache::readFlagsAt(qint64 aFlagsPosition, qint32& aFlags)
{
    QByteArray bytes;
    const qint32 result = readAt(aFlagsPosition, kInt32TaggedSize, bytes);
    if (result != kSuccess)
        return result;
    const char* data = bytes.constData();
    if (qFromLittleEndian<qint32>(data) != kTagFlags || qFromLittleEndian<qint32>(data + 4) != 4) {
        logValue("No flags item at cache file pos", aFlagsPosition);
        return kBadContent;
    }
    aFlags = qFromLittleEndian<qint32>(data + 8);
    return kSuccess;
}

qint32 TrackCache::checkDeviceIdReferenceAt(qint64 aPosition)
{
    // The in-place rewrite covers tag 9 and tag 10 together; they must stand as written.
    QByteArray bytes;
    const qint32 result = readAt(aPosition, kInt64TaggedSize + kInt32TaggedSize, bytes);
    if (result != kSuccess)
        return result;
    const char* data = bytes.constData();
    if (qFromLittleEndian<qint32>(data) != kTagDeviceIdOffset
        || qFromLittleEndian<qint32>(data + 4) != 8
        || qFromLittleEndian<qint32>(data + 16) != kTagDeviceIdLength
        || qFromLittleEndian<qint32>(data + 20) != 4) {
        logValue("No device id reference at cache file pos", aPosition);
        return kBadContent;
    }
    return kSuccess;
}

qint64 TrackCache::cacheFileEnd()
{
    if (mCacheEnd < 0)
        mCacheEnd = mCacheFile->size();
    return mCacheEnd;
}

qint64 TrackCache::idsFileEnd()
{
    if (mIdsEnd < 0)
        mIdsEnd = mIdsFile->size();
    return mIdsEnd;
}

qint32 TrackCache::writeAt(qint64 aOffset, const QByteArray& aBytes)
{
    if (!mCacheFile->seek(aOffset)) {
        logValue("Can't seek cache file to", aOffset);
        mCacheWindow.invalidate();
        mCacheEnd = -1;
        return kWriteFailed;
    }
    if (mCacheFile->write(aBytes) != aBytes.size()) {
        logValue("Can't write cache file at", aOffset);
        logValue("error", mCacheFile->errorString());
        mCacheWindow.invalidate();
        mCacheEnd = -1;
        return kWriteFailed;
    }
    mCacheWindow.noteWritten(aOffset, aBytes);
    if (mCacheEnd >= 0)
        mCacheEnd = std::max(mCacheEnd, aOffset + aBytes.size());
    return kSuccess;
}

qint32 TrackCache::appendRecord(const QByteArray& aBytes, qint64& aNewSize)
{
    const qint64 oldSize = cacheFileEnd();
    aNewSize = oldSize + aBytes.size();
    const qint32 result = writeAt(oldSize, aBytes);
    if (result != kSuccess) {
        // A partial record would hide every record appended after it; take it back.
        if (!mCacheFile->resize(oldSize))
            logMessage("Can't cut the partial record off the cache file");
        mCacheWindow.invalidate();
        mCacheEnd = -1;
    }
    return result;
}

qint32 TrackCache::appendDeviceId(const QByteArray& aBytes, qint64& aOffset)
{
    aOffset = idsFileEnd();
    if (aBytes.isEmpty())
        return kSuccess;
    if (mIdsFile->write(aBytes) != aBytes.size()) {
        logValue("Can't write persistent IDs file", mIdsFile->errorString());
        if (!mIdsFile->resize(aOffset))
            logMessage("Can't cut the partial ID off the persistent IDs file");
        mIdsWindow.invalidate();
        mIdsEnd = -1;
        return kWriteFailed;
    }
    mIdsWindow.noteWritten(aOffset, aBytes);
    mIdsEnd = aOffset + aBytes.size();
    return kSuccess;
}

qint32 TrackCache::addTrack(const Track& aTrack)
{
    LogScope scope("TrackCache::addTrack");
    if (!isOpen())
        return finish(kOpenFailed);
    if (mIntegrityItemOffset == 0 || mTotalSizeItemOffset == 0) {
        // Nothing is written: the header values could not be kept up to date.
        logMessage("Cache header not known");
        return finish(kBadContent);
    }
    // Nothing is written that the reader would refuse.
    for (const QString* text : {&aTrack.trackName(), &aTrack.albumName(), &aTrack.artistName(),
                                &aTrack.path(), &aTrack.deviceId()}) {
        if (text->size() * 2 > kMaxStringBytes) {
            logMessage("Track text too long for the cache");
            return finish(kBadContent);
        }
    }
    // An existing record is checked before anything is written, so that a bad position
    // leaves both files as they were.
    qint32 oldFlags = 0;
    if (aTrack.inCache()) {
        qint32 result = readFlagsAt(aTrack.flagsFilePosition(), oldFlags);
        if (result == kSuccess)
            result = checkDeviceIdReferenceAt(aTrack.deviceIdFilePosition());
        if (result != kSuccess)
            return finish(result);
    }

    const QByteArray deviceId =
        TrackRecordEncoder::utf16(QString(aTrack.deviceId()).replace(u'/', u'\\'));
    qint64 idOffset = 0;
    qint32 result = appendDeviceId(deviceId, idOffset);
    if (result != kSuccess)
        return finish(result);
    const qint32 idLength = qint32(deviceId.size());

    // Known after an append; asked of the file otherwise.
    qint64 cacheSize = -1;
    if (!aTrack.inCache()) {
        qint32 flags = 0;
        if (aTrack.needsConversion())
            flags |= kFlagConverted;
        if (aTrack.onRemoteDevice())
            flags |= kFlagOnDevice;
        result = appendRecord(TrackRecordEncoder::record(aTrack, idOffset, idLength, flags),
                              cacheSize);
        if (result != kSuccess) {
            // The id text would be referenced by nothing.
            mIdsFile->resize(idOffset);
            mIdsWindow.invalidate();
            mIdsEnd = -1;
            return finish(result);
        }
    } else {
        const qint64 flagsPosition = aTrack.flagsFilePosition();
        result = writeAt(flagsPosition + 4,
                         TrackRecordEncoder::int32Item(oldFlags | kFlagOnDevice));
        if (result == kSuccess)
            result = writeAt(aTrack.deviceIdFilePosition(),
                             TrackRecordEncoder::deviceIdReference(idOffset, idLength));
        if (result != kSuccess)
            return finish(result);
    }

    result = writeHeaderValues(cacheSize, aTrack.onRemoteDevice() ? aTrack.sizeOnDevice() : 0);
    if (result == kSuccess && !mCacheFile->flush())
        result = kWriteFailed;
    return finish(result);
}

qint32 TrackCache::removeDeletedTrack(const Track& aTrack)
{
    LogScope scope("TrackCache::removeDeletedTrack");
    if (!isOpen())
        return finish(kOpenFailed);
    const qint64 flagsPosition = aTrack.flagsFilePosition();
    logValue("flagsFilePosition", flagsPosition);
    if (mTotalSizeItemOffset == 0) {
        logMessage("Cache header not known");
        return finish(kBadContent);
    }
    qint32 flags = 0;
    qint32 result = readFlagsAt(flagsPosition, flags);
    if (result != kSuccess)
        return finish(result);
    flags &= ~kFlagOnDevice;
    logValue("writing flags:", qint64(flags));
    logValue("to position", flagsPosition + 4);
    result = writeAt(flagsPosition + 4, TrackRecordEncoder::int32Item(flags));
    if (result == kSuccess)
        result = decrementTotalSizeOfUploadedFiles(aTrack.sizeOnDevice());
    if (result == kSuccess && !mCacheFile->flush())
        result = kWriteFailed;
    return finish(result);
}

qint32 TrackCache::rewriteTotal(qint64 aNewTotal)
{
    if (!isOpen())
        return kOpenFailed;
    if (mTotalSizeItemOffset == 0) {
        logMessage("Total size position not known");
        return kBadContent;
    }
    const qint32 result = writeAt(mTotalSizeItemOffset, TrackRecordEncoder::int64Item(aNewTotal));
    // The object keeps what the file says.
    if (result == kSuccess)
        mTotalSizeOfUploadedFiles = aNewTotal;
    return result;
}

qint32 TrackCache::setTotalSizeOfUploadedFiles(qint64 aSize)
{
    LogScope scope("TrackCache::setTotalSizeOfUploadedFiles");
    logValue("size", aSize);
    return finish(rewriteTotal(aSize));
}

qint32 TrackCache::incrementTotalSizeOfUploadedFiles(qint64 aBytes)
{
    LogScope scope("TrackCache::incrementTotalSizeOfUploadedFiles");
    logValue("bytes", aBytes);
    return finish(rewriteTotal(mTotalSizeOfUploadedFiles + aBytes));
}

qint32 TrackCache::decrementTotalSizeOfUploadedFiles(qint64 aBytes)
{
    LogScope scope("TrackCache::decrementTotalSizeOfUploadedFiles");
    logValue("bytes", aBytes);
    return finish(rewriteTotal(std::max<qint64>(mTotalSizeOfUploadedFiles - aBytes, 0)));
}

qint32 TrackCache::writeIntegrityValue(qint64 aCacheSize)
{
    LogScope scope("TrackCache::writeIntegrityValue");
    if (!isOpen())
        return finish(kOpenFailed);
    if (mIntegrityItemOffset == 0) {
        logMessage("Integrity value position not known");
        return finish(kBadContent);
    }
    const qint64 size = aCacheSize >= 0 ? aCacheSize : cacheFileEnd();
    logValue("integrityValue", size);
    return finish(writeAt(mIntegrityItemOffset, TrackRecordEncoder::int32Item(qint32(size))));
}

qint32 TrackCache::writeHeaderValues(qint64 aCacheSize, qint64 aAddedBytes)
{
    // The total size item (length and value), the integrity item's tag and the integrity item
    // follow each other in every file this program writes: one write then keeps both values,
    // instead of a seek and a write for each, for every track copied.
    constexpr qint64 kTotalItemSize = 4 + 8;
    if (aAddedBytes == 0 || mIntegrityItemOffset != mTotalSizeItemOffset + kTotalItemSize + 4
        || mTotalSizeItemOffset == 0) {
        qint32 result = writeIntegrityValue(aCacheSize);
        if (result == kSuccess && aAddedBytes != 0)
            result = incrementTotalSizeOfUploadedFiles(aAddedBytes);
        return result;
    }
    const qint64 size = aCacheSize >= 0 ? aCacheSize : cacheFileEnd();
    logValue("integrityValue", size);
    logValue("bytes added to the total", aAddedBytes);
    QByteArray bytes;
    bytes.reserve(kTotalItemSize + 12);
    TrackRecordEncoder::appendInt32(bytes, 8);
    TrackRecordEncoder::appendInt64(bytes, mTotalSizeOfUploadedFiles + aAddedBytes);
    TrackRecordEncoder::appendInt32(bytes, kTagIntegrity);
    TrackRecordEncoder::appendInt32(bytes, 4);
    TrackRecordEncoder::appendInt32(bytes, qint32(size));
    const qint32 result = writeAt(mTotalSizeItemOffset, bytes);
    if (result == kSuccess)
        mTotalSizeOfUploadedFiles += aAddedBytes;
    return result;
}

qint32 TrackCache::writeHeader()
{
    LogScope scope("TrackCache::writeHeader");
    if (!isOpen())
        return finish(kOpenFailed);
    const bool wasEmpty = mCacheFile->size() == 0;
    qint32 result = writeAt(0, TrackRecordEncoder::header(0, 0));
    if (result == kSuccess) {
        mTotalSizeOfUploadedFiles = 0;
        mTotalSizeItemOffset = kTotalSizeItemOffset;
        mIntegrityItemOffset = kIntegrityItemOffset;
        result = writeIntegrityValue();
    }
    if (result == kSuccess && !mCacheFile->flush())
        result = kWriteFailed;
    if (result != kSuccess && wasEmpty) {
        // Leave an empty file rather than half a header: the next open starts it afresh.
        mCacheFile->resize(0);
        mCacheEnd = -1;
        mCacheWindow.invalidate();
        mTotalSizeItemOffset = 0;
        mIntegrityItemOffset = 0;
    }
    return finish(result);
}

qint32 TrackCache::clear()
{
    LogScope scope("TrackCache::clear");
    if (!isOpen())
        return finish(kOpenFailed);
    mCacheWindow.invalidate();
    resetState();
    if (!mCacheFile->resize(0)) {
        logValue("Can't truncate cache file", mCacheFile->errorString());
        return finish(kWriteFailed);
    }
    return finish(writeHeader());
}
