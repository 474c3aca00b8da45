#include "library/itunes/QtPlistStream.h"

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
