#include "backup/iphone/RecipieintPlistContentHandler.h"

#include "backup/PlistFile.h"

#include <QXmlStreamReader>

QStringList RecipieintPlistContentHandler::parse(const QByteArray& aData)
{
    if (PlistFile::isBinaryData(aData)) {
        PlistFile plist;
        if (!plist.loadData(aData))
            return {};
        QStringList strings = plist.strings();
        strings.removeIf([](const QString& aText) { return !isRecipientText(aText); });
        return strings;
    }

    RecipieintPlistContentHandler handler;
    QXmlStreamReader reader(aData);
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
    if (isRecipientText(aText)
        && mCurrentElement.compare(QLatin1String("string"), Qt::CaseInsensitive) == 0)
        mStrings.append(aText);
}

bool RecipieintPlistContentHandler::isRecipientText(const QString& aText)
{
    return !aText.isEmpty() && aText.at(0) != QLatin1Char('\n');
}
