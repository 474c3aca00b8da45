#pragma once

#include <QByteArrayView>
#include <QString>

// The text of a note body as the notes store of iOS 9 and later keeps it: gzip (or zlib)
// compressed protobuf, with the text in field 2 of field 3 of field 2, in UTF-8.
class NoteStoreBody
{
public:
    // Largest inflated body read; anything beyond is damage, not a note.
    static constexpr qsizetype kInflateLimit = 256 * 1024 * 1024;

    // The note's text, or a null string when aData is not such a body. Bodies that were
    // stored without compression are read as they are.
    static QString text(QByteArrayView aData);

    // The text found in an inflated body, or a null string.
    static QString textOfMessage(QByteArrayView aMessage);

    // The text as the companion app takes a note body: HTML, so that the line structure
    // survives the removal of control characters (markup-like text is escaped, each line
    // break becomes "<br>", embedded-object marks are dropped).
    static QString toHtml(const QString& aText);
};
