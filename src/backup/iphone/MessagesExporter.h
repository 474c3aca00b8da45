#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

class ExportDatabase;
class ExportQuery;
class ExportXmlWriter;
class ContactNames;
class SmsBackupWriter;
struct PhoneMessage;

// Writes the text messages of the backup's message databases as the "messages" document of the
// companion app, with the JPEG pictures of the messages embedded. Two database layouts exist:
// the newer one has a "handle" table (correspondents joined to the messages, attachments in a
// join table); the older one keeps the correspondent in the message row or in a recipients
// property list and splits the content into pieces ("msg_pieces").
class MessagesExporter
{
public:
    // aDatabases: the unpacked sms.db files, in order; aMessageFiles: attachment key (as the
    // message database names the file) to the unpacked file.
    MessagesExporter(const QStringList& aDatabases, const QHash<QString, QString>& aMessageFiles);

    // Writes the document to aOutputPath (none when it is empty). Returns ExportResult::Ok,
    // DatabaseNotOpened, DatabaseInvalid or OutputNotOpened; a failing selection only loses its
    // rows.
    int generate(const QString& aOutputPath);

    // Each message (skipped ones aside) also goes to aSms (opened by the caller; not owned),
    // with its pictures and, for a group message, every participant. aContactNames (not owned)
    // names the correspondents the backup's address book knows.
    void setSmsWriter(SmsBackupWriter* aSms, const ContactNames* aContactNames = nullptr)
    {
        mSms = aSms;
        mContactNames = aContactNames;
    }

    // Milliseconds since 1970 for a "date" value of the newer layout (see unixDate).
    static qint64 unixMilliseconds(const QString& aDate);

    // Seconds since 1970 for a "date" value of the newer layout: seconds since 2001-01-01, or
    // nanoseconds since then in the databases of later phones (any value beyond 10^11 seconds,
    // which is more than 3000 years). A value that is NULL or no number counts as 0.
    static qint64 unixDate(const QString& aDate);

    static constexpr qint64 kAppleEpochOffset = 978307200;

private:
    struct Queries;

    void exportDatabase(ExportDatabase& aDatabase, bool aNewerLayout, ExportXmlWriter& aWriter);
    void writeMessage(ExportQuery& aRow, bool aNewerLayout, Queries& aQueries,
                      ExportXmlWriter& aWriter);
    void readAttachments(ExportDatabase& aDatabase, Queries& aQueries);
    void readParticipants(ExportDatabase& aDatabase, Queries& aQueries);
    void writeAttachments(const QString& aRowId, const Queries& aQueries,
                          ExportXmlWriter& aWriter, PhoneMessage& aMessage);
    void writePieces(const QString& aRowId, ExportQuery& aQuery, QString& aText,
                     ExportXmlWriter& aWriter, PhoneMessage& aMessage);
    // The unpacked file for an attachment key, or a null string.
    QString messageFile(const QString& aKey) const;

    QStringList mDatabases;
    QHash<QString, QString> mMessageFiles;
    SmsBackupWriter* mSms = nullptr;
    const ContactNames* mContactNames = nullptr;
};
