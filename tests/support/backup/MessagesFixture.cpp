#include "backup/MessagesFixture.h"

namespace {

const QStringList kOlderTables = {
    QStringLiteral(
        "CREATE TABLE message (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, address TEXT, "
        "date INTEGER, text TEXT, flags INTEGER, replace INTEGER, svc_center TEXT, "
        "group_id INTEGER, association_id INTEGER, height INTEGER, UIFlags INTEGER, "
        "version INTEGER, subject TEXT, country TEXT, headers BLOB, recipients BLOB, read INTEGER)"),
    QStringLiteral(
        "CREATE TABLE msg_pieces (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, message_id INTEGER, "
        "data BLOB, part_id INTEGER, preview_part INTEGER, content_type TEXT, height INTEGER, "
        "version INTEGER, flags INTEGER, content_loc TEXT, headers BLOB)"),
    QStringLiteral("CREATE TABLE msg_group (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, "
                   "type INTEGER, newest_message INTEGER, unread_count INTEGER, hash INTEGER)"),
    QStringLiteral("CREATE INDEX pieces_message_index ON msg_pieces(message_id)"),
};

const QStringList kNewerTables = {
    QStringLiteral("CREATE TABLE handle (ROWID INTEGER PRIMARY KEY AUTOINCREMENT UNIQUE, "
                   "id TEXT NOT NULL, country TEXT, service TEXT NOT NULL, "
                   "uncanonicalized_id TEXT, person_centric_id TEXT, UNIQUE (id, service))"),
    QStringLiteral(
        "CREATE TABLE message (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, guid TEXT UNIQUE NOT NULL, "
        "text TEXT, replace INTEGER DEFAULT 0, service_center TEXT, handle_id INTEGER DEFAULT 0, "
        "subject TEXT, country TEXT, attributedBody BLOB, version INTEGER DEFAULT 0, "
        "type INTEGER DEFAULT 0, service TEXT, account TEXT, account_guid TEXT, "
        "error INTEGER DEFAULT 0, date INTEGER, date_read INTEGER, date_delivered INTEGER, "
        "is_delivered INTEGER DEFAULT 0, is_finished INTEGER DEFAULT 0, "
        "is_emote INTEGER DEFAULT 0, is_from_me INTEGER DEFAULT 0, is_empty INTEGER DEFAULT 0, "
        "is_delayed INTEGER DEFAULT 0, is_auto_reply INTEGER DEFAULT 0, "
        "is_prepared INTEGER DEFAULT 0, is_read INTEGER DEFAULT 0, "
        "is_system_message INTEGER DEFAULT 0, is_sent INTEGER DEFAULT 0, "
        "has_dd_results INTEGER DEFAULT 0, is_service_message INTEGER DEFAULT 0, "
        "is_forward INTEGER DEFAULT 0, was_downgraded INTEGER DEFAULT 0, "
        "is_archive INTEGER DEFAULT 0, cache_has_attachments INTEGER DEFAULT 0, "
        "cache_roomnames TEXT, was_data_detected INTEGER DEFAULT 0, "
        "was_deduplicated INTEGER DEFAULT 0, is_audio_message INTEGER DEFAULT 0, "
        "is_played INTEGER DEFAULT 0, date_played INTEGER, item_type INTEGER DEFAULT 0, "
        "other_handle INTEGER DEFAULT 0, group_title TEXT, group_action_type INTEGER DEFAULT 0, "
        "share_status INTEGER DEFAULT 0, share_direction INTEGER DEFAULT 0, "
        "is_expirable INTEGER DEFAULT 0, expire_state INTEGER DEFAULT 0, "
        "message_action_type INTEGER DEFAULT 0, message_source INTEGER DEFAULT 0)"),
    QStringLiteral(
        "CREATE TABLE attachment (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, guid TEXT UNIQUE NOT "
        "NULL, created_date INTEGER DEFAULT 0, start_date INTEGER DEFAULT 0, filename TEXT, "
        "uti TEXT, mime_type TEXT, transfer_state INTEGER DEFAULT 0, "
        "is_outgoing INTEGER DEFAULT 0, user_info BLOB, transfer_name TEXT, "
        "total_bytes INTEGER DEFAULT 0, is_sticker INTEGER DEFAULT 0, sticker_user_info BLOB, "
        "attribution_info BLOB, hide_attachment INTEGER DEFAULT 0)"),
    QStringLiteral("CREATE TABLE message_attachment_join (message_id INTEGER REFERENCES message "
                   "(ROWID) ON DELETE CASCADE, attachment_id INTEGER REFERENCES attachment "
                   "(ROWID) ON DELETE CASCADE, UNIQUE(message_id, attachment_id))"),
    QStringLiteral("CREATE TABLE chat (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, guid TEXT UNIQUE "
                   "NOT NULL, style INTEGER, state INTEGER, account_id TEXT, properties BLOB, "
                   "chat_identifier TEXT, service_name TEXT, room_name TEXT)"),
    QStringLiteral("CREATE TABLE chat_message_join (chat_id INTEGER REFERENCES chat (ROWID) ON "
                   "DELETE CASCADE, message_id INTEGER REFERENCES message (ROWID) ON DELETE "
                   "CASCADE, message_date INTEGER DEFAULT 0, PRIMARY KEY (chat_id, message_id))"),
    QStringLiteral("CREATE TABLE chat_handle_join (chat_id INTEGER REFERENCES chat (ROWID) ON "
                   "DELETE CASCADE, handle_id INTEGER REFERENCES handle (ROWID) ON DELETE "
                   "CASCADE, UNIQUE(chat_id, handle_id))"),
    QStringLiteral("CREATE INDEX chat_message_join_idx_message_id_only ON "
                   "chat_message_join(message_id)"),
    QStringLiteral("CREATE INDEX message_idx_handle ON message(handle_id, date)"),
};

} // namespace

