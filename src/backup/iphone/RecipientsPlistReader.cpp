#include "backup/iphone/RecipientsPlistReader.h"

#include "backup/PlistFile.h"

#include <QXmlStreamReader>

QStringList RecipientsPlistReader::parse(const QByteArray& aData)
{
    if (PlistFile::isBinaryData(aData)) {
        PlistFile plist;
        if (!plist.loadData(aData))
            return {};
        QStringList strings = plist.strings();
        strings.removeIf([](const QString& aText) { return !isRecipientText(aText); });
        return strings;
    }

    RecipientsPlistReader handler;
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

void RecipientsPlistReader::startElement(const QString& aLocalName)
{
    mCurrentElement = aLocalName;
}

void RecipientsPlistReader::characters(const QString& aText)
{
    if (isRecipientText(aText)
        && mCurrentElement.compare(QLatin1String("string"), Qt::CaseInsensitive) == 0)
        mStrings.append(aText);
}

bool RecipientsPlistReader::isRecipientText(const QString& aText)
{
    return !aText.isEmpty() && aText.at(0) != QLatin1Char('\n');
}
