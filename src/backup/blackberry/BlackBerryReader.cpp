#include "backup/blackberry/BlackBerryReader.h"

#include "app/DebugLog.h"
#include "backup/blackberry/BackupDatabaseRegistry.h"
#include "backup/blackberry/BlackBerryAddressBookWriter.h"
#include "backup/blackberry/BlackBerryArchive.h"
#include "backup/blackberry/BlackBerryMessagesWriter.h"
#include "backup/blackberry/IpdFileReader.h"
#include "backup/PhoneFiles.h"
#include "backup/PhoneFilesReadme.h"
#include "backup/SmsBackupWriter.h"
#include "backup/VCardWriter.h"

#include <QDateTime>

#include <QDir>
#include <QFileInfo>

namespace {

const QString kSmsDatabase = QStringLiteral("SMS Messages");
const QString kAddressBookDatabase = QStringLiteral("Address Book - All");

// A plain file, not a link: the unpacked archive came from outside.
bool isPlainFile(const QString& aPath)
{
    const QFileInfo info(aPath);
    return info.isFile() && !info.isSymLink();
}

} // namespace

bool BlackBerryReader::isBlackBerryBackup(const QString& aBackupPath)
{
    return aBackupPath.endsWith(QLatin1String("bbb"))
           || (aBackupPath.size() >= 5 && aBackupPath.endsWith(QLatin1String("ipd")));
}

QStringList BlackBerryReader::databaseFiles(const QString& aBackupFilePath,
                                            const QString& aWorkingFolder, bool& aUnpacked)
{
    aUnpacked = isPlainFile(aWorkingFolder + QStringLiteral("Manifest.xml"));
    if (!aUnpacked)
        return {aBackupFilePath};
    QStringList files;
    const QString databases = aWorkingFolder + QStringLiteral("Databases/");
    if (QFileInfo(databases).isSymLink())
        return files;
    for (int number = 1;; ++number) {
        const QString path = databases + QString::number(number) + QStringLiteral(".dat");
        if (!isPlainFile(path))
            break;
        files.append(path);
    }
    return files;
}

void BlackBerryReader::readBlackBerryBackup(const QString& aBackupFilePath,
                                            const QString& aWorkingFolder, int aFlags,
                                            const QString& aPhoneFilesFolder,
                                            const HelperWait::CancelCheck& aCancelled)
{
    LogScope scope("BlackBerryReader::readBlackBerryBackup");
    logValue("backupFilePath", aBackupFilePath);
    logValue("flags", aFlags);
    copyToLogFolder(aBackupFilePath, QStringLiteral("blackberry_database_file"));
    if (aBackupFilePath.size() >= 5 && aBackupFilePath.endsWith(QLatin1String("bbb"))
        && !BlackBerryArchive::unpack(aBackupFilePath, aWorkingFolder, aCancelled)
        && aCancelled && aCancelled()) {
        logMessage("Cancelled while unpacking");
        return;
    }

    BackupDatabaseRegistry registry;
    bool unpacked = false;
    const QStringList files = databaseFiles(aBackupFilePath, aWorkingFolder, unpacked);
    if (unpacked)
        registry.add(QStringLiteral("Null-database"));
    QDir().mkpath(aWorkingFolder);

    IpdFileReader reader(registry);
    for (const QString& file : files)
        reader.readFile(file);

    const bool phoneFiles = !aPhoneFilesFolder.isEmpty() && QDir().mkpath(aPhoneFilesFolder);
    if (const BackupDatabase* sms = registry.find(kSmsDatabase)) {
        SmsBackupWriter smsFile(aPhoneFilesFolder + QLatin1Char('/')
                                + PhoneFiles::smsFileName(QDateTime::currentDateTime()));
        if (phoneFiles && (aFlags & kMessages) && !smsFile.open())
            logValue("Could not create", smsFile.path());
        const int result = BlackBerryMessagesWriter::write(
            *sms, aWorkingFolder + QStringLiteral("messages.xml"), &smsFile);
        if (!smsFile.finish())
            QFile::remove(smsFile.path());
        logValue("messages", result);
    }
    if (const BackupDatabase* contacts = registry.find(kAddressBookDatabase)) {
        VCardWriter cards(aPhoneFilesFolder + QLatin1Char('/') + PhoneFiles::kContacts);
        if (phoneFiles && (aFlags & kAddressBook) && !cards.open())
            logValue("Could not create", cards.path());
        const int result = BlackBerryAddressBookWriter::write(
            *contacts, aWorkingFolder + QStringLiteral("address.xml"), &cards);
        if (!cards.finish())
            QFile::remove(cards.path());
        logValue("addressBook", result);
    }
    if (phoneFiles)
        PhoneFilesReadme::write(aPhoneFilesFolder);
}
