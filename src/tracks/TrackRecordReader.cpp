#include "tracks/TrackRecordReader.h"

#include "app/DebugLog.h"
#include "tracks/TrackCacheFormat.h"
#include "tracks/TrackFileWindow.h"

#include <QtEndian>

#include <cstring>

using namespace TrackCacheFormat;
using namespace TrackCacheResult;

namespace {

QString fromUtf16Le(const char* aData, qint64 aByteCount)
{
    QString text(aByteCount / 2, Qt::Uninitialized);
    std::memcpy(text.data(), aData, size_t(aByteCount));
    if constexpr (Q_BYTE_ORDER == Q_BIG_ENDIAN) {
        for (QChar& c : text)
            c = QChar(qFromLittleEndian(c.unicode()));
    }
    return text;
}

qint32 fetchError(TrackFileWindow::Fetch aFetch)
{
    return aFetch == TrackFileWindow::Fetch::ReadError ? kReadFailed : kBadContent;
}

} // namespace

TrackRecordReader::TrackRecordReader(TrackFileWindow& aWindow) : mWindow(aWindow)
{
}

qint32 TrackRecordReader::badContent(const char* aWhat)
{
    logValue(aWhat, mOffset);
    return kBadContent;
}

TrackRecordReader::Next TrackRecordReader::readInt32(qint32& aValue)
{
    const char* data = nullptr;
    switch (mWindow.fetch(mOffset, 4, data)) {
    case TrackFileWindow::Fetch::Ok:
        aValue = qFromLittleEndian<qint32>(data);
        mOffset += 4;
        return Next::Item;
    case TrackFileWindow::Fetch::EndOfFile:
        return Next::End;
    case TrackFileWindow::Fetch::Short:
        return Next::Truncated;
    case TrackFileWindow::Fetch::ReadError:
        break;
    }
    return Next::Failed;
}

qint32 TrackRecordReader::readInt32Item(qint32& aValue)
{
    qint32 length = 0;
    Next next = readInt32(length);
    if (next == Next::Failed)
        return kReadFailed;
    if (next != Next::Item || length != 4)
        return badContent("Bad int32 item at cache file pos");
    next = readInt32(aValue);
    if (next == Next::Failed)
        return kReadFailed;
    if (next != Next::Item)
        return badContent("Truncated int32 item at cache file pos");
    return kSuccess;
}

qint32 TrackRecordReader::readInt64Item(qint64& aValue)
{
    qint32 length = 0;
    const Next next = readInt32(length);
    if (next == Next::Failed)
        return kReadFailed;
    if (next != Next::Item || length != 8)
        return badContent("Bad int64 item at cache file pos");
    const char* data = nullptr;
    const TrackFileWindow::Fetch fetched = mWindow.fetch(mOffset, 8, data);
    if (fetched != TrackFileWindow::Fetch::Ok) {
        if (fetched != TrackFileWindow::Fetch::ReadError)
            badContent("Truncated int64 item at cache file pos");
        return fetchError(fetched);
    }
    aValue = qFromLittleEndian<qint64>(data);
    mOffset += 8;
    return kSuccess;
}

qint32 TrackRecordReader::readStringItem(QString& aText)
{
    qint32 length = 0;
    const Next next = readInt32(length);
    if (next == Next::Failed)
        return kReadFailed;
    if (next != Next::Item || length < 0 || length % 2 != 0 || length > kMaxStringBytes)
        return badContent("Bad string item at cache file pos");
    const char* data = nullptr;
    // The window refuses a length beyond the end of the file before allocating anything.
    const TrackFileWindow::Fetch fetched = mWindow.fetch(mOffset, length, data);
    if (fetched != TrackFileWindow::Fetch::Ok) {
        if (fetched != TrackFileWindow::Fetch::ReadError)
            badContent("Short string at cache file pos");
        return fetchError(fetched);
    }
    aText = fromUtf16Le(data, length);
    mOffset += length;
    return kSuccess;
}

qint32 TrackRecordReader::readUtf16(TrackFileWindow& aWindow, qint64 aOffset, qint64 aLength,
                                    QString& aText)
{
    aText.clear();
    if (aOffset < 0 || aLength < 0 || aLength % 2 != 0 || aLength > kMaxStringBytes)
        return kBadContent;
    if (aLength == 0)
        return kSuccess;
    const char* data = nullptr;
    const TrackFileWindow::Fetch fetched = aWindow.fetch(aOffset, aLength, data);
    if (fetched != TrackFileWindow::Fetch::Ok)
        return fetchError(fetched);
    aText = fromUtf16Le(data, aLength);
    return kSuccess;
}

