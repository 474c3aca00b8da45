#pragma once

#include <QString>

struct BackupDatabase;

// Writes address.xml from the records of a BlackBerry "Address Book - All" database, in the
// vocabulary of the iPhone address book export: one "person" per record.
class BlackBerryAddressBookWriter
{
public:
    // Returns ExportResult::Ok, or ExportResult::OutputNotOpened when the file cannot be
    // opened or written.
    static int write(const BackupDatabase& aDatabase, const QString& aOutputPath);
};
