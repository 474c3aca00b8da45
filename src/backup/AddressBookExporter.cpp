#include "backup/AddressBookExporter.h"

#include "app/DebugLog.h"
#include "backup/ExportDatabase.h"
#include "backup/ExportResult.h"
#include "backup/ExportXmlWriter.h"

#include <cmath>
#include <optional>

namespace {

const QString kPersonSelection = QStringLiteral("SELECT * FROM ABPerson");
const QString kMultiValueSelection = QStringLiteral(
    "SELECT *, ABMultiValueLabel.value AS label_value FROM ABMultiValue "
    "LEFT OUTER JOIN ABMultiValueLabel ON ABMultiValue.label=ABMultiValueLabel.rowid "
    "WHERE ABMultiValue.record_id=:rowid");
const QString kEntrySelection = QStringLiteral(
    "SELECT *, ABMultiValueEntryKey.value AS key_value FROM ABMultiValueEntry "
    "LEFT OUTER JOIN ABMultiValueEntryKey ON ABMultiValueEntry.key=ABMultiValueEntryKey.rowid "
    "WHERE ABMultiValueEntry.parent_id=:uid");
// Later phones keep contact pictures in ABThumbnailImage, earlier ones in ABImage.
const QString kThumbnailSelection =
    QStringLiteral("SELECT * FROM ABThumbnailImage WHERE record_id=:rowid AND format='0'");
const QString kImageSelection =
    QStringLiteral("SELECT * FROM ABImage WHERE record_id=:rowid AND format='0'");

} // namespace

// The per-person statements of one database, prepared once and run for every person.
struct AddressBookExporter::Queries
{
    Queries(ExportDatabase& aDatabase, ExportDatabase& aImages)
        : multiValues(aDatabase), entries(aDatabase), thumbnails(aImages), images(aImages)
    {
    }
    ExportQuery multiValues;
    bool multiValuesPrepared = false;
    ExportQuery entries;
    bool entriesPrepared = false;
    bool picturesWanted = false;
    ExportQuery thumbnails;
    bool thumbnailsPrepared = false;
    ExportQuery images;
    bool imagesPrepared = false;
};

AddressBookExporter::AddressBookExporter(const QStringList& aDatabases,
                                         const QString& aImagesDatabase)
    : mDatabases(aDatabases), mImagesDatabase(aImagesDatabase)
{
}

qint64 AddressBookExporter::unixBirthday(const QString& aBirthday)
{
    // Stored as text; read with single precision as the address book itself does.
    bool ok = false;
    const float seconds = aBirthday.trimmed().toFloat(&ok);
    qint64 whole = 0;
    if (ok && std::isfinite(seconds) && std::fabs(seconds) < 9.0e18f)
        whole = qint64(seconds);
    return whole + kBirthdayOffset;
}

QString AddressBookExporter::multiValueElement(const QString& aProperty)
{
    if (aProperty == QLatin1String("3"))
        return QStringLiteral("phone");
    if (aProperty == QLatin1String("4"))
        return QStringLiteral("email");
    if (aProperty == QLatin1String("5"))
        return QStringLiteral("address");
    if (aProperty == QLatin1String("22"))
        return QStringLiteral("url");
    return QStringLiteral("unknown");
}

QString AddressBookExporter::labelType(const QString& aLabel)
{
    if (aLabel == QLatin1String("_$!<Home>!$_"))
        return QStringLiteral("home");
    if (aLabel == QLatin1String("_$!<Work>!$_"))
        return QStringLiteral("work");
    if (aLabel == QLatin1String("_$!<HomePage>!$_"))
        return QStringLiteral("homepage");
    if (aLabel == QLatin1String("_$!<Main>!$_"))
        return QStringLiteral("main");
    if (aLabel == QLatin1String("_$!<Mobile>!$_"))
        return QStringLiteral("mobile");
    return QLatin1String("");
}

