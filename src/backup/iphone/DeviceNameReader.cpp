#include "backup/iphone/DeviceNameReader.h"

#include "app/DebugLog.h"
#include "backup/PlistFile.h"

#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

namespace {

// libplist reads a file whole or not at all. An XML Info.plist damaged near its end (a backup
// interrupted while iTunes rewrote it) still names its phone before the damage, and listing
// that backup is better than hiding it: read the top-level dictionary up to the first error.
QString nameBeforeDamage(const QString& aPath)
{
    QFile file(aPath);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QXmlStreamReader xml(&file);
    QString name;
    QString lastKey;
    int depth = 0;
    while (!xml.atEnd() && !xml.hasError()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement) {
            --depth;
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        ++depth;
        // plist > dict > key/string: only the top-level dictionary's entries name the phone.
        if (depth != 3)
            continue;
        const QStringView element = xml.name();
        if (element == QLatin1String("key")) {
            lastKey = xml.readElementText();
            --depth;
        } else if (element == QLatin1String("string")) {
            const QString value = xml.readElementText();
            --depth;
            if (!xml.hasError() && lastKey == QLatin1String("Display Name"))
                name = value;
            lastKey.clear();
        } else {
            lastKey.clear();
        }
    }
    return name;
}

} // namespace

QString DeviceNameReader::getDeviceNameFromInfoPlist(const QString& aPath)
{
    LogScope scope("DeviceNameReader::getDeviceNameFromInfoPlist");
    if (!QFileInfo(aPath).isReadable()) {
        logValue("Failed to open", aPath);
        return QString();
    }
    logValue("Opened", aPath);
    PlistFile plist;
    if (!plist.load(aPath)) {
        logMessage("Info.plist is no property list");
        return nameBeforeDamage(aPath);
    }
    return plist.stringValue("Display Name").value_or(QString());
}
