#include "backup/iphone/MessagesExporter.h"

#include "app/DebugLog.h"
#include "backup/iphone/ContactNames.h"
#include "backup/iphone/ExportDatabase.h"
#include "backup/iphone/ExportDatabaseLoop.h"
#include "backup/ExportPicture.h"
#include "backup/ExportResult.h"
#include "backup/ExportXmlWriter.h"
#include "backup/PhoneMessage.h"
#include "backup/iphone/RecipientsPlistReader.h"
#include "backup/SmsBackupWriter.h"
#include "backup/iphone/TypedStreamText.h"

#include <cmath>

namespace {

// A message the owner sent to a group has no handle (handle_id 0): it is kept, and its address
// is the first participant of its chat, as the older layout takes the first recipient.
const QString kGroupSelection = QStringLiteral(
    "SELECT *, CASE WHEN handle.ROWID IS NULL THEN (SELECT h.id FROM chat_message_join cmj"
    " JOIN chat_handle_join chj ON chj.chat_id=cmj.chat_id JOIN handle h ON h.ROWID=chj.handle_id"
    " WHERE cmj.message_id=message.ROWID ORDER BY cmj.chat_id, chj.ROWID LIMIT 1) END"
    " AS first_participant FROM message LEFT JOIN handle ON message.handle_id=handle.ROWID");
// Databases without chats (or whose join tables cannot be read so) still keep every message.
const QString kNewerSelection =
    QStringLiteral("SELECT * FROM message LEFT JOIN handle ON message.handle_id=handle.ROWID");
const QString kOlderSelection = QStringLiteral("SELECT * FROM message");
// The attachments of all messages are read at once, in the order that the lookup of one
// message through the join table's (message_id, attachment_id) index gives.
const QString kAttachmentSelection = QStringLiteral(
    "SELECT * FROM message_attachment_join "
    "LEFT OUTER JOIN attachment ON message_attachment_join.attachment_id=attachment.ROWID "
    "ORDER BY message_attachment_join.message_id, message_attachment_join.attachment_id");
// The participants of every chat with more than one, by message, in the chat's order.
const QString kParticipantSelection = QStringLiteral(
    "SELECT cmj.message_id AS message_id, h.id AS participant FROM chat_message_join cmj"
    " JOIN chat_handle_join chj ON chj.chat_id=cmj.chat_id JOIN handle h ON h.ROWID=chj.handle_id"
    " WHERE cmj.chat_id IN (SELECT chat_id FROM chat_handle_join GROUP BY chat_id"
    " HAVING COUNT(*) > 1) ORDER BY cmj.message_id, cmj.chat_id, chj.ROWID");
const QString kPieceSelection = QStringLiteral("SELECT * FROM msg_pieces WHERE message_id=:rowid");

constexpr int kFlagSent = 0x01;
constexpr int kFlagSkipped = 0x80;
constexpr qint64 kNanosecondThreshold = 100000000000LL; // 10^11

const QChar kObjectReplacement(0xFFFC);

// The text as written (one log line) and the codes of the text as stored.
void logTextAndCodes(const QString& aWritten, const QString& aStored)
{
    if (!DebugLog::instance().isOpen())
        return;
    logValue("messageText", aWritten);
    QString hex;
    for (const QChar c : aStored)
        hex += QString::number(c.unicode(), 16) + QLatin1Char(' ');
    logValue("hex", hex);
}

// The text of a "text/plain" piece: UTF-8 up to its first zero byte.
QString pieceText(const QByteArray& aData)
{
    const qsizetype zero = aData.indexOf('\0');
    return QString::fromUtf8(zero < 0 ? aData : aData.left(zero));
}

} // namespace

// What one database gives for its messages beyond the message rows: the attachments by message
// (newer layout) and the statement for the pieces of one message (older layout).
struct MessagesExporter::Queries
{
    struct Attachment
    {
        QString fileName;
        QString mimeType;
    };

    explicit Queries(ExportDatabase& aDatabase) : pieces(aDatabase) {}

    QHash<QString, QStringList> participants;
    bool attachmentsRead = false;
    QString attachmentError;
    QHash<QString, QList<Attachment>> attachments;
    ExportQuery pieces;
    bool piecesPrepared = false;
};

