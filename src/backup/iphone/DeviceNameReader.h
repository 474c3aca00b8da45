#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;

// Finds the device name ("Display Name") in a backup's Info.plist. The XML is read as a stream:
// a "key" element's text becomes the last key, and a "string" element's text right after the
// key "Display Name" becomes the device name (a later one wins). Text that is empty or starts
// with a line feed (the indentation between elements) is ignored. A binary plist is turned into
// XML by libplist first, so both forms follow the same rules.
class DeviceNameReader
{
public:
    // Returns the device name, or an empty string when the file cannot be opened or names no
    // device. A parse error keeps what was found before it.
    static QString getDeviceNameFromInfoPlist(const QString& aPath);

    // The same rules over XML text already in memory.
    QString readXml(const QByteArray& aXml);
    // The same rules over XML read from aDevice (an Info.plist can be large; it is streamed).
    QString read(QIODevice* aDevice);

private:
    void startElement(const QString& aLocalName);
    void characters(const QString& aText);

    QString mLastKey;
    QString mCurrentElement;
    QString mDeviceName;
};
