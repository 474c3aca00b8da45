#include "backup/iphone/RecipientsPlistReader.h"

#include "backup/PlistFile.h"

QStringList RecipientsPlistReader::parse(const QByteArray& aData)
{
    PlistFile plist;
    if (!plist.loadData(aData))
        return {};
    QStringList strings = plist.strings();
    strings.removeIf([](const QString& aText) { return !isRecipientText(aText); });
    return strings;
}

bool RecipientsPlistReader::isRecipientText(const QString& aText)
{
    return !aText.isEmpty() && aText.at(0) != QLatin1Char('\n');
}
