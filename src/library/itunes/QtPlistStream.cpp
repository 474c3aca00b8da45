#include "library/itunes/QtPlistStream.h"

#include "library/itunes/ByteRangeDevice.h"

namespace {

const qsizetype kTracksEndTagLength = 7; // "</dict>"

} // namespace

void QtPlistStream::setSplitPart(ByteRangeDevice* aDevice, qint64 aUnitsBefore)
{
    mSplitDevice = aDevice;
    mSplitUnitsBefore = aUnitsBefore;
    mSplitReached = false;
}

bool QtPlistStream::readTextInto(QString& aBuffer)
{
    // Reuses the buffer's capacity: keys and numbers are read millions of times.
    aBuffer.resize(0);
    for (;;) {
        switch (mXml.readNext()) {
        case QXmlStreamReader::Characters:
        case QXmlStreamReader::EntityReference:
            aBuffer.append(mXml.text());
            break;
        case QXmlStreamReader::EndElement:
            return true;
        case QXmlStreamReader::StartElement:
            mXml.skipCurrentElement();
            break;
        case QXmlStreamReader::Invalid:
            return false;
        default:
            break;
        }
    }
}

bool QtPlistStream::finish()
{
    while (!mXml.atEnd())
        mXml.readNext();
    return !mXml.hasError();
}

void QtPlistStream::tracksEnded()
{
    // The first part of a split read must end here, between two tracks, at its made-up end tag:
    // only then does the second part go on exactly where this one stopped. Every file byte
    // before that tag has been served by then, so no real end tag can match the offset.
    if (mSplitDevice && mXml.tokenType() == QXmlStreamReader::EndElement
        && mXml.characterOffset()
               == mSplitDevice->fileUnitsServed() - mSplitUnitsBefore + kTracksEndTagLength)
        mSplitReached = true;
}
