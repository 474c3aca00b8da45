#include "backup/NoteStoreFixture.h"

#include <zlib.h>

namespace {

// Key of a protobuf field: number and wire type.
void appendVarint(QByteArray& aOut, quint64 aValue)
{
    do {
        quint8 byte = aValue & 0x7F;
        aValue >>= 7;
        if (aValue)
            byte |= 0x80;
        aOut.append(char(byte));
    } while (aValue);
}

void appendKey(QByteArray& aOut, int aField, int aWireType)
{
    appendVarint(aOut, (quint64(aField) << 3) | quint64(aWireType));
}

void appendVarintField(QByteArray& aOut, int aField, quint64 aValue)
{
    appendKey(aOut, aField, 0);
    appendVarint(aOut, aValue);
}

void appendBytesField(QByteArray& aOut, int aField, const QByteArray& aBytes)
{
    appendKey(aOut, aField, 2);
    appendVarint(aOut, quint64(aBytes.size()));
    aOut.append(aBytes);
}

void appendFixed32Field(QByteArray& aOut, int aField, quint32 aValue)
{
    appendKey(aOut, aField, 5);
    for (int i = 0; i < 4; ++i)
        aOut.append(char((aValue >> (8 * i)) & 0xFF));
}

void appendFixed64Field(QByteArray& aOut, int aField, quint64 aValue)
{
    appendKey(aOut, aField, 1);
    for (int i = 0; i < 8; ++i)
        aOut.append(char((aValue >> (8 * i)) & 0xFF));
}

QString createObjects(NoteStoreFixture::Version aVersion)
{
    QString sql = QStringLiteral(
        "CREATE TABLE ZICCLOUDSYNCINGOBJECT (Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER,"
        " Z_OPT INTEGER, ZMARKEDFORDELETION INTEGER, ZISPASSWORDPROTECTED INTEGER,"
        " ZFOLDERTYPE INTEGER, ZACCOUNT2 INTEGER, ZFOLDER INTEGER, ZNOTEDATA INTEGER,"
        " ZCREATIONDATE TIMESTAMP, ZCREATIONDATE1 TIMESTAMP,");
    if (aVersion == NoteStoreFixture::Version::Ios16)
        sql += QStringLiteral(" ZCREATIONDATE2 TIMESTAMP, ZCREATIONDATE3 TIMESTAMP,");
    return sql + QStringLiteral(
        " ZMODIFICATIONDATE1 TIMESTAMP, ZIDENTIFIER VARCHAR, ZNAME VARCHAR, ZSNIPPET VARCHAR,"
        " ZTITLE1 VARCHAR, ZTITLE2 VARCHAR)");
}

} // namespace

QByteArray NoteStoreFixture::document(const QString& aText)
{
    const QByteArray utf8 = aText.toUtf8();
    // The note: its text, one attribute run covering it, and fields of other wire types that
    // a reader has to step over.
    QByteArray run;
    appendVarintField(run, 1, quint64(aText.size()));
    QByteArray style;
    appendVarintField(style, 1, 0);
    appendBytesField(run, 2, style);
    QByteArray note;
    appendFixed32Field(note, 1, 0xDEADBEEF);
    appendBytesField(note, 2, utf8);
    appendFixed64Field(note, 4, 0x0123456789ABCDEFULL);
    appendBytesField(note, 5, run);
    QByteArray doc;
    appendVarintField(doc, 2, 0); // version (a varint field 2, unlike the one wanted)
    appendBytesField(doc, 3, note);
    QByteArray store;
    appendVarintField(store, 1, 0);
    appendBytesField(store, 2, doc);
    return store;
}

