#include "tracks/TrackRecordEncoder.h"

#include "tracks/Track.h"
#include "tracks/TrackCacheFormat.h"

#include <QtEndian>

#include <cstring>
#include <utility>

using namespace TrackCacheFormat;

namespace {

// Grows aOut by aSize bytes from aData. A record is some twenty pieces; QByteArray::append takes
// a general path (it may insert from its own data) that costs more than the bytes.
void appendRaw(QByteArray& aOut, const void* aData, qsizetype aSize)
{
    const qsizetype at = aOut.size();
    aOut.resize(at + aSize);
    std::memcpy(aOut.data() + at, aData, size_t(aSize));
}

} // namespace

void TrackRecordEncoder::appendInt32(QByteArray& aOut, qint32 aValue)
{
    const qint32 le = qToLittleEndian(aValue);
    appendRaw(aOut, &le, sizeof le);
}

void TrackRecordEncoder::appendInt64(QByteArray& aOut, qint64 aValue)
{
    const qint64 le = qToLittleEndian(aValue);
    appendRaw(aOut, &le, sizeof le);
}

void TrackRecordEncoder::appendUtf16(QByteArray& aOut, const QString& aText)
{
    const qsizetype from = aOut.size();
    appendRaw(aOut, aText.utf16(), aText.size() * 2);
    if constexpr (Q_BYTE_ORDER == Q_BIG_ENDIAN) {
        for (qsizetype i = from; i + 1 < aOut.size(); i += 2)
            std::swap(aOut[i], aOut[i + 1]);
    }
}

QByteArray TrackRecordEncoder::utf16(const QString& aText)
{
    QByteArray bytes;
    appendUtf16(bytes, aText);
    return bytes;
}

void TrackRecordEncoder::appendStringItem(QByteArray& aOut, qint32 aTag, const QString& aText)
{
    appendInt32(aOut, aTag);
    appendInt32(aOut, qint32(aText.size() * 2));
    appendUtf16(aOut, aText);
}

void TrackRecordEncoder::appendInt32Item(QByteArray& aOut, qint32 aValue)
{
    appendInt32(aOut, 4);
    appendInt32(aOut, aValue);
}

void TrackRecordEncoder::appendInt64Item(QByteArray& aOut, qint64 aValue)
{
    appendInt32(aOut, 8);
    appendInt64(aOut, aValue);
}

QByteArray TrackRecordEncoder::int32Item(qint32 aValue)
{
    QByteArray out;
    appendInt32Item(out, aValue);
    return out;
}

QByteArray TrackRecordEncoder::int64Item(qint64 aValue)
{
    QByteArray out;
    appendInt64Item(out, aValue);
    return out;
}

void TrackRecordEncoder::appendDeviceIdReference(QByteArray& aOut, qint64 aOffset, qint32 aLength)
{
    appendInt32(aOut, kTagDeviceIdOffset);
    appendInt64Item(aOut, aOffset);
    appendInt32(aOut, kTagDeviceIdLength);
    appendInt32Item(aOut, aLength);
}

QByteArray TrackRecordEncoder::deviceIdReference(qint64 aOffset, qint32 aLength)
{
    QByteArray out;
    appendDeviceIdReference(out, aOffset, aLength);
    return out;
}

QByteArray TrackRecordEncoder::header(qint64 aTotalSize, qint32 aIntegrityValue)
{
    QByteArray out;
    out.reserve(kHeaderSize);
    appendInt32(out, kMagic);
    appendInt32(out, kTagVersion);
    appendInt32Item(out, kVersion);
    appendInt32(out, kTagTotalSize);
    appendInt64Item(out, aTotalSize);
    appendInt32(out, kTagIntegrity);
    appendInt32Item(out, aIntegrityValue);
    return out;
}

QByteArray TrackRecordEncoder::record(const Track& aTrack, qint64 aDeviceIdOffset,
                                      qint32 aDeviceIdLength, qint32 aFlags)
{
    QByteArray out;
    out.reserve(4 + 4 * 8
                + 2 * (aTrack.trackName().size() + aTrack.albumName().size()
                       + aTrack.artistName().size() + aTrack.path().size())
                + kInt32TaggedSize * 3 + kInt64TaggedSize * 2);
    appendInt32(out, kTagRecordStart);
    appendStringItem(out, kTagTrackName, aTrack.trackName());
    appendStringItem(out, kTagAlbumName, aTrack.albumName());
    appendStringItem(out, kTagArtistName, aTrack.artistName());
    appendStringItem(out, kTagPath, aTrack.path());
    appendInt32(out, kTagTrackNumber);
    appendInt32Item(out, aTrack.trackNumberOnAlbum());
    appendDeviceIdReference(out, aDeviceIdOffset, aDeviceIdLength);
    // The flags go last but one: a record cut short before them does not claim a file.
    appendInt32(out, kTagFlags);
    appendInt32Item(out, aFlags);
    appendInt32(out, kTagSizeOnDevice);
    appendInt64Item(out, aTrack.sizeOnDevice());
    return out;
}