MessagesExporter::MessagesExporter(const QStringList& aDatabases,
                                   const QHash<QString, QString>& aMessageFiles)
    : mDatabases(aDatabases), mMessageFiles(aMessageFiles)
{
}

qint64 MessagesExporter::unixMilliseconds(const QString& aDate)
{
    bool ok = false;
    const qint64 value = aDate.toLongLong(&ok);
    // Nanoseconds keep their milliseconds; everything else goes the way of unixDate.
    if (ok && (value > kNanosecondThreshold || value < -kNanosecondThreshold))
        return value / 1000000LL + kAppleEpochOffset * 1000;
    return unixDate(aDate) * 1000;
}

qint64 MessagesExporter::unixDate(const QString& aDate)
{
    bool ok = false;
    qint64 value = aDate.toLongLong(&ok);
    if (!ok) {
        const double real = aDate.toDouble(&ok);
        value = ok && std::isfinite(real) && std::fabs(real) < 9.0e18 ? qint64(real) : 0;
    }
    if (value > kNanosecondThreshold || value < -kNanosecondThreshold)
        value /= 1000000000LL;
    return value + kAppleEpochOffset;
}

int MessagesExporter::generate(const QString& aOutputPath)
{
    LogScope scope("MessagesExporter::generate");
    int result = ExportResult::Ok;

    ExportXmlWriter writer(aOutputPath);
    if (!aOutputPath.isEmpty() && writer.open(QStringLiteral("messages")) != ExportResult::Ok) {
        logValue("Unable to open file", aOutputPath);
        result = ExportResult::OutputNotOpened;
    }

    // A database is copied to the log only while the result is still Ok; once it is a failure,
    // no database is read any more (not even the one that failed to validate) and the rows
    // already written stay. A failing selection only loses its rows.
    const ExportDatabaseLoop loop(mDatabases, QStringLiteral("sms"),
                                  ExportDatabaseLoop::LogCopy::WhileOk);
    result = loop.visit(result, [&](ExportDatabase& aDatabase) {
        exportDatabase(aDatabase, aDatabase.tables().contains(QStringLiteral("handle")), writer);
        return ExportResult::Ok;
    });

    // A file that could not be written completely (a full disk) is no success.
    if (!writer.finish()) {
        logMessage("Error writing file");
        if (result == ExportResult::Ok)
            result = ExportResult::OutputNotOpened;
    }
    logReturn(result);
    return result;
}

void MessagesExporter::exportDatabase(ExportDatabase& aDatabase, bool aNewerLayout,
                                      ExportXmlWriter& aWriter)
{
    Queries queries(aDatabase);
    {
        ExportQuery messages(aDatabase);
        const QStringList tables = aDatabase.tables();
        const bool chats = aNewerLayout && tables.contains(QStringLiteral("chat_message_join"))
                           && tables.contains(QStringLiteral("chat_handle_join"));
        bool selected = chats && messages.exec(kGroupSelection);
        if (chats && !selected)
            logValue("Selection error", messages.lastError());
        if (!selected && !messages.exec(aNewerLayout ? kNewerSelection : kOlderSelection)) {
            logValue("Selection error", messages.lastError());
            return;
        }
        if (aNewerLayout) {
            readAttachments(aDatabase, queries);
            if (mSms && chats)
                readParticipants(aDatabase, queries);
        } else
            queries.piecesPrepared = queries.pieces.prepare(kPieceSelection);
        while (messages.next())
            writeMessage(messages, aNewerLayout, queries, aWriter);
    }
}