QString AddressBookExporter::entryElement(const QString& aKey)
{
    if (aKey == QLatin1String("Street"))
        return QStringLiteral("street");
    if (aKey == QLatin1String("City"))
        return QStringLiteral("city");
    if (aKey == QLatin1String("State"))
        return QStringLiteral("state");
    if (aKey == QLatin1String("ZIP"))
        return QStringLiteral("zip");
    if (aKey == QLatin1String("Country"))
        return QStringLiteral("country");
    if (aKey == QLatin1String("CountryCode"))
        return QStringLiteral("country_code");
    return QStringLiteral("unknown");
}

int AddressBookExporter::generate(const QString& aOutputPath)
{
    LogScope scope("AddressBookExporter::generate");
    int result = ExportResult::Ok;

    ExportXmlWriter writer(aOutputPath);
    if (writer.open(QStringLiteral("address_book")) != ExportResult::Ok) {
        logValue("Unable to open XML file", aOutputPath);
        result = ExportResult::OutputNotOpened;
    }

    for (int n = 0; n < mDatabases.size(); ++n) {
        ExportDatabase database(mDatabases.at(n));
        ExportDatabase images(mImagesDatabase);
        {
            int opened = ExportResult::DatabaseNotOpened;
            if (result == ExportResult::Ok) {
                copyToLogFolder(database.path(), QStringLiteral("addressbook%1.db").arg(n));
                opened = database.open();
                if (opened == ExportResult::DatabaseNotOpened) {
                    logValue("Could not open database", database.path());
                    logValue("Error", database.errorText());
                    result = ExportResult::DatabaseNotOpened;
                } else {
                    logValue("Opened database", database.path());
                }
            }

            ExportQuery persons(database);
            if (!database.isOpen() || !persons.exec(kPersonSelection)) {
                logValue("Selection error",
                         database.isOpen() ? persons.lastError() : database.errorText());
                result = ExportResult::SelectionFailed;
            } else if (result == ExportResult::Ok) {
                if (opened == ExportResult::Ok) {
                    logMessage("Database is valid");
                } else {
                    logMessage("Invalid database");
                    result = ExportResult::DatabaseInvalid;
                }
            }

            if (result == ExportResult::Ok) {
                Queries queries(database, images);
                copyToLogFolder(images.path(), QStringLiteral("addressbookimages.db"));
                const int imagesOpened = images.open();
                if (imagesOpened == ExportResult::Ok) {
                    logValue("Opened images database", images.path());
                    logMessage("Database is valid");
                    queries.picturesWanted = true;
                } else if (imagesOpened == ExportResult::DatabaseInvalid) {
                    logMessage("Invalid images database");
                } else {
                    logValue("Could not open images database", images.path());
                    logValue("Error", images.errorText());
                }
                writePersons(persons, queries, writer);
            }
        }
        images.close();
        database.close();
    }

    if (!writer.finish())
        logMessage("Error writing XML file");
    logReturn(result);
    return result;
}

void AddressBookExporter::writePersons(ExportQuery& aPersons, Queries& aQueries,
                                       ExportXmlWriter& aWriter)
{
    aQueries.multiValuesPrepared = aQueries.multiValues.prepare(kMultiValueSelection);
    aQueries.entriesPrepared = aQueries.entries.prepare(kEntrySelection);
    if (aQueries.picturesWanted) {
        aQueries.thumbnailsPrepared = aQueries.thumbnails.prepare(kThumbnailSelection);
        if (!aQueries.thumbnailsPrepared)
            aQueries.imagesPrepared = aQueries.images.prepare(kImageSelection);
    }
    while (aPersons.next())
        writePerson(aPersons, aQueries, aWriter);
}

