#pragma once

#include "app/HelperWait.h"

#include <QString>
#include <QStringList>

// Reads a BlackBerry backup (an ".ipd" database file, or a ".bbb" archive of ".dat" database
// files) and writes messages.xml and address.xml into the working folder, in the vocabularies
// of the iPhone exports, each only when its database is in the backup.
class BlackBerryReader
{
public:
    // Transfer flags of the sync engine (the files are written whatever they say).
    static constexpr int kMessages = 1;
    static constexpr int kAddressBook = 2;
    static constexpr int kPhotos = 4;

    // aWorkingFolder ends in a separator. Holds every record of the backup in memory until both
    // files are written. With aPhoneFilesFolder the address book also goes there as
    // contacts.vcf and the messages as an SMS Backup & Restore file, each only when its
    // database is in the backup and aFlags asks for it, with a README. When aCancelled says so
    // while an archive is unpacked, nothing is written.
    static void readBlackBerryBackup(const QString& aBackupFilePath,
                                     const QString& aWorkingFolder, int aFlags,
                                     const QString& aPhoneFilesFolder = QString(),
                                     const HelperWait::CancelCheck& aCancelled = {});

    // Whether a backup path names a BlackBerry backup rather than an iPhone backup folder.
    static bool isBlackBerryBackup(const QString& aBackupPath);

    // The database files to read: those of an unpacked archive in aWorkingFolder
    // ("Databases/1.dat", "2.dat", ... up to the first missing number), else the backup file.
    static QStringList databaseFiles(const QString& aBackupFilePath,
                                     const QString& aWorkingFolder, bool& aUnpacked);
};
