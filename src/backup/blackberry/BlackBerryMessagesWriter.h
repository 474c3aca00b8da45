#pragma once

#include <QByteArray>
#include <QString>

struct BackupDatabase;
struct BackupRecord;
class SmsBackupWriter;

// Writes messages.xml from the records of a BlackBerry "SMS Messages" database, in the
// vocabulary of the iPhone messages export: one "sent_message" or "received_message" per
// record that has a header, a correspondent, a text and an encoding field.
class BlackBerryMessagesWriter
{
public:
    // Returns ExportResult::Ok, or ExportResult::OutputNotOpened when the file cannot be
    // opened or written.
    // Each message also goes to aSms when given (opened by the caller). No messages.xml is
    // written when aOutputPath is empty.
    static int write(const BackupDatabase& aDatabase, const QString& aOutputPath,
                     SmsBackupWriter* aSms = nullptr);

    // The parts of one message; false when the record lacks one of the four fields.
    struct Message
    {
        bool mReceived = false;
        QString mAddress;
        // Seconds since 1970; null when the header is too short to hold the time.
        QString mDate;
        // Milliseconds since 1970; -1 when the header is too short to hold the time.
        qint64 mMilliseconds = -1;
        QString mText;
    };
    static bool message(const BackupRecord& aRecord, Message& aMessage);
};