void MessagesExporter::writeMessage(ExportQuery& aRow, bool aNewerLayout, Queries& aQueries,
                                    ExportXmlWriter& aWriter)
{
    QString correspondent;
    QStringList participants;
    if (aNewerLayout) {
        correspondent = aRow.text(QStringLiteral("id"));
        if (correspondent.isNull())
            correspondent = aRow.text(QStringLiteral("first_participant"));
    } else {
        correspondent = aRow.text(QStringLiteral("address"));
        if (correspondent.isNull()) {
            const QByteArray recipients = aRow.bytes(QStringLiteral("recipients"));
            if (!recipients.isNull()) {
                const QStringList strings = RecipientsPlistReader::parse(recipients);
                if (!strings.isEmpty())
                    correspondent = strings.first();
                if (strings.size() > 1)
                    participants = strings;
            }
        }
    }

    const QString date = aRow.text(QStringLiteral("date"));
    QString text = aRow.text(QStringLiteral("text"));
    // Since iOS 16 the words are often only in the archived attributed string.
    if (aNewerLayout && text.isEmpty()) {
        const QByteArray body = aRow.bytes(QStringLiteral("attributedBody"));
        const QString archived = body.isEmpty() ? QString() : TypedStreamText::read(body);
        if (!archived.isNull())
            text = archived;
    }
    const QString flagsText = aRow.text(QStringLiteral("flags"));
    // Later databases name the column is_read; without it every message would read as read.
    const QString readColumn = !aNewerLayout || aRow.column(QStringLiteral("read")) >= 0
                                   ? QStringLiteral("read")
                                   : QStringLiteral("is_read");
    const QString read = aRow.text(readColumn) == QLatin1String("0")
                             ? QStringLiteral("false")
                             : QStringLiteral("true");
    const QString rowId = aRow.text(QStringLiteral("ROWID"));

    bool ok = false;
    int flags = flagsText.toInt(&ok);
    if (!ok) {
        logValue("Bad message flag", flagsText);
        flags = 0;
    }
    if (flags & kFlagSkipped)
        return;

    // is_from_me = 1 marks what the phone's owner sent, the same sense as bit 0x01 of the older
    // layout's flags.
    const bool sent = aNewerLayout ? aRow.text(QStringLiteral("is_from_me")) == QLatin1String("1")
                                   : (flags & kFlagSent) != 0;

    PhoneMessage message;
    if (mSms) {
        message.mSent = sent;
        message.mRead = read == QLatin1String("true");
        if (aNewerLayout) {
            message.mDate = unixMilliseconds(date);
            participants = aQueries.participants.value(rowId);
        } else {
            // Seconds since 1970 in this layout; text that is no number counts as 0.
            message.mDate = date.toLongLong() * 1000;
        }
        message.mParticipants = participants;
        message.mAddress = correspondent.isNull() && !participants.isEmpty() ? participants.first()
                                                                            : correspondent;
        if (mContactNames)
            message.mContactName = mContactNames->nameOf(message.mAddress);
    }

    aWriter.writeStartElement(sent ? QStringLiteral("sent_message")
                                   : QStringLiteral("received_message"));
    if (!correspondent.isNull())
        aWriter.writeTextElement(QStringLiteral("address"), correspondent);
    if (aNewerLayout)
        aWriter.writeTextElement(QStringLiteral("date"), QString::number(unixDate(date)));
    else if (!date.isNull())
        aWriter.writeTextElement(QStringLiteral("date"), date);
    aWriter.writeTextElement(QStringLiteral("read"), read);

    if (aNewerLayout) {
        if (aQueries.attachmentsRead)
            writeAttachments(rowId, aQueries, aWriter, message);
        else
            logValue("Selection error", aQueries.attachmentError);
    } else {
        if (aQueries.piecesPrepared)
            writePieces(rowId, aQueries.pieces, text, aWriter, message);
        else
            logValue("Selection error", aQueries.pieces.lastError());
    }

    if (!text.isNull()) {
        text.remove(kObjectReplacement);
        const QString cleaned = ExportXmlWriter::clean(text);
        aWriter.writeTextElement(QStringLiteral("text"), cleaned);
        logTextAndCodes(cleaned, text);
    }
    aWriter.writeEndElement();
    if (mSms) {
        // Line breaks stay: the phone shows the message as it was written.
        message.mText = text;
        mSms->write(message);
    }
}

void MessagesExporter::readParticipants(ExportDatabase& aDatabase, Queries& aQueries)
{
    ExportQuery query(aDatabase);
    if (!query.exec(kParticipantSelection)) {
        logValue("Participant selection error", query.lastError());
        return;
    }
    while (query.next()) {
        aQueries.participants[query.text(QStringLiteral("message_id"))].append(
            query.text(QStringLiteral("participant")));
    }
}

