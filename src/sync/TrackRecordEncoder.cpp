#include "sync/TrackRecordEncoder.h"

#include "sync/Track.h"
#include "sync/TrackCacheFormat.h"

#include <QtEndian>

#include <utility>

using namespace TrackCacheFormat;

void TrackRecordEncoder::appendInt32(QByteArray& aOut, qint32 aValue)
{
    const qint32 le = qToLittleEndian(aValue);
    aOut.append(reinterpret_cast<const char*>(&le), sizeof le);
}

void TrackRecordEncoder::appendInt64(QByteArray& aOut, qint64 aValue)
{
    const qint64 le = qToLittleEndian(aValue);
    aOut.append(reinterpret_cast<const char*>(&le), sizeof le);
}

QByteArray TrackRecordEncoder::utf16(const QString& aText)
{
    QByteArray bytes(reinterpret_cast<const char*>(aText.utf16()), aText.size() * 2);
    if constexpr (Q_BYTE_ORDER == Q_BIG_ENDIAN) {
        for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
            std::swap(bytes[i], bytes[i + 1]);
    }
    return bytes;
}

void TrackRecordEncoder::appendStringItem(QByteArray& aOut, qint32 aTag, const QString& aText)
{
    appendInt32(aOut, aTag);
    appendInt32(aOut, qint32(aText.size() * 2));
    aOut.append(utf16(aText));
}

QByteArray TrackRecordEncoder::int32Item(qint32 aValue)
{
    QByteArray out;
    appendInt32(out, 4);
    appendInt32(out, aValue);
    return out;
}

QByteArray TrackRecordEncoder::int64Item(qint64 aValue)
{
    QByteArray out;
    appendInt32(out, 8);
    appendInt64(out, aValue);
    return out;
}

QByteArray TrackRecordEncoder::deviceIdReference(qint64 aOffset, qint32 aLength)
{
    QByteArray out;
    appendInt32(out, kTagDeviceIdOffset);
    out.append(int64Item(aOffset));
    appendInt32(out, kTagDeviceIdLength);
    out.append(int32Item(aLength));
    return out;
}

QByteArray TrackRecordEncoder::header(qint64 aTotalSize, qint32 aIntegrityValue)
{
    QByteArray out;
    out.reserve(kHeaderSize);
    appendInt32(out, kMagic);
    appendInt32(out, kTagVersion);
    out.append(int32Item(kVersion));
    appendInt32(out, kTagTotalSize);
    out.append(int64Item(aTotalSize));
    appendInt32(out, kTagIntegrity);
    out.append(int32Item(aIntegrityValue));
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
    out.append(int32Item(aTrack.trackNumberOnAlbum()));
    out.append(deviceIdReference(aDeviceIdOffset, aDeviceIdLength));
    // The flags go last but one: a record cut short before them does not claim a file.
    appendInt32(out, kTagFlags);
    out.append(int32Item(aFlags));
    appendInt32(out, kTagSizeOnDevice);
    out.append(int64Item(aTrack.sizeOnDevice()));
    return out;
}
