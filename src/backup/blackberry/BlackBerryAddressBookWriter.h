#pragma once

#include <QList>
#include <QString>

struct BackupDatabase;
struct ContactCard;
struct PersonItem;
class VCardWriter;

// Writes address.xml from the records of a BlackBerry "Address Book - All" database, in the
// vocabulary of the iPhone address book export: one "person" per record.
class BlackBerryAddressBookWriter
{
public:
    // Returns ExportResult::Ok, or ExportResult::OutputNotOpened when the file cannot be
    // opened or written.
    // Each person also becomes a card of aCards when given (opened by the caller). No
    // address.xml is written when aOutputPath is empty.
    static int write(const BackupDatabase& aDatabase, const QString& aOutputPath,
                     VCardWriter* aCards = nullptr);

    // The card of one person's items.
    static ContactCard card(const QList<PersonItem>& aItems);
};