QByteArray NoteStoreFixture::compress(const QByteArray& aData, Compression aCompression)
{
    z_stream stream{};
    const int bits = aCompression == Compression::Gzip ? 15 + 16 : 15;
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, bits, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return QByteArray();
    QByteArray out(int(deflateBound(&stream, uLong(aData.size()))) + 32, Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(aData.data()));
    stream.avail_in = uInt(aData.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    const int status = deflate(&stream, Z_FINISH);
    out.truncate(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return status == Z_STREAM_END ? out : QByteArray();
}

QByteArray NoteStoreFixture::body(const QString& aText, Compression aCompression)
{
    return compress(document(aText), aCompression);
}

NoteStoreFixture::NoteStoreFixture(const QString& aPath, Version aVersion)
    : mDb(aPath, ExportFixtureDatabase::File::Replace), mVersion(aVersion)
{
    if (!mDb.isOpen()) {
        mOk = false;
        return;
    }
    run(QStringLiteral("CREATE TABLE Z_PRIMARYKEY (Z_ENT INTEGER PRIMARY KEY, Z_NAME VARCHAR,"
                       " Z_SUPER INTEGER, Z_MAX INTEGER)"),
        {});
    run(QStringLiteral("CREATE TABLE Z_METADATA (Z_VERSION INTEGER PRIMARY KEY,"
                       " Z_UUID VARCHAR(255), Z_PLIST BLOB)"),
        {});
    run(createObjects(aVersion), {});
    run(QStringLiteral("CREATE TABLE ZICNOTEDATA (Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER,"
                       " Z_OPT INTEGER, ZNOTE INTEGER, ZCRYPTOINITIALIZATIONVECTOR BLOB,"
                       " ZCRYPTOTAG BLOB, ZDATA BLOB)"),
        {});
    run(QStringLiteral("CREATE INDEX ZICNOTEDATA_ZNOTE_INDEX ON ZICNOTEDATA (ZNOTE)"), {});
    const QList<std::pair<qint64, QString>> entities = {
        {1, QStringLiteral("ICCloudSyncingObject")}, {5, QStringLiteral("ICAttachment")},
        {noteEntity() - 1, QStringLiteral("ICAccount")}, {noteEntity(), QStringLiteral("ICNote")},
        {folderEntity(), QStringLiteral("ICFolder")}, {19, QStringLiteral("ICNoteData")}};
    for (const auto& [number, name] : entities)
        run(QStringLiteral("INSERT INTO Z_PRIMARYKEY (Z_ENT, Z_NAME, Z_SUPER, Z_MAX)"
                           " VALUES (?, ?, 1, 0)"),
            {number, name});
    // The account and its default folder.
    run(QStringLiteral("INSERT INTO ZICCLOUDSYNCINGOBJECT (Z_ENT, Z_OPT, ZNAME, ZIDENTIFIER)"
                       " VALUES (?, 1, 'iCloud', 'ACCOUNT')"),
        {noteEntity() - 1});
    mDefaultFolder = addFolder(QStringLiteral("Notes"), 0);
}

qint64 NoteStoreFixture::noteEntity() const
{
    return mVersion == Version::Ios13 ? 11 : 12;
}

qint64 NoteStoreFixture::folderEntity() const
{
    return mVersion == Version::Ios13 ? 14 : 15;
}

bool NoteStoreFixture::run(const QString& aSql, const QVariantList& aValues)
{
    if (!mDb.exec(aSql, aValues))
        mOk = false;
    return mOk;
}

qint64 NoteStoreFixture::addFolder(const QString& aTitle, int aType)
{
    if (!run(QStringLiteral("INSERT INTO ZICCLOUDSYNCINGOBJECT (Z_ENT, Z_OPT, ZFOLDERTYPE,"
                            " ZACCOUNT2, ZTITLE2, ZMARKEDFORDELETION) VALUES (?, 1, ?, 1, ?, 0)"),
             {folderEntity(), aType, aTitle}))
        return -1;
    return mDb.lastId();
}

qint64 NoteStoreFixture::addNote(const Note& aNote)
{
    const QString created = mVersion == Version::Ios13 ? QStringLiteral("ZCREATIONDATE1")
                                                       : QStringLiteral("ZCREATIONDATE3");
    if (!run(QStringLiteral("INSERT INTO ZICCLOUDSYNCINGOBJECT (Z_ENT, Z_OPT,"
                            " ZMARKEDFORDELETION, ZISPASSWORDPROTECTED, ZFOLDER, ")
                 + created
                 + QStringLiteral(", ZMODIFICATIONDATE1, ZSNIPPET, ZTITLE1) VALUES (?, 1, ?, ?, ?,"
                                  " ?, ?, ?, ?)"),
             {noteEntity(), aNote.markedForDeletion ? 1 : 0, aNote.locked ? 1 : 0,
              aNote.folder ? aNote.folder : mDefaultFolder, aNote.created, aNote.modified,
              aNote.snippet, aNote.title}))
        return -1;
    const qint64 note = mDb.lastId();
    QVariant data = aNote.text;
    if (data.typeId() == QMetaType::QString)
        data = body(data.toString());
    if (aNote.locked)
        data = QByteArray("\x9a\x11\xee encrypted, not protobuf", 26);
    if (!run(QStringLiteral("INSERT INTO ZICNOTEDATA (Z_ENT, Z_OPT, ZNOTE, ZDATA)"
                            " VALUES (19, 1, ?, ?)"),
             {note, data}))
        return -1;
    run(QStringLiteral("UPDATE ZICCLOUDSYNCINGOBJECT SET ZNOTEDATA = ? WHERE Z_PK = ?"),
        {mDb.lastId(), note});
    return note;
}
