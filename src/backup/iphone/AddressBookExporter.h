#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

class ExportDatabase;
class ExportQuery;
class ExportXmlWriter;
class VCardWriter;
struct ContactCard;

// Writes the persons of the backup's address book databases as the "address_book" document of
// the companion app: names, birthday, phone numbers, e-mail and postal addresses, web pages and
// the contact picture from the separate images database.
class AddressBookExporter
{
public:
    // aDatabases: the unpacked AddressBook.sqlitedb files, in order; aImagesDatabase: the unpacked
    // AddressBookImages.sqlitedb, or empty when the backup has none.
    AddressBookExporter(const QStringList& aDatabases, const QString& aImagesDatabase);

    // Writes the document to aOutputPath (none when it is empty). Returns ExportResult::Ok,
    // DatabaseNotOpened, DatabaseInvalid, SelectionFailed or OutputNotOpened.
    int generate(const QString& aOutputPath);

    // Each person also becomes a card of aCards (opened by the caller; not owned).
    void setCardWriter(VCardWriter* aCards) { mCards = aCards; }

    // The day of a stored birthday (the moment's date in UTC, which the address book keeps at
    // noon UTC); invalid for text that is no number.
    static QDate birthdayDate(const QString& aBirthday);

    // Seconds since 1970 (less 12 hours, so that the day survives any time zone) for a stored
    // birthday in seconds since 2001-01-01. Text that is no finite number counts as 0.
    static qint64 unixBirthday(const QString& aBirthday);

    // Element and attribute names of the document for the stored codes and labels.
    static QString multiValueElement(const QString& aProperty);
    static QString labelType(const QString& aLabel);
    static QString entryElement(const QString& aKey);

    static constexpr qint64 kBirthdayOffset = 978264000;
    static constexpr qint64 kAppleEpoch = 978307200;

private:
    struct Queries;

    void loadMultiValues(ExportDatabase& aDatabase, Queries& aQueries);
    void writePersons(ExportDatabase& aDatabase, ExportQuery& aPersons, Queries& aQueries,
                      ExportXmlWriter& aWriter);
    void writePerson(ExportQuery& aPerson, Queries& aQueries, ExportXmlWriter& aWriter);
    // Returns false when the multi-values could not be read.
    bool writeMultiValues(const QString& aRowId, Queries& aQueries, ExportXmlWriter& aWriter,
                          ContactCard& aCard);
    void writeEntries(const QString& aUid, Queries& aQueries, ExportXmlWriter& aWriter,
                      ContactCard& aCard, const QString& aLabel);
    void writePhoto(const QString& aRowId, Queries& aQueries, ExportXmlWriter& aWriter,
                    ContactCard& aCard);

    QStringList mDatabases;
    QString mImagesDatabase;
    VCardWriter* mCards = nullptr;
};
