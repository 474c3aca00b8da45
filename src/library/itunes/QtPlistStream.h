#pragma once

#include <QString>
#include <QStringView>
#include <QXmlStreamReader>

class ByteRangeDevice;

// QXmlStreamReader with the calls the library parser makes. For the first part of a split read
// it also tells whether the "Tracks" dictionary closed exactly at the part's made-up end.
class QtPlistStream
{
public:
    explicit QtPlistStream(QXmlStreamReader& aXml) : mXml(aXml) {}

    // aDevice serves the first part; aUnitsBefore are the characters the reader does not count
    // (a byte order mark).
    void setSplitPart(ByteRangeDevice* aDevice, qint64 aUnitsBefore);
    bool splitReached() const { return mSplitReached; }

    bool readNextStartElement() { return mXml.readNextStartElement(); }
    QStringView name() const { return mXml.name(); }
    void skipCurrentElement() { mXml.skipCurrentElement(); }
    // The text of the current element, children skipped; aBuffer keeps its capacity.
    bool readTextInto(QString& aBuffer);
    QString readElementText() { return mXml.readElementText(QXmlStreamReader::SkipChildElements); }
    // Reads to the end so that a truncated file is noticed even after the last wanted key.
    bool finish();
    void tracksEnded();
    // This reader's parts are split differently (see setSplitPart()).
    bool atSplit() const { return false; }

private:
    QXmlStreamReader& mXml;
    ByteRangeDevice* mSplitDevice = nullptr;
    qint64 mSplitUnitsBefore = 0;
    bool mSplitReached = false;
};
