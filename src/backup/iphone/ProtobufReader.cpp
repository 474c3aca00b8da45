#include "backup/iphone/ProtobufReader.h"

#include <cstring>

bool ProtobufReader::readVarint(QByteArrayView aData, qsizetype& aPos, quint64& aValue)
{
    quint64 value = 0;
    for (int shift = 0; shift < 70; shift += 7) {
        if (aPos >= aData.size())
            return false;
        const quint8 byte = quint8(aData[aPos++]);
        value |= quint64(byte & 0x7F) << shift;
        if (!(byte & 0x80)) {
            aValue = value;
            return true;
        }
    }
    return false;
}

bool ProtobufReader::next()
{
    if (mError || mPos >= mData.size())
        return false;
    quint64 key = 0;
    if (!readVarint(mData, mPos, key) || (key >> 3) == 0 || (key >> 3) > 0x1FFFFFFF) {
        mError = true;
        return false;
    }
    mField = int(key >> 3);
    mBytes = {};
    const qsizetype left = mData.size() - mPos;
    switch (key & 7) {
    case 0:
        mType = WireType::Varint;
        if (!readVarint(mData, mPos, mValue))
            mError = true;
        break;
    case 1:
        mType = WireType::Fixed64;
        if (left < 8) {
            mError = true;
            break;
        }
        std::memcpy(&mValue, mData.data() + mPos, 8);
        mPos += 8;
        break;
    case 5: {
        mType = WireType::Fixed32;
        if (left < 4) {
            mError = true;
            break;
        }
        quint32 value = 0;
        std::memcpy(&value, mData.data() + mPos, 4);
        mValue = value;
        mPos += 4;
        break;
    }
    case 2: {
        mType = WireType::LengthDelimited;
        quint64 length = 0;
        // Compared unsigned, so that a length beyond what is left cannot wrap around.
        if (!readVarint(mData, mPos, length) || length > quint64(mData.size() - mPos)) {
            mError = true;
            break;
        }
        mValue = length;
        mBytes = mData.sliced(mPos, qsizetype(length));
        mPos += qsizetype(length);
        break;
    }
    default:
        mError = true;
    }
    return !mError;
}

std::optional<QByteArrayView> ProtobufReader::lengthDelimited(QByteArrayView aMessage, int aField)
{
    ProtobufReader reader(aMessage);
    while (reader.next()) {
        if (reader.fieldNumber() == aField && reader.wireType() == WireType::LengthDelimited)
            return reader.bytes();
    }
    return std::nullopt;
}
