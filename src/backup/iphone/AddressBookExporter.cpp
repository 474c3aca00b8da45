#include "backup/iphone/AddressBookExporter.h"

#include "app/DebugLog.h"
#include "backup/iphone/ExportDatabase.h"
#include "backup/ExportResult.h"
#include "backup/ExportXmlWriter.h"
#include "backup/ContactCard.h"
#include "backup/VCardWriter.h"

#include <QDateTime>

#include <QHash>

#include <cmath>
#include <optional>

namespace {

const QString kPersonSelection = QStringLiteral("SELECT * FROM ABPerson");
// The multi-values and their entries are read once per database, in the order that the lookup
// of one person (by record_id) or one multi-value (by parent_id) through the phone's indexes
// gives, instead of one selection per person and per multi-value.
const QString kMultiValueSelection = QStringLiteral(
    "SELECT *, ABMultiValueLabel.value AS label_value FROM ABMultiValue "
    "LEFT OUTER JOIN ABMultiValueLabel ON ABMultiValue.label=ABMultiValueLabel.rowid "
    "ORDER BY ABMultiValue.record_id, ABMultiValue.rowid");
const QString kEntrySelection = QStringLiteral(
    "SELECT *, ABMultiValueEntryKey.value AS key_value FROM ABMultiValueEntry "
    "LEFT OUTER JOIN ABMultiValueEntryKey ON ABMultiValueEntry.key=ABMultiValueEntryKey.rowid "
    "ORDER BY ABMultiValueEntry.parent_id, ABMultiValueEntry.key");
// Later phones keep contact pictures in ABThumbnailImage, earlier ones in ABImage.
const QString kThumbnailSelection =
    QStringLiteral("SELECT * FROM ABThumbnailImage WHERE record_id=:rowid AND format='0'");
const QString kImageSelection =
    QStringLiteral("SELECT * FROM ABImage WHERE record_id=:rowid AND format='0'");

} // namespace

// What one database gives for its persons: the multi-values by person, their entries by
// multi-value, and the picture statements run per person.
struct AddressBookExporter::Queries
{
    struct MultiValue
    {
        QString property;
        QString label;
        QString value;
        QString uid;
    };
    struct Entry
    {
        QString key;
        QString value;
    };

    explicit Queries(ExportDatabase& aImages) : thumbnails(aImages), images(aImages) {}

    // Empty when the selection ran; else the log line and the driver's text.
    const char* multiValueFailure = nullptr;
    QString multiValueError;
    QHash<QString, QList<MultiValue>> multiValues;
    const char* entryFailure = nullptr;
    QString entryError;
    QHash<QString, QList<Entry>> entries;

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

QDate AddressBookExporter::birthdayDate(const QString& aBirthday)
{
    bool ok = false;
    const float seconds = aBirthday.trimmed().toFloat(&ok);
    if (!ok || !std::isfinite(seconds) || std::fabs(seconds) >= 9.0e18f)
        return QDate();
    return QDateTime::fromSecsSinceEpoch(unixBirthday(aBirthday) + (kAppleEpoch - kBirthdayOffset),
                                         Qt::UTC)
        .date();
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
    if (!aOutputPath.isEmpty() && writer.open(QStringLiteral("address_book")) != ExportResult::Ok) {
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
                Queries queries(images);
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
                writePersons(database, persons, queries, writer);
            }
        }
        images.close();
        database.close();
    }

    // A file that could not be written completely (a full disk) is no success.
    if (!writer.finish()) {
        logMessage("Error writing XML file");
        if (result == ExportResult::Ok)
            result = ExportResult::OutputNotOpened;
    }
    logReturn(result);
    return result;
}

void AddressBookExporter::loadMultiValues(ExportDatabase& aDatabase, Queries& aQueries)
{
    ExportQuery values(aDatabase);
    if (!values.prepare(kMultiValueSelection)) {
        aQueries.multiValueFailure = "SQL Prepare Error";
        aQueries.multiValueError = values.lastError();
    } else if (!values.exec()) {
        aQueries.multiValueFailure = "SQL Query Error";
        aQueries.multiValueError = values.lastError();
    } else {
        while (values.next()) {
            aQueries.multiValues[values.text(QStringLiteral("record_id"))].append(
                {values.text(QStringLiteral("property")), values.text(QStringLiteral("label_value")),
                 values.text(QStringLiteral("value")), values.text(QStringLiteral("UID"))});
        }
    }

    ExportQuery entries(aDatabase);
    if (!entries.prepare(kEntrySelection)) {
        aQueries.entryFailure = "SQL prepare error 2";
        aQueries.entryError = entries.lastError();
    } else if (!entries.exec()) {
        aQueries.entryFailure = "SQL query error 2";
        aQueries.entryError = entries.lastError();
    } else {
        while (entries.next()) {
            aQueries.entries[entries.text(QStringLiteral("parent_id"))].append(
                {entries.text(QStringLiteral("key_value")), entries.text(QStringLiteral("value"))});
        }
    }
}

