#include "backup/blackberry/BlackBerryAddressBookWriter.h"

#include "app/DebugLog.h"
#include "backup/blackberry/BackupDatabase.h"
#include "backup/ContactCard.h"
#include "backup/blackberry/ContactSubfieldDecoder.h"
#include "backup/ExportResult.h"
#include "backup/ExportXmlWriter.h"
#include "backup/VCardWriter.h"

ContactCard BlackBerryAddressBookWriter::card(const QList<PersonItem>& aItems)
{
    ContactCard card;
    for (const PersonItem& item : aItems) {
        if (item.mName == QLatin1String("first_name")) {
            card.mFirst = item.mValue;
        } else if (item.mName == QLatin1String("middle_name")) {
            card.mMiddle = item.mValue;
        } else if (item.mName == QLatin1String("last_name")) {
            card.mLast = item.mValue;
        } else if (item.mName == QLatin1String("organization")) {
            card.mOrganization = item.mValue;
        } else if (item.mName == QLatin1String("phone")) {
            card.mPhones.append({item.mType, item.mValue});
        } else if (item.mName == QLatin1String("email")) {
            // The backup knows one kind of address only.
            card.mEmails.append({QString(), item.mValue});
        } else if (item.mName == QLatin1String("url")) {
            card.mUrls.append({QString(), item.mValue});
        } else if (item.mName == QLatin1String("address")) {
            ContactCard::Address address;
            address.mLabel = item.mType;
            for (const auto& entry : item.mEntries) {
                QString* part = entry.first == QLatin1String("street")   ? &address.mStreet
                                : entry.first == QLatin1String("city")    ? &address.mCity
                                : entry.first == QLatin1String("state")   ? &address.mState
                                : entry.first == QLatin1String("zip")     ? &address.mZip
                                : entry.first == QLatin1String("country") ? &address.mCountry
                                                                           : nullptr;
                // Two street lines (subfields 35 and 36) make one street.
                if (part)
                    *part = part->isEmpty() ? entry.second : *part + u'\n' + entry.second;
            }
            card.mAddresses.append(address);
        }
    }
    return card;
}

int BlackBerryAddressBookWriter::write(const BackupDatabase& aDatabase,
                                       const QString& aOutputPath, VCardWriter* aCards)
{
    LogScope scope("BlackBerryReader::writeAddressBook");
    ExportXmlWriter writer(aOutputPath);
    if (!aOutputPath.isEmpty() && writer.open(QStringLiteral("address_book")) != ExportResult::Ok)
        return ExportResult::OutputNotOpened;
    const QString person = QStringLiteral("person");
    const QString type = QStringLiteral("type");
    const QString value = QStringLiteral("value");
    for (const BackupRecord& record : aDatabase.mRecords) {
        writer.writeStartElement(person);
        const QList<PersonItem> items = ContactSubfieldDecoder::person(record);
        if (aCards)
            aCards->write(card(items));
        for (const PersonItem& item : items) {
            if (item.mType.isNull()) {
                writer.writeTextElement(item.mName, item.mValue);
                continue;
            }
            writer.writeStartElement(item.mName);
            writer.writeAttribute(type, item.mType);
            writer.writeAttribute(value, item.mValue);
            for (const auto& entry : item.mEntries)
                writer.writeTextElement(entry.first, entry.second);
            writer.writeEndElement();
        }
        writer.writeEndElement();
    }
    return writer.finish() ? ExportResult::Ok : ExportResult::OutputNotOpened;
}
