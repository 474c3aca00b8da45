#pragma once

#include <QString>
#include <QStringList>

class ExportDatabase;
class ExportQuery;
class ExportXmlWriter;

// Writes the persons of the backup's address book databases as the "address_book" document of
// the companion app: names, birthday, phone numbers, e-mail and postal addresses, web pages and
// the contact picture from the separate images database.
class AddressBookExporter
{
public:
    // aDatabases: the unpacked AddressBook.sqlitedb files, in order; aImagesDatabase: the unpacked
    // AddressBookImages.sqlitedb, or empty when the backup has none.
    AddressBookExporter(const QStringList& aDatabases, const QString& aImagesDatabase);

    // Writes the document to aOutputPath. Returns ExportResult::Ok, DatabaseNotOpened,
    // DatabaseInvalid, SelectionFailed or OutputNotOpened.
    int generate(const QString& aOutputPath);

    // Seconds since 1970 (less 12 hours, so that the day survives any time zone) for a stored
    // birthday in seconds since 2001-01-01. Text that is no finite number counts as 0.
    static qint64 unixBirthday(const QString& aBirthday);

    // Element and attribute names of the document for the stored codes and labels.
    static QString multiValueElement(const QString& aProperty);
    static QString labelType(const QString& aLabel);
    static QString entryElement(const QString& aKey);

    static constexpr qint64 kBirthdayOffset = 978264000;

private:
    struct Queries;

    void loadMultiValues(ExportDatabase& aDatabase, Queries& aQueries);
    void writePersons(ExportDatabase& aDatabase, ExportQuery& aPersons, Queries& aQueries,
                      ExportXmlWriter& aWriter);
    void writePerson(ExportQuery& aPerson, Queries& aQueries, ExportXmlWriter& aWriter);
    // Returns false when the multi-values could not be read.
    bool writeMultiValues(const QString& aRowId, Queries& aQueries, ExportXmlWriter& aWriter);
    void writeEntries(const QString& aUid, Queries& aQueries, ExportXmlWriter& aWriter);
    void writePhoto(const QString& aRowId, Queries& aQueries, ExportXmlWriter& aWriter);

    QStringList mDatabases;
    QString mImagesDatabase;
};
