#pragma once

#include "backup/PhoneMessage.h"

#include <QByteArray>
#include <QFile>
#include <QString>

// Writes messages in the XML format of the Android app "SMS Backup & Restore", which restores
// them into Android's own message store: root "smses" with the number of messages, an "sms" per
// text message, and an "mms" (with its parts and addresses) per message with a picture and per
// group message. Every attribute the format's schema requires is written, with the app's own
// defaults ("null", -1, 0) where the backup has no value. Characters XML 1.0 cannot carry are
// dropped.
//
// The document is written as it goes; the message count, known only at the end, is written into
// room kept for it in the root element's start tag.
class SmsBackupWriter
{
public:
    explicit SmsBackupWriter(const QString& aPath);
    ~SmsBackupWriter();

    SmsBackupWriter(const SmsBackupWriter&) = delete;
    SmsBackupWriter& operator=(const SmsBackupWriter&) = delete;

    bool open();
    bool isOpen() const { return mFile.isOpen(); }
    QString path() const { return mFile.fileName(); }

    // Nothing while the file is not open.
    void write(const PhoneMessage& aMessage);
    // Ends the document, writes the count, flushes and closes; false on a write error.
    bool finish();
    int count() const { return mCount; }

    // aText escaped for a double-quoted XML attribute: markup characters as entities, line
    // breaks and tabs as character references, forbidden characters dropped.
    static QByteArray attribute(const QString& aText);

    // "SMS" or "MMS" as a message is written.
    static bool isMms(const PhoneMessage& aMessage);

private:
    void writeSms(const PhoneMessage& aMessage);
    void writeMms(const PhoneMessage& aMessage);

    QFile mFile;
    qint64 mCountPosition = -1;
    int mCount = 0;
    QByteArray mLine;
};