void AddressBookExporter::writePersons(ExportDatabase& aDatabase, ExportQuery& aPersons,
                                       Queries& aQueries, ExportXmlWriter& aWriter)
{
    loadMultiValues(aDatabase, aQueries);
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

    ContactCard card;
    if (mCards) {
        card.mFirst = first;
        card.mLast = last;
        card.mMiddle = middle;
        card.mOrganization = organization;
        card.mPrefix = aPerson.text(QStringLiteral("Prefix"));
        card.mSuffix = aPerson.text(QStringLiteral("Suffix"));
        card.mNickname = aPerson.text(QStringLiteral("Nickname"));
        card.mTitle = aPerson.text(QStringLiteral("JobTitle"));
        card.mDepartment = aPerson.text(QStringLiteral("Department"));
        card.mNote = aPerson.text(QStringLiteral("Note"));
        if (!birthday.isNull())
            card.mBirthday = birthdayDate(birthday);
    }

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

    if (writeMultiValues(rowId, aQueries, aWriter, card) && aQueries.picturesWanted)
        writePhoto(rowId, aQueries, aWriter, card);
    aWriter.writeEndElement();
    if (mCards)
        mCards->write(card);
}

bool AddressBookExporter::writeMultiValues(const QString& aRowId, Queries& aQueries,
                                           ExportXmlWriter& aWriter, ContactCard& aCard)
{
    if (aQueries.multiValueFailure) {
        logValue(aQueries.multiValueFailure, aQueries.multiValueError);
        return false;
    }
    const auto found = aQueries.multiValues.constFind(aRowId);
    if (found == aQueries.multiValues.constEnd())
        return true;
    for (const Queries::MultiValue& value : found.value()) {
        if (value.property.isNull())
            continue;
        aWriter.writeStartElement(multiValueElement(value.property));
        aWriter.writeAttribute(QStringLiteral("type"), labelType(value.label));
        aWriter.writeAttribute(QStringLiteral("value"),
                               value.value.isNull() ? QLatin1String("") : value.value);
        if (mCards) {
            if (value.property == QLatin1String("3"))
                aCard.mPhones.append({value.label, value.value});
            else if (value.property == QLatin1String("4"))
                aCard.mEmails.append({value.label, value.value});
            else if (value.property == QLatin1String("22"))
                aCard.mUrls.append({value.label, value.value});
        }
        writeEntries(value.uid, aQueries, aWriter, aCard,
                     value.property == QLatin1String("5") ? value.label : QString());
        aWriter.writeEndElement();
    }
    return true;
}

void AddressBookExporter::writeEntries(const QString& aUid, Queries& aQueries,
                                       ExportXmlWriter& aWriter, ContactCard& aCard,
                                       const QString& aLabel)
{
    // A postal address (aLabel not null) is one address of the card, its entries the parts.
    ContactCard::Address* address = nullptr;
    if (mCards && !aLabel.isNull()) {
        aCard.mAddresses.append({aLabel, {}, {}, {}, {}, {}});
        address = &aCard.mAddresses.last();
    }
    if (aQueries.entryFailure) {
        logValue(aQueries.entryFailure, aQueries.entryError);
        return;
    }
    const auto found = aQueries.entries.constFind(aUid);
    if (found == aQueries.entries.constEnd())
        return;
    for (const Queries::Entry& entry : found.value()) {
        aWriter.writeTextElement(entryElement(entry.key), entry.value);
        if (!address)
            continue;
        if (entry.key == QLatin1String("Street"))
            address->mStreet = entry.value;
        else if (entry.key == QLatin1String("City"))
            address->mCity = entry.value;
        else if (entry.key == QLatin1String("State"))
            address->mState = entry.value;
        else if (entry.key == QLatin1String("ZIP"))
            address->mZip = entry.value;
        else if (entry.key == QLatin1String("Country"))
            address->mCountry = entry.value;
    }
}

void AddressBookExporter::writePhoto(const QString& aRowId, Queries& aQueries,
                                     ExportXmlWriter& aWriter, ContactCard& aCard)
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
    if (mCards)
        aCard.mPhoto = *data;
}