void MessagesExporter::readAttachments(ExportDatabase& aDatabase, Queries& aQueries)
{
    ExportQuery query(aDatabase);
    if (!query.exec(kAttachmentSelection)) {
        aQueries.attachmentError = query.lastError();
        return;
    }
    aQueries.attachmentsRead = true;
    while (query.next()) {
        aQueries.attachments[query.text(QStringLiteral("message_id"))].append(
            {query.text(QStringLiteral("filename")), query.text(QStringLiteral("mime_type"))});
    }
}

void MessagesExporter::writeAttachments(const QString& aRowId, const Queries& aQueries,
                                        ExportXmlWriter& aWriter, PhoneMessage& aMessage)
{
    const auto found = aQueries.attachments.constFind(aRowId);
    if (found == aQueries.attachments.constEnd())
        return;
    for (const Queries::Attachment& attachment : found.value()) {
        QString name = attachment.fileName;
        if (name.size() >= 3 && name.startsWith(QLatin1String("~/")))
            name.remove(0, 2);
        const QString file = messageFile(name);
        if (file.isNull())
            continue;
        const QByteArray jpeg = ExportPicture::scaledJpeg(attachment.mimeType, file);
        if (jpeg.isNull())
            continue;
        ExportPicture::writeAttachment(aWriter, attachment.mimeType, jpeg);
        if (mSms)
            aMessage.mPictures.append(jpeg);
    }
}

void MessagesExporter::writePieces(const QString& aRowId, ExportQuery& aQuery, QString& aText,
                                   ExportXmlWriter& aWriter, PhoneMessage& aMessage)
{
    aQuery.bindValue(QStringLiteral(":rowid"), aRowId);
    if (!aQuery.exec()) {
        logValue("Selection error", aQuery.lastError());
        return;
    }
    while (aQuery.next()) {
        const QString contentType = aQuery.text(QStringLiteral("content_type"));
        const QByteArray data = aQuery.bytes(QStringLiteral("data"));
        if (data.isNull()) {
            const QString key = aRowId + QLatin1Char('-') + aQuery.text(QStringLiteral("part_id"))
                                + QStringLiteral(".jpg");
            const QString file = messageFile(key);
            const QByteArray jpeg =
                file.isNull() ? QByteArray() : ExportPicture::scaledJpeg(contentType, file);
            if (!jpeg.isNull()) {
                ExportPicture::writeAttachment(aWriter, contentType, jpeg);
                if (mSms)
                    aMessage.mPictures.append(jpeg);
            }
        } else if (contentType != QLatin1String("text/plain")) {
            const QByteArray jpeg = ExportPicture::pictureJpeg(contentType, data);
            if (!jpeg.isNull()) {
                ExportPicture::writeAttachment(aWriter, contentType, jpeg);
                if (mSms)
                    aMessage.mPictures.append(jpeg);
            }
        } else {
            if (!aText.isEmpty())
                aText += QLatin1Char(' ');
            else if (aText.isNull())
                aText = QLatin1String("");
            aText += pieceText(data);
        }
    }
}

QString MessagesExporter::messageFile(const QString& aKey) const
{
    if (aKey.isEmpty())
        return QString();
    auto found = mMessageFiles.constFind(aKey);
    if (found != mMessageFiles.constEnd())
        return found.value();
    // Some databases name attachments by their absolute place on the phone.
    static const QString kPhoneHome = QStringLiteral("/var/mobile/");
    if (aKey.startsWith(kPhoneHome)) {
        found = mMessageFiles.constFind(aKey.mid(kPhoneHome.size()));
        if (found != mMessageFiles.constEnd())
            return found.value();
    }
    // The backup file list may separate the components with backslashes.
    if (aKey.contains(QLatin1Char('/'))) {
        QString windowsKey = aKey.startsWith(kPhoneHome) ? aKey.mid(kPhoneHome.size()) : aKey;
        found = mMessageFiles.constFind(windowsKey.replace(QLatin1Char('/'), QLatin1Char('\\')));
        if (found != mMessageFiles.constEnd())
            return found.value();
    }
    return QString();
}