void AddressBookExporter::writePerson(ExportQuery& aPerson, Queries& aQueries,
                                      ExportXmlWriter& aWriter)
{
    const QString first = aPerson.text(QStringLiteral("First"));
    const QString last = aPerson.text(QStringLiteral("Last"));
    const QString middle = aPerson.text(QStringLiteral("Middle"));
    const QString organization = aPerson.text(QStringLiteral("Organization"));
    const QString birthday = aPerson.text(QStringLiteral("Birthday"));
    const QString rowId = aPerson.text(QStringLiteral("ROWID"));

    aWriter.writeStartElement(QStringLiteral("person"));
    if (!first.isNull())
        aWriter.writeTextElement(QStringLiteral("first_name"), first);
    if (!middle.isNull())
        aWriter.writeTextElement(QStringLiteral("middle_name"), middle);
    if (!last.isNull())
        aWriter.writeTextElement(QStringLiteral("last_name"), last);
    if (!organization.isNull())
        aWriter.writeTextElement(QStringLiteral("organization"), organization);
    if (!birthday.isNull())
        aWriter.writeTextElement(QStringLiteral("birthday"),
                                 QString::number(unixBirthday(birthday)));

    if (writeMultiValues(rowId, aQueries, aWriter) && aQueries.picturesWanted)
        writePhoto(rowId, aQueries, aWriter);
    aWriter.writeEndElement();
}

bool AddressBookExporter::writeMultiValues(const QString& aRowId, Queries& aQueries,
                                           ExportXmlWriter& aWriter)
{
    ExportQuery& values = aQueries.multiValues;
    if (!aQueries.multiValuesPrepared) {
        logValue("SQL Prepare Error", values.lastError());
        return false;
    }
    values.bindValue(QStringLiteral(":rowid"), aRowId);
    if (!values.exec()) {
        logValue("SQL Query Error", values.lastError());
        return false;
    }
    while (values.next()) {
        const QString property = values.text(QStringLiteral("property"));
        if (property.isNull())
            continue;
        aWriter.writeStartElement(multiValueElement(property));
        aWriter.writeAttribute(QStringLiteral("type"),
                               labelType(values.text(QStringLiteral("label_value"))));
        const QString value = values.text(QStringLiteral("value"));
        aWriter.writeAttribute(QStringLiteral("value"), value.isNull() ? QLatin1String("") : value);
        writeEntries(values.text(QStringLiteral("UID")), aQueries, aWriter);
        aWriter.writeEndElement();
    }
    return true;
}

void AddressBookExporter::writeEntries(const QString& aUid, Queries& aQueries,
                                       ExportXmlWriter& aWriter)
{
    ExportQuery& entries = aQueries.entries;
    if (!aQueries.entriesPrepared) {
        logValue("SQL prepare error 2", entries.lastError());
        return;
    }
    entries.bindValue(QStringLiteral(":uid"), aUid);
    if (!entries.exec()) {
        logValue("SQL query error 2", entries.lastError());
        return;
    }
    while (entries.next())
        aWriter.writeTextElement(entryElement(entries.text(QStringLiteral("key_value"))),
                                 entries.text(QStringLiteral("value")));
}

void AddressBookExporter::writePhoto(const QString& aRowId, Queries& aQueries,
                                     ExportXmlWriter& aWriter)
{
    std::optional<QByteArray> data;
    bool ran = false;
    if (aQueries.thumbnailsPrepared) {
        aQueries.thumbnails.bindValue(QStringLiteral(":rowid"), aRowId);
        ran = aQueries.thumbnails.exec();
        if (ran && aQueries.thumbnails.next())
            data = aQueries.thumbnails.bytes(QStringLiteral("data"));
    }
    if (!ran) {
        logValue("Image query selection error", aQueries.thumbnails.lastError());
        logMessage("Trying with ABImage table name");
        if (aQueries.imagesPrepared) {
            aQueries.images.bindValue(QStringLiteral(":rowid"), aRowId);
            ran = aQueries.images.exec();
            if (ran && aQueries.images.next())
                data = aQueries.images.bytes(QStringLiteral("data"));
        }
        if (!ran) {
            logValue("Image query selection error", aQueries.images.lastError());
            return;
        }
    }
    if (!data)
        return;
    logMessage("We have a contact image");
    aWriter.writeTextElement(QStringLiteral("photo"), QString::fromLatin1(data->toBase64()));
}
