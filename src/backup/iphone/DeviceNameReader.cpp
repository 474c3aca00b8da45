#include "backup/iphone/DeviceNameReader.h"

#include "app/DebugLog.h"
#include "backup/PlistFile.h"

#include <QBuffer>
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
    DeviceNameReader reader;
    if (!PlistFile::isBinaryData(file.peek(8)))
        return reader.read(&file);
    // A binary plist is turned into XML so that the same rules apply.
    PlistFile plist;
    if (!plist.loadData(file.read(PlistFile::kMaxSize + 1))) {
        logMessage("Unreadable binary Info.plist");
        return QString();
    }
    return reader.readXml(plist.toXml());
}

QString DeviceNameReader::readXml(const QByteArray& aXml)
{
    QBuffer buffer;
    buffer.setData(aXml);
    buffer.open(QIODevice::ReadOnly);
    return read(&buffer);
}

QString DeviceNameReader::read(QIODevice* aDevice)
{
    mLastKey.clear();
    mCurrentElement.clear();
    mDeviceName.clear();
    QXmlStreamReader xml(aDevice);
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
