#include "backup/AddressBookFixture.h"

namespace {

const QStringList kOlderTables = {
    QStringLiteral(
        "CREATE TABLE ABPerson (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, First TEXT, Last TEXT, "
        "Middle TEXT, FirstPhonetic TEXT, MiddlePhonetic TEXT, LastPhonetic TEXT, "
        "Organization TEXT, Department TEXT, Note TEXT, Kind INTEGER, Birthday TEXT, "
        "JobTitle TEXT, Nickname TEXT, Prefix TEXT, Suffix TEXT, FirstSort TEXT, LastSort TEXT, "
        "CreationDate INTEGER, ModificationDate INTEGER, CompositeNameFallback TEXT)"),
    QStringLiteral("CREATE TABLE ABMultiValue (UID INTEGER PRIMARY KEY, record_id INTEGER, "
                   "property INTEGER, identifier INTEGER, label INTEGER, value TEXT)"),
    QStringLiteral("CREATE TABLE ABMultiValueLabel (value TEXT, UNIQUE(value))"),
    QStringLiteral("CREATE TABLE ABMultiValueEntry (parent_id INTEGER, key INTEGER, value TEXT, "
                   "UNIQUE(parent_id, key))"),
    QStringLiteral("CREATE TABLE ABMultiValueEntryKey (value TEXT, UNIQUE(value))"),
    QStringLiteral("CREATE INDEX ABMultiValueRecordIDIndex ON ABMultiValue(record_id)"),
};

const QStringList kNewerTables = {
    QStringLiteral(
        "CREATE TABLE ABPerson (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, First TEXT, Last TEXT, "
        "Middle TEXT, FirstPhonetic TEXT, MiddlePhonetic TEXT, LastPhonetic TEXT, "
        "Organization TEXT, Department TEXT, Note TEXT, Kind INTEGER, Birthday TEXT, "
        "JobTitle TEXT, Nickname TEXT, Prefix TEXT, Suffix TEXT, FirstSort TEXT, LastSort TEXT, "
        "CreationDate INTEGER, ModificationDate INTEGER, CompositeNameFallback TEXT, "
        "ExternalIdentifier TEXT, ExternalModificationTag TEXT, ExternalUUID TEXT, "
        "StoreID INTEGER, DisplayName TEXT, ExternalRepresentation BLOB, "
        "FirstSortSection TEXT, LastSortSection TEXT, "
        "FirstSortLanguageIndex INTEGER DEFAULT 2147483647, "
        "LastSortLanguageIndex INTEGER DEFAULT 2147483647, PersonLink INTEGER DEFAULT -1, "
        "ImageURI TEXT, IsPreferredName INTEGER DEFAULT 1, guid TEXT DEFAULT (ab_generate_guid()), "
        "PhonemeData TEXT, AlternateBirthday TEXT, MapsData TEXT, FirstPronunciation TEXT, "
        "MiddlePronunciation TEXT, LastPronunciation TEXT, OrganizationPhonetic TEXT, "
        "OrganizationPronunciation TEXT, PreviousFamilyName TEXT, PreferredLikenessSource TEXT, "
        "PreferredPersonaIdentifier TEXT, ImageType TEXT, ImageHash BLOB, "
        "MemojiMetadata BLOB, Downtime INTEGER)"),
    QStringLiteral("CREATE TABLE ABMultiValue (UID INTEGER PRIMARY KEY, record_id INTEGER, "
                   "property INTEGER, identifier INTEGER, label INTEGER, value TEXT, guid TEXT)"),
    QStringLiteral("CREATE TABLE ABMultiValueLabel (value TEXT, UNIQUE(value))"),
    QStringLiteral("CREATE TABLE ABMultiValueEntry (parent_id INTEGER, key INTEGER, value TEXT, "
                   "UNIQUE(parent_id, key))"),
    QStringLiteral("CREATE TABLE ABMultiValueEntryKey (value TEXT, UNIQUE(value))"),
    QStringLiteral("CREATE INDEX ABMultiValueRecordIDIndex ON ABMultiValue(record_id)"),
    QStringLiteral("CREATE TABLE ABGroup (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, Name TEXT)"),
};

} // namespace