MessagesFixture::MessagesFixture(const QString& aPath, Layout aLayout) : mDb(aPath, ExportFixtureDatabase::File::Replace)
{
    mOk = mDb.isOpen() && mDb.execAll(aLayout == Layout::Older ? kOlderTables : kNewerTables);
}

qint64 MessagesFixture::addMessage(const OlderMessage& aMessage)
{
    mOk = mDb.exec(QStringLiteral("INSERT INTO message (address, date, text, flags, read, "
                                  "recipients) VALUES (?, ?, ?, ?, ?, ?)"),
                   {aMessage.address, aMessage.date, aMessage.text, aMessage.flags, aMessage.read,
                    aMessage.recipients})
          && mOk;
    return mDb.lastId();
}

void MessagesFixture::addPiece(qint64 aMessage, int aPartId, const QString& aContentType,
                               const QVariant& aData)
{
    mOk = mDb.exec(QStringLiteral("INSERT INTO msg_pieces (message_id, data, part_id, "
                                  "content_type) VALUES (?, ?, ?, ?)"),
                   {aMessage, aData, aPartId, aContentType})
          && mOk;
}

qint64 MessagesFixture::addHandle(const QString& aId)
{
    mOk = mDb.exec(QStringLiteral("INSERT INTO handle (id, country, service) VALUES (?, 'us', "
                                  "'SMS')"),
                   {aId})
          && mOk;
    return mDb.lastId();
}

qint64 MessagesFixture::addMessage(const NewerMessage& aMessage)
{
    const QString guid = QStringLiteral("M-%1").arg(++mGuid);
    mOk = mDb.exec(QStringLiteral("INSERT INTO message (guid, text, handle_id, date, is_from_me, "
                                  "is_read, service, attributedBody) "
                                  "VALUES (?, ?, ?, ?, ?, ?, 'SMS', ?)"),
                   {guid, aMessage.text, aMessage.handle, aMessage.date, aMessage.isFromMe,
                    aMessage.isRead, aMessage.attributedBody})
          && mOk;
    return mDb.lastId();
}

qint64 MessagesFixture::addAttachment(qint64 aMessage, const QVariant& aFileName,
                                      const QVariant& aMimeType)
{
    const QString guid = QStringLiteral("A-%1").arg(++mGuid);
    mOk = mDb.exec(QStringLiteral("INSERT INTO attachment (guid, filename, mime_type) "
                                  "VALUES (?, ?, ?)"),
                   {guid, aFileName, aMimeType})
          && mOk;
    const qint64 attachment = mDb.lastId();
    mOk = mDb.exec(QStringLiteral("INSERT INTO message_attachment_join (message_id, "
                                  "attachment_id) VALUES (?, ?)"),
                   {aMessage, attachment})
          && mOk;
    return attachment;
}

