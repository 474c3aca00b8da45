#pragma once

#include <QByteArrayView>
#include <QString>

// The plain text of an archived attributed string, as the message databases of iOS 16 and later
// keep a message's words (message.attributedBody, an NSArchiver "typedstream"). Only the string
// itself is read: after the class name "NSString" comes the marker 84 01 2B, then the length in
// bytes (one byte below 0x80; 0x81 and a 16-bit or 0x82 and a 32-bit little-endian number) and
// the UTF-8 bytes.
class TypedStreamText
{
public:
    // The text, or a null string when aBlob does not have that shape (never reads past it).
    static QString read(QByteArrayView aBlob);
};
