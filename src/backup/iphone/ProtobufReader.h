#pragma once

#include <QByteArrayView>

#include <optional>

// Walks the fields of one protobuf message, one at a time, without a schema. Every length and
// varint is checked against the bytes at hand: a damaged message ends the walk with hasError()
// set, it never reads past its end. Groups (wire types 3 and 4) are not used by the stores we
// read and count as damage.
class ProtobufReader
{
public:
    enum class WireType { Varint = 0, Fixed64 = 1, LengthDelimited = 2, Fixed32 = 5 };

    explicit ProtobufReader(QByteArrayView aMessage) : mData(aMessage) {}

    // Moves to the next field; false at the end of the message or on damage.
    bool next();
    bool hasError() const { return mError; }

    int fieldNumber() const { return mField; }
    WireType wireType() const { return mType; }
    // The value of a varint field (also the raw value of a fixed field).
    quint64 value() const { return mValue; }
    // The bytes of a length-delimited field (a view into the message).
    QByteArrayView bytes() const { return mBytes; }

    // The bytes of the first length-delimited field aField of aMessage, or nothing when the
    // message has none before its end or its damage.
    static std::optional<QByteArrayView> lengthDelimited(QByteArrayView aMessage, int aField);

    // Reads a varint at aPos (advanced past it); false when it runs past the end or is longer
    // than ten bytes.
    static bool readVarint(QByteArrayView aData, qsizetype& aPos, quint64& aValue);

private:
    QByteArrayView mData;
    qsizetype mPos = 0;
    bool mError = false;
    int mField = 0;
    WireType mType = WireType::Varint;
    quint64 mValue = 0;
    QByteArrayView mBytes;
};
