#include "backup/NotesFixture.h"

namespace {

const char* const kOlderSchema[] = {
    "CREATE TABLE _SqliteDatabaseProperties (key TEXT, value TEXT, UNIQUE(key))",
    "CREATE TABLE Note (creation_date INTEGER, title TEXT, summary TEXT, contains_cjk INTEGER,"
    " modification_date INTEGER)",
    "CREATE TABLE note_bodies (note_id INTEGER, data, UNIQUE(note_id))",
};

// Core Data's tables as the phone's notes store has them (the columns that matter, and enough
// of the others to make the rows realistic).
const char* const kNewerSchema[] = {
    "CREATE TABLE Z_METADATA (Z_VERSION INTEGER PRIMARY KEY, Z_UUID VARCHAR(255), Z_PLIST BLOB)",
    "CREATE TABLE Z_PRIMARYKEY (Z_ENT INTEGER PRIMARY KEY, Z_NAME VARCHAR, Z_SUPER INTEGER,"
    " Z_MAX INTEGER)",
    "CREATE TABLE ZSTORE (Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER,"
    " ZEXTERNALIDENTIFIER VARCHAR, ZNAME VARCHAR)",
    "CREATE TABLE ZNOTE (Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER,"
    " ZCONTAINSCJK INTEGER, ZCONTENTTYPE INTEGER, ZDELETEDFLAG INTEGER, ZEXTERNALFLAGS INTEGER,"
    " ZEXTERNALSERVERINTID INTEGER, ZINTEGERID INTEGER, ZISBOOKKEEPINGENTRY INTEGER,"
    " ZBODY INTEGER, ZSTORE INTEGER, ZCREATIONDATE TIMESTAMP, ZMODIFICATIONDATE TIMESTAMP,"
    " ZAUTHOR VARCHAR, ZEXTERNALCONTENTREF VARCHAR, ZEXTERNALREPRESENTATION BLOB,"
    " ZGUID VARCHAR, ZSERVERID VARCHAR, ZSUMMARY VARCHAR, ZTITLE VARCHAR)",
    "CREATE TABLE ZNOTEBODY (Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER,"
    " ZOWNER INTEGER, ZCONTENT VARCHAR, ZEXTERNALCONTENTREF VARCHAR,"
    " ZEXTERNALREPRESENTATION BLOB)",
};

} // namespace

NotesFixture::NotesFixture(const QString& aPath, Layout aLayout)
    : mDb(aPath, ExportFixtureDatabase::File::Replace), mLayout(aLayout)
{
    if (!mDb.isOpen()) {
        mOk = false;
        return;
    }
    if (aLayout == Layout::Older) {
        for (const char* statement : kOlderSchema)
            run(QString::fromLatin1(statement), {});
    } else {
        for (const char* statement : kNewerSchema)
            run(QString::fromLatin1(statement), {});
        run(QStringLiteral("INSERT INTO ZSTORE (Z_PK, Z_ENT, Z_OPT, ZNAME) VALUES (1, 4, 1,"
                           " 'Local')"),
            {});
    }
}

bool NotesFixture::run(const QString& aSql, const QVariantList& aValues, qint64* aInsertId)
{
    if (!mDb.exec(aSql, aValues)) {
        mOk = false;
        return false;
    }
    if (aInsertId)
        *aInsertId = mDb.lastId();
    return true;
}

qint64 NotesFixture::addNote(const Note& aNote)
{
    qint64 key = -1;
    if (mLayout == Layout::Older) {
        if (!run(QStringLiteral("INSERT INTO Note (creation_date, title, summary, contains_cjk,"
                                " modification_date) VALUES (?, ?, ?, 0, ?)"),
                 {aNote.creationDate, aNote.title, aNote.summary, aNote.modificationDate}, &key))
            return -1;
        run(QStringLiteral("INSERT INTO note_bodies (note_id, data) VALUES (?, ?)"),
            {key, aNote.body});
        return key;
    }
    qint64 body = -1;
    if (!run(QStringLiteral("INSERT INTO ZNOTEBODY (Z_ENT, Z_OPT, ZCONTENT) VALUES (3, 1, ?)"),
             {aNote.body}, &body))
        return -1;
    if (!run(QStringLiteral("INSERT INTO ZNOTE (Z_ENT, Z_OPT, ZCONTAINSCJK, ZCONTENTTYPE,"
                            " ZDELETEDFLAG, ZBODY, ZSTORE, ZCREATIONDATE, ZMODIFICATIONDATE,"
                            " ZSUMMARY, ZTITLE) VALUES (2, 1, 0, 0, 0, ?, 1, ?, ?, ?, ?)"),
             {body, aNote.creationDate, aNote.modificationDate, aNote.summary, aNote.title}, &key))
        return -1;
    run(QStringLiteral("UPDATE ZNOTEBODY SET ZOWNER = ? WHERE Z_PK = ?"), {key, body});
    return key;
}

bool NotesFixture::exec(const QString& aSql)
{
    return run(aSql, {});
}