qint32 TrackRecordReader::readHeader(TrackCacheHeader& aHeader)
{
    aHeader = TrackCacheHeader();
    mOffset = 0;
    qint32 magic = 0;
    switch (readInt32(magic)) {
    case Next::Item:
        break;
    case Next::End:
        return kEndOfFile;
    case Next::Truncated:
        return badContent("Truncated magic at cache file pos");
    case Next::Failed:
        return kReadFailed;
    }
    if (magic != kMagic) {
        logValue("Wrong cache file magic", qint64(magic));
        return kBadContent;
    }
    bool seenVersion = false;
    bool seenTotal = false;
    bool seenIntegrity = false;
    for (;;) {
        qint32 tag = 0;
        const Next next = readInt32(tag);
        if (next == Next::End)
            return seenVersion && seenTotal && seenIntegrity ? kSuccess : kEndOfFile;
        if (next == Next::Truncated)
            return badContent("Truncated header at cache file pos");
        if (next == Next::Failed)
            return kReadFailed;
        qint32 result = kSuccess;
        switch (tag) {
        case kTagVersion:
            result = readInt32Item(aHeader.mVersion);
            seenVersion = true;
            break;
        case kTagTotalSize:
            aHeader.mTotalSizeItemOffset = mOffset;
            result = readInt64Item(aHeader.mTotalSize);
            seenTotal = true;
            break;
        case kTagIntegrity:
            aHeader.mIntegrityItemOffset = mOffset;
            result = readInt32Item(aHeader.mIntegrityValue);
            seenIntegrity = true;
            break;
        case kTagRecordStart:
            // The first record's marker; readRecord reads it again.
            mOffset -= 4;
            return kSuccess;
        default:
            return badContent("Error at cache file pos: ");
        }
        if (result != kSuccess)
            return result;
    }
}

qint32 TrackRecordReader::readRecord(TrackRecord& aRecord)
{
    aRecord = TrackRecord();
    qint32 marker = 0;
    switch (readInt32(marker)) {
    case Next::Item:
        break;
    case Next::End:
        return kEndOfFile;
    case Next::Truncated:
        return badContent("Truncated record at cache file pos");
    case Next::Failed:
        return kReadFailed;
    }
    for (;;) {
        const qint64 tagPosition = mOffset;
        qint32 tag = 0;
        const Next next = readInt32(tag);
        // The end of the file closes the last record, complete or cut short by a crash; so
        // does the start of a next record that was cut inside its marker.
        if (next == Next::End)
            break;
        if (next == Next::Truncated) {
            mOffset = tagPosition;
            break;
        }
        if (next == Next::Failed)
            return kReadFailed;
        if (tag == kTagRecordStart) {
            mOffset = tagPosition;
            break;
        }
        qint32 result = kSuccess;
        switch (tag) {
        case kTagTrackName:
            result = readStringItem(aRecord.mTrackName);
            break;
        case kTagAlbumName:
            result = readStringItem(aRecord.mAlbumName);
            break;
        case kTagArtistName:
            result = readStringItem(aRecord.mArtistName);
            break;
        case kTagPath:
            result = readStringItem(aRecord.mPath);
            break;
        case kTagTrackNumber:
            result = readInt32Item(aRecord.mTrackNumber);
            break;
        case kTagFlags:
            aRecord.mFlagsPosition = tagPosition;
            result = readInt32Item(aRecord.mFlags);
            aRecord.mHasFlags = result == kSuccess;
            logValue("flagsFilePosition", tagPosition);
            logValue("trackFlags", qint64(aRecord.mFlags));
            break;
        case kTagSizeOnDevice:
            result = readInt64Item(aRecord.mSizeOnDevice);
            break;
        case kTagDeviceIdOffset:
            aRecord.mDeviceIdPosition = tagPosition;
            result = readInt64Item(aRecord.mDeviceIdOffset);
            break;
        case kTagDeviceIdLength:
            result = readInt32Item(aRecord.mDeviceIdLength);
            break;
        default:
            return badContent("Error at cache file pos: ");
        }
        if (result != kSuccess)
            return result;
    }
    if (!aRecord.mHasFlags)
        return badContent("Cache record without flags, ending at pos");
    return kSuccess;
}
