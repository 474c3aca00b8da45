#pragma once

#include <QFile>
#include <QString>
#include <QXmlStreamWriter>

// Writes one exporter document for the companion app: the declaration (version 1.0, UTF-8), one
// root element with automatic four-space indentation, and the entries. Every text and attribute
// value is cleaned first, because the companion app's parser rejects control characters; names
// are constants and written as given.
class ExportXmlWriter
{
public:
    explicit ExportXmlWriter(const QString& aPath);
    ~ExportXmlWriter();

    ExportXmlWriter(const ExportXmlWriter&) = delete;
    ExportXmlWriter& operator=(const ExportXmlWriter&) = delete;

    // Opens the file write-only and truncated, then writes the declaration and the start of the
    // root element. Returns ExportResult::Ok or ExportResult::OutputNotOpened.
    int open(const QString& aRootElement);
    bool isOpen() const { return mFile.isOpen(); }

    // The writing calls do nothing while the file is not open.
    void writeStartElement(const QString& aName);
    void writeEndElement();
    void writeAttribute(const QString& aName, const QString& aValue);
    void writeTextElement(const QString& aName, const QString& aText);
    // Text inside the current element.
    void writeCharacters(const QString& aText);

    // Ends the root element and the document, flushes and closes; only when the file is open.
    // Returns false when the file system reported a write error.
    bool finish();

    // Removes every character below 32 (tab, line feed and carriage return included) and every
    // code unit that XML cannot carry at all (unpaired surrogates, U+FFFE, U+FFFF), logging
    // "Removed illegal character" with the code of each. Text without such characters is
    // returned unchanged and without a copy.
    static QString clean(const QString& aText);

private:
    QFile mFile;
    QXmlStreamWriter mWriter;
};
