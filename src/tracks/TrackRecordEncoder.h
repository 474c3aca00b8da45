#pragma once

#include <QByteArray>
#include <QString>

class Track;

// Builds the bytes of the track cache format, so that a header or a record reaches the file in
// one write.
class TrackRecordEncoder
{
public:
    // Magic, version 1, the total and the integrity value.
    static QByteArray header(qint64 aTotalSize, qint32 aIntegrityValue);

    // A whole record: marker, the four strings, track number, device-id reference, flags and
    // size on the phone, in the order that keeps the flags last but one.
    static QByteArray record(const Track& aTrack, qint64 aDeviceIdOffset, qint32 aDeviceIdLength,
                             qint32 aFlags);

    // Length 4 and the value; length 8 and the value.
    static QByteArray int32Item(qint32 aValue);
    static QByteArray int64Item(qint64 aValue);
    // Tag 9 with the offset and tag 10 with the byte length of a device id.
    static QByteArray deviceIdReference(qint64 aOffset, qint32 aLength);
    // The UTF-16LE code units of aText.
    static QByteArray utf16(const QString& aText);

    static void appendInt32(QByteArray& aOut, qint32 aValue);
    static void appendInt64(QByteArray& aOut, qint64 aValue);
    static void appendStringItem(QByteArray& aOut, qint32 aTag, const QString& aText);

private:
    // The same, appended where the bytes go: a record is built without temporary arrays.
    static void appendUtf16(QByteArray& aOut, const QString& aText);
    static void appendInt32Item(QByteArray& aOut, qint32 aValue);
    static void appendInt64Item(QByteArray& aOut, qint64 aValue);
    static void appendDeviceIdReference(QByteArray& aOut, qint64 aOffset, qint32 aLength);
};
