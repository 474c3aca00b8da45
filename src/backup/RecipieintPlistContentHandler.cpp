#include "backup/RecipieintPlistContentHandler.h"

#include "backup/PlistFile.h"

#include <QXmlStreamReader>

QStringList RecipieintPlistContentHandler::parse(const QByteArray& aData)
{
    QByteArray xml = aData;
    if (PlistFile::isBinaryData(aData)) {
        PlistFile plist;
        if (!plist.loadData(aData))
            return {};
        xml = plist.toXml();
    }

    RecipieintPlistContentHandler handler;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            handler.startElement(reader.name().toString());
            break;
        case QXmlStreamReader::Characters:
            handler.characters(reader.text().toString());
            break;
        default:
            break;
        }
    }
    return handler.strings();
}

void RecipieintPlistContentHandler::startElement(const QString& aLocalName)
{
    mCurrentElement = aLocalName;
}

void RecipieintPlistContentHandler::characters(const QString& aText)
{
    if (aText.isEmpty() || aText.at(0) == QLatin1Char('\n'))
        return;
    if (mCurrentElement.compare(QLatin1String("string"), Qt::CaseInsensitive) == 0)
        mStrings.append(aText);
}
