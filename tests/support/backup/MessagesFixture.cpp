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
                                  "is_read, service) VALUES (?, ?, ?, ?, ?, ?, 'SMS')"),
                   {guid, aMessage.text, aMessage.handle, aMessage.date, aMessage.isFromMe,
                    aMessage.isRead})
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