QByteArray MessagesFixture::recipientsPlist(const QStringList& aNumbers)
{
    QByteArray xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
        "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
        "<plist version=\"1.0\">\n<array>\n";
    for (const QString& number : aNumbers)
        xml += "\t<string>" + number.toHtmlEscaped().toUtf8() + "</string>\n";
    xml += "</array>\n</plist>\n";
    return xml;
}

qint64 MessagesFixture::addChat(const QString& aIdentifier, const QList<qint64>& aHandles)
{
    const QString guid = QStringLiteral("iMessage;+;%1").arg(aIdentifier);
    mOk = mDb.exec(QStringLiteral("INSERT INTO chat (guid, style, state, chat_identifier, "
                                  "service_name) VALUES (?, 43, 3, ?, 'iMessage')"),
                   {guid, aIdentifier})
          && mOk;
    const qint64 chat = mDb.lastId();
    for (qint64 handle : aHandles)
        mOk = mDb.exec(QStringLiteral("INSERT INTO chat_handle_join (chat_id, handle_id) "
                                      "VALUES (?, ?)"),
                       {chat, handle})
              && mOk;
    return chat;
}

void MessagesFixture::addToChat(qint64 aChat, qint64 aMessage)
{
    mOk = mDb.exec(QStringLiteral("INSERT INTO chat_message_join (chat_id, message_id) "
                                  "VALUES (?, ?)"),
                   {aChat, aMessage})
          && mOk;
}

namespace {

// A typedstream length: one byte, or 0x81/0x82 with 16 or 32 bits, least significant first.
QByteArray streamLength(qsizetype aLength)
{
    QByteArray out;
    if (aLength < 0x80) {
        out.append(char(aLength));
    } else if (aLength <= 0xFFFF) {
        out.append(char(0x81));
        out.append(char(aLength & 0xFF));
        out.append(char((aLength >> 8) & 0xFF));
    } else {
        out.append(char(0x82));
        for (int shift = 0; shift < 32; shift += 8)
            out.append(char((aLength >> shift) & 0xFF));
    }
    return out;
}

} // namespace

QByteArray MessagesFixture::attributedBody(const QString& aText)
{
    const QByteArray utf8 = aText.toUtf8();
    QByteArray blob;
    const auto raw = [&blob](std::initializer_list<int> aBytes) {
        for (int byte : aBytes)
            blob.append(char(byte));
    };
    const auto name = [&blob](const char* aName) { blob.append(aName); };
    raw({0x04, 0x0B});
    name("streamtyped");
    raw({0x81, 0xE8, 0x03, 0x84, 0x01, 0x40, 0x84, 0x84, 0x84, 0x12});
    name("NSAttributedString");
    raw({0x00, 0x84, 0x84, 0x08});
    name("NSObject");
    raw({0x00, 0x85, 0x92, 0x84, 0x84, 0x84, 0x08});
    name("NSString");
    raw({0x01, 0x94, 0x84, 0x01, 0x2B});
    blob += streamLength(utf8.size()) + utf8;
    // One attribute run over the whole text (its length in UTF-16 units).
    raw({0x86, 0x84, 0x02});
    name("iI");
    raw({0x01});
    blob += streamLength(aText.size());
    raw({0x92, 0x84, 0x84, 0x84, 0x0C});
    name("NSDictionary");
    raw({0x00, 0x94, 0x84, 0x01, 0x69, 0x01, 0x92, 0x84, 0x96, 0x96, 0x1D});
    name("__kIMMessagePartAttributeName");
    raw({0x86, 0x92, 0x84, 0x84, 0x84, 0x08});
    name("NSNumber");
    raw({0x00, 0x84, 0x84, 0x07});
    name("NSValue");
    raw({0x00, 0x94, 0x84, 0x01, 0x2A, 0x84, 0x99, 0x99, 0x00, 0x86, 0x86, 0x86});
    return blob;
}
