#include "backup/DeviceNameReader.h"

#include "app/DebugLog.h"
#include "backup/PlistFile.h"

#include <QFile>
#include <QXmlStreamReader>

QString DeviceNameReader::getDeviceNameFromInfoPlist(const QString& aPath)
{
    LogScope scope("DeviceNameReader::getDeviceNameFromInfoPlist");
    QFile file(aPath);
    if (!file.open(QIODevice::ReadOnly)) {
        logValue("Failed to open", aPath);
        return QString();
    }
    logValue("Opened", aPath);
    if (file.size() > PlistFile::kMaxSize) {
        logMessage("Info.plist too large - ignored");
        return QString();
    }
    QByteArray data = file.readAll();
    if (PlistFile::isBinaryData(data)) {
        PlistFile plist;
        if (!plist.loadData(data)) {
            logMessage("Unreadable binary Info.plist");
            return QString();
        }
        data = plist.toXml();
    }
    DeviceNameReader reader;
    return reader.readXml(data);
}

QString DeviceNameReader::readXml(const QByteArray& aXml)
{
    mLastKey.clear();
    mCurrentElement.clear();
    mDeviceName.clear();
    QXmlStreamReader xml(aXml);
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            startElement(xml.name().toString());
            break;
        case QXmlStreamReader::Characters:
            characters(xml.text().toString());
            break;
        default:
            break;
        }
    }
    // A parse error ends the reading; what was found before it stands.
    return mDeviceName;
}

void DeviceNameReader::startElement(const QString& aLocalName)
{
    mCurrentElement = aLocalName;
}

void DeviceNameReader::characters(const QString& aText)
{
    if (aText.isEmpty() || aText.at(0) == QLatin1Char('\n'))
        return;
    if (mCurrentElement == QLatin1String("key"))
        mLastKey = aText;
    else if (mCurrentElement == QLatin1String("string")
             && mLastKey == QLatin1String("Display Name"))
        mDeviceName = aText;
}
