#include "backup/BlackBerryReader.h"

#include "app/DebugLog.h"
#include "backup/BackupDatabaseRegistry.h"
#include "backup/BlackBerryAddressBookWriter.h"
#include "backup/BlackBerryArchive.h"
#include "backup/BlackBerryMessagesWriter.h"
#include "backup/IpdFileReader.h"

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
                                            const QString& aWorkingFolder, int aFlags)
{
    LogScope scope("BlackBerryReader::readBlackBerryBackup");
    logValue("backupFilePath", aBackupFilePath);
    logValue("flags", aFlags);
    copyToLogFolder(aBackupFilePath, QStringLiteral("blackberry_database_file"));
    if (aBackupFilePath.size() >= 5 && aBackupFilePath.endsWith(QLatin1String("bbb")))
        BlackBerryArchive::unpack(aBackupFilePath, aWorkingFolder);

    BackupDatabaseRegistry registry;
    bool unpacked = false;
    const QStringList files = databaseFiles(aBackupFilePath, aWorkingFolder, unpacked);
    if (unpacked)
        registry.add(QStringLiteral("Null-database"));
    QDir().mkpath(aWorkingFolder);

    IpdFileReader reader(registry);
    for (const QString& file : files)
        reader.readFile(file);

    if (const BackupDatabase* sms = registry.find(kSmsDatabase)) {
        const int result =
            BlackBerryMessagesWriter::write(*sms, aWorkingFolder + QStringLiteral("messages.xml"));
        logValue("messages", result);
    }
    if (const BackupDatabase* contacts = registry.find(kAddressBookDatabase)) {
        const int result = BlackBerryAddressBookWriter::write(
            *contacts, aWorkingFolder + QStringLiteral("address.xml"));
        logValue("addressBook", result);
    }
}
