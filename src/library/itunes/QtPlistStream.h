#pragma once

#include <QString>
#include <QStringView>
#include <QXmlStreamReader>

// QXmlStreamReader with the calls the library parser makes; it reads the whole file in one
// pass, never split.
class QtPlistStream
{
public:
    explicit QtPlistStream(QXmlStreamReader& aXml) : mXml(aXml) {}

    bool readNextStartElement() { return mXml.readNextStartElement(); }
    QStringView name() const { return mXml.name(); }
    void skipCurrentElement() { mXml.skipCurrentElement(); }
    // The text of the current element, children skipped; aBuffer keeps its capacity.
    bool readTextInto(QString& aBuffer);
    QString readElementText() { return mXml.readElementText(QXmlStreamReader::SkipChildElements); }
    // Reads to the end so that a truncated file is noticed even after the last wanted key.
    bool finish();
    // The split points of the scanner's parts; this reader has none.
    void tracksEnded() {}
    bool atSplit() const { return false; }

private:
    QXmlStreamReader& mXml;
};