AddressBookFixture::AddressBookFixture(const QString& aPath, Layout aLayout)
    : mDb(aPath, ExportFixtureDatabase::File::Replace), mLayout(aLayout)
{
    QStringList tables = aLayout == Layout::Older ? kOlderTables : kNewerTables;
    // The phone fills guid through a function of its own; the fixture gives plain defaults.
    for (QString& statement : tables)
        statement.replace(QStringLiteral("(ab_generate_guid())"), QStringLiteral("''"));
    mOk = mDb.isOpen() && mDb.execAll(tables);
}

qint64 AddressBookFixture::addPerson(const Person& aPerson)
{
    mOk = mDb.exec(QStringLiteral("INSERT INTO ABPerson (First, Last, Middle, Organization, "
                                  "Birthday, Kind) VALUES (?, ?, ?, ?, ?, 0)"),
                   {aPerson.first, aPerson.last, aPerson.middle, aPerson.organization,
                    aPerson.birthday})
          && mOk;
    return mDb.lastId();
}

qint64 AddressBookFixture::addMultiValue(qint64 aPerson, const QVariant& aProperty,
                                         const QVariant& aLabel, const QVariant& aValue)
{
    if (aLabel.isValid()) {
        mOk = mDb.exec(QStringLiteral("INSERT OR IGNORE INTO ABMultiValueLabel (value) VALUES (?)"),
                       {aLabel})
              && mOk;
    }
    if (aLabel.isValid()) {
        mOk = mDb.exec(QStringLiteral("INSERT INTO ABMultiValue (record_id, property, identifier, "
                                      "label, value) VALUES (?, ?, 0, "
                                      "(SELECT rowid FROM ABMultiValueLabel WHERE value = ?), ?)"),
                       {aPerson, aProperty, aLabel, aValue})
              && mOk;
    } else {
        mOk = mDb.exec(QStringLiteral("INSERT INTO ABMultiValue (record_id, property, identifier, "
                                      "label, value) VALUES (?, ?, 0, NULL, ?)"),
                       {aPerson, aProperty, aValue})
              && mOk;
    }
    return mDb.lastId();
}

void AddressBookFixture::addEntry(qint64 aMultiValue, const QString& aKey, const QVariant& aValue)
{
    mOk = mDb.exec(QStringLiteral("INSERT OR IGNORE INTO ABMultiValueEntryKey (value) VALUES (?)"),
                   {aKey})
          && mDb.exec(QStringLiteral("INSERT INTO ABMultiValueEntry (parent_id, key, value) VALUES "
                                     "(?, (SELECT rowid FROM ABMultiValueEntryKey WHERE value = ?), ?)"),
                      {aMultiValue, aKey, aValue})
          && mOk;
}

bool AddressBookFixture::createImages(const QString& aPath, Layout aLayout)
{
    ExportFixtureDatabase db(aPath, ExportFixtureDatabase::File::Replace);
    if (aLayout == Layout::Older)
        return db.exec(QStringLiteral("CREATE TABLE ABImage (record_id INTEGER, format INTEGER, "
                                      "data BLOB, UNIQUE(record_id, format))"));
    return db.execAll({QStringLiteral("CREATE TABLE ABThumbnailImage (record_id INTEGER, "
                                      "format INTEGER, derived_from_format INTEGER, "
                                      "width INTEGER, height INTEGER, padding INTEGER, data BLOB, "
                                      "UNIQUE(record_id, format))"),
                       QStringLiteral("CREATE TABLE ABFullSizeImage (record_id INTEGER, "
                                      "crop_x INTEGER, crop_y INTEGER, crop_width INTEGER, "
                                      "crop_height INTEGER, data BLOB, UNIQUE(record_id))")});
}

bool AddressBookFixture::addImage(const QString& aPath, Layout aLayout, qint64 aPerson,
                                  int aFormat, const QVariant& aData)
{
    ExportFixtureDatabase db(aPath);
    const QString table = aLayout == Layout::Older ? QStringLiteral("ABImage")
                                                   : QStringLiteral("ABThumbnailImage");
    return db.exec(QStringLiteral("INSERT INTO %1 (record_id, format, data) VALUES (?, ?, ?)")
                       .arg(table),
                   {aPerson, aFormat, aData});
}
