#include "backup/iphone/TypedStreamText.h"

namespace {

constexpr char kClassName[] = "NSString";
constexpr char kStringMarker[] = "\x84\x01\x2B";
constexpr quint8 kLength16 = 0x81;
constexpr quint8 kLength32 = 0x82;

// The little-endian number of aBytes bytes at aPos (advanced), or -1 past the end.
qint64 littleEndian(QByteArrayView aBlob, qsizetype& aPos, int aBytes)
{
    if (aBlob.size() - aPos < aBytes)
        return -1;
    quint64 value = 0;
    for (int i = 0; i < aBytes; ++i)
        value |= quint64(quint8(aBlob[aPos + i])) << (8 * i);
    aPos += aBytes;
    return qint64(value);
}

} // namespace

QString TypedStreamText::read(QByteArrayView aBlob)
{
    const qsizetype name = aBlob.indexOf(QByteArrayView(kClassName));
    if (name < 0)
        return QString();
    const qsizetype marker =
        aBlob.indexOf(QByteArrayView(kStringMarker), name + qsizetype(sizeof(kClassName) - 1));
    if (marker < 0)
        return QString();
    qsizetype pos = marker + qsizetype(sizeof(kStringMarker) - 1);
    if (pos >= aBlob.size())
        return QString();
    const quint8 first = quint8(aBlob[pos++]);
    qint64 length = -1;
    if (first < 0x80)
        length = first;
    else if (first == kLength16)
        length = littleEndian(aBlob, pos, 2);
    else if (first == kLength32)
        length = littleEndian(aBlob, pos, 4);
    if (length < 0 || length > aBlob.size() - pos)
        return QString();
    QString text = QString::fromUtf8(aBlob.sliced(pos, qsizetype(length)));
    if (text.isNull())
        text = QLatin1String("");
    return text;
}
