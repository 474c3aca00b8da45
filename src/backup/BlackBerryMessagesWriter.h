#pragma once

#include <QByteArray>
#include <QString>

struct BackupDatabase;
struct BackupRecord;

// Writes messages.xml from the records of a BlackBerry "SMS Messages" database, in the
// vocabulary of the iPhone messages export: one "sent_message" or "received_message" per
// record that has a header, a correspondent, a text and an encoding field.
class BlackBerryMessagesWriter
{
public:
    // Returns ExportResult::Ok, or ExportResult::OutputNotOpened when the file cannot be
    // opened or written.
    static int write(const BackupDatabase& aDatabase, const QString& aOutputPath);

    // The parts of one message; false when the record lacks one of the four fields.
    struct Message
    {
        bool mReceived = false;
        QString mAddress;
        // Seconds since 1970; null when the header is too short to hold the time.
        QString mDate;
        QString mText;
    };
    static bool message(const BackupRecord& aRecord, Message& aMessage);
};
