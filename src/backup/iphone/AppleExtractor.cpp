#include "backup/iphone/AppleExtractor.h"

#include "app/DebugLog.h"
#include "app/HelperLookup.h"
#include "backup/iphone/BackupDiscovery.h"
#include "backup/iphone/AddressBookExporter.h"
#include "backup/iphone/CalendarExporter.h"
#include "backup/iphone/MessagesExporter.h"
#include "backup/iphone/NotesExporter.h"
#include "backup/iphone/PhoneFilesExport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTextStream>
#include <QThread>

namespace {

const QString kBackupFileList = QStringLiteral("backup_file_list");

// Longest time to wait for the file list when the tool has exited without one; the tool we
// ship finishes its writing before it exits, so normally there is no wait at all.
constexpr int kDefaultSettleMs = 3000;

QString withSeparator(const QString& aPath)
{
    return aPath.endsWith(QLatin1Char('/')) ? aPath : aPath + QLatin1Char('/');
}

// A file of the user's test folder (Desktop/CDZ/test) replaces aPath when it exists.
QString testOverride(const QString& aName, const QString& aPath)
{
    const QString candidate = DebugLog::defaultFolder() + QStringLiteral("/test/") + aName;
    return QFileInfo::exists(candidate) ? candidate : aPath;
}

QString extractionTool()
{
    return HelperLookup::find(QStringLiteral("new_extract/extract"),
                              QStringLiteral("pellmar-extract"));
}

// Empties and recreates the working folder. Refuses folders whose removal would be a disaster
// (an empty path, the file system root, the home folder).
bool resetWorkingFolder(const QString& aWorkingFolder)
{
    const QString clean = QDir::cleanPath(QDir(aWorkingFolder).absolutePath());
    if (aWorkingFolder.isEmpty() || clean == QLatin1String("/")
        || clean == QDir::cleanPath(QDir::homePath())) {
        logValue("Refusing to use working folder", aWorkingFolder);
        return false;
    }
    // A link in its place is removed itself: emptying it would empty the folder it points to.
    // Links inside are removed, never followed (removeRecursively).
    const QFileInfo info(clean);
    if (info.isSymLink() || (info.exists() && !info.isDir())) {
        logValue("Working folder is not a folder; removing only the entry", clean);
        if (!QFile::remove(clean)) {
            logValue("Failed to remove", clean);
            return false;
        }
    } else if (info.isDir() && !QDir(clean).removeRecursively()) {
        logValue("Failed to remove working folder", clean);
    }
    if (!QDir().mkpath(clean)) {
        logValue("Failed to create working folder", clean);
        return false;
    }
    // What is unpacked there, decrypted or not, is the owner's alone.
    QFile::setPermissions(clean, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                     | QFileDevice::ExeOwner);
    return true;
}

// The tool's exit codes for a password that does not open the backup, and for none at all.
constexpr int kToolWrongPassword = 4;
constexpr int kToolNoPassword = 5;

// Starts the tool and hands it the password on standard input; the pipe is closed at once, so
// that a tool that reads no password never waits for one.
bool startTool(QProcess& aProcess, const QString& aTool, const QStringList& aArguments,
               QByteArray& aPassword)
{
    aProcess.setProcessChannelMode(QProcess::MergedChannels);
    aProcess.start(aTool, aArguments);
    if (!aProcess.waitForStarted(-1)) {
        aPassword.fill('\0');
        return false;
    }
    if (!aPassword.isEmpty())
        aProcess.write(aPassword + '\n');
    aPassword.fill('\0');
    aPassword.clear();
    aProcess.closeWriteChannel();
    return true;
}

void logTree(const QString& aFolder, int aDepth)
{
    const QFileInfoList entries =
        QDir(aFolder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System
                                        | QDir::NoDotAndDotDot,
                                    QDir::DirsFirst | QDir::Name);
    for (const QFileInfo& entry : entries) {
        logMessage(QString(aDepth, QLatin1Char(' ')) + entry.fileName());
        if (entry.isDir() && !entry.isSymLink())
            logTree(entry.filePath(), aDepth + 1);
    }
}

// When the tool exits without a list, a replacement tool may still be handing it over; wait a
// little for it (PELLMAR_EXTRACT_SETTLE_MS sets the bound).
void waitForList(const QString& aListPath)
{
    bool ok = false;
    int bound = qEnvironmentVariableIntValue("PELLMAR_EXTRACT_SETTLE_MS", &ok);
    if (!ok || bound < 0)
        bound = kDefaultSettleMs;
    QElapsedTimer timer;
    timer.start();
    while (!QFileInfo::exists(aListPath) && timer.elapsed() < bound)
        QThread::msleep(50);
}

// Exit code of the unpacking tool for a damaged index whose first entries were unpacked.
constexpr int kToolFoundDamage = 3;

// aPath is aFolder or lies below it, links resolved.
bool isInsideFolder(const QString& aPath, const QString& aFolder)
{
    const QString path = QFileInfo(aPath).canonicalFilePath();
    const QString folder = QFileInfo(aFolder).canonicalFilePath();
    if (path.isEmpty() || folder.isEmpty())
        return false;
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

bool isOneOf(const QString& aValue, QLatin1String aFirst, QLatin1String aSecond)
{
    return aValue == aFirst || aValue == aSecond;
}

} // namespace

int AppleExtractor::extractFromManifest(const QString& aBackupPath, const QString& aWorkingFolder)
{
    LogScope scope("AppleExtractor::extractFromManifest");
    int result = 0;
    logValue("aBackupPath", aBackupPath);
    logValue("aWorkingFolder", aWorkingFolder);

    const QString backupFolder = withSeparator(aBackupPath);
    const QString workingFolder = withSeparator(aWorkingFolder);
    // The list is read from where the tool was told to write it.
    const QString listPath = workingFolder + kBackupFileList;
    mExtractionWarning.clear();
    if (isInsideFolder(aBackupPath, aWorkingFolder)) {
        logValue("Backup lies inside the working folder; refused", aBackupPath);
        logReturn(kBackupInsideWorkingFolder);
        return kBackupInsideWorkingFolder;
    }
    bool folderReady = resetWorkingFolder(aWorkingFolder);
    // A list that survived a failed wipe would describe another backup.
    if (folderReady && QFileInfo::exists(listPath) && !QFile::remove(listPath)) {
        logValue("Could not remove old backup file list", listPath);
        folderReady = false;
    }

    const bool encrypted = BackupDiscovery::isEncrypted(backupFolder);
    logValue("encrypted", encrypted);
    if (encrypted) {
        refuseLogCopiesFrom(workingFolder);
        // Tells a later start that a run which died here left decrypted data behind.
        if (folderReady)
            QFile(workingFolder + kDecryptedMarker).open(QIODevice::WriteOnly);
    }
    int passwordResult = 0;
    const QString tool = folderReady ? extractionTool() : QString();
    if (tool.isEmpty()) {
        logMessage("Extraction tool not found");
    } else {
        logValue("Extraction tool", tool);
        QProcess process;
        if (!startTool(process, tool, {backupFolder, workingFolder}, mPassword)) {
            logValue("Could not start the extraction tool", process.errorString());
        } else if (!HelperWait::untilFinished(process, mCancelled)) {
            // Half an unpacked backup is of no use, and may be decrypted data.
            emptyWorkingFolder(aWorkingFolder);
            logReturn(kCancelled);
            return kCancelled;
        } else {
            logValue("Extraction tool exit code", process.exitCode());
            if (process.exitCode() == kToolWrongPassword)
                passwordResult = kWrongPassword;
            else if (process.exitCode() == kToolNoPassword)
                passwordResult = kPasswordNeeded;
            const QString output = QString::fromUtf8(process.readAll()).trimmed();
            if (!output.isEmpty())
                logValue("Extraction tool output", output.left(4000));
            // What the tool found wrong is passed on (a damaged index still gives the entries
            // before the damage, but the user must know the rest is missing).
            if (process.exitCode() != 0) {
                QStringList problems;
                for (const QString& line : output.split(QLatin1Char('\n'))) {
                    if (line.startsWith(QLatin1String("pellmar-extract: "))
                        && !line.startsWith(QLatin1String("pellmar-extract: unpacked"))
                        && !line.startsWith(QLatin1String("pellmar-extract: checking")))
                        problems << line.mid(17).trimmed();
                }
                if (problems.isEmpty() && process.exitCode() == kToolFoundDamage)
                    problems << QStringLiteral("the backup's index is damaged");
                mExtractionWarning = problems.join(QStringLiteral("; "));
            }
        }
    }

    copyToLogFolder(backupFolder + QStringLiteral("Info.plist"), QStringLiteral("Info.plist"));
    copyToLogFolder(backupFolder + QStringLiteral("Manifest.mbdb"),
                    QStringLiteral("Manifest.mbdb"));
    copyToLogFolder(backupFolder + QStringLiteral("Manifest.plist"),
                    QStringLiteral("Manifest.plist"));

    if (DebugLog::instance().isOpen())
        logTree(workingFolder, 1);

    if (!tool.isEmpty() && !QFileInfo::exists(listPath) && passwordResult == 0)
        waitForList(listPath);

    if (!QFileInfo::exists(listPath)) {
        logValue("backup file list not created", listPath);
        logMessage("Is the backup encrypted?");
        result = passwordResult != 0 ? passwordResult : kNoBackupFileList;
    }

    const QString listToRead = testOverride(QStringLiteral("backupfiles"), listPath);
    copyToLogFolder(listToRead, QStringLiteral("backupfiles"));
    QFile list(listToRead);
    if (list.open(QIODevice::ReadOnly | QIODevice::Text)) {
        QTextStream in(&list);
        in.setEncoding(QStringConverter::Utf8);
        for (;;) {
            const QString sourceName = in.readLine();
            const QString backupName = in.readLine();
            if (backupName.isNull())
                break; // the end, or a last record without its second line
            classify(sourceName, backupName);
        }
        list.close();
    } else {
        logValue("Could not open backup file list", listToRead);
    }

    if (!mAddressBookImagesDatabase.isEmpty())
        copyToLogFolder(mAddressBookImagesDatabase, QStringLiteral("addressbookimages.db"));
    if (!mSmsDatabases.isEmpty())
        mSmsDatabases[0] = testOverride(QStringLiteral("sms.db"), mSmsDatabases.at(0));
    if (!mAddressBookDatabases.isEmpty())
        mAddressBookDatabases[0] =
            testOverride(QStringLiteral("addressbook.db"), mAddressBookDatabases.at(0));

    logValue("mSmsDatabases", qint64(mSmsDatabases.size()));
    logValue("mAddressBookDatabases", qint64(mAddressBookDatabases.size()));
    logValue("mNotesDatabases", qint64(mNotesDatabases.size()));
    logValue("mCalendarDatabases", qint64(mCalendarDatabases.size()));
    logValue("mPhotos", qint64(mPhotos.size()));
    logValue("mMessageFiles", qint64(mMessageFiles.size()));
    logReturn(result);
    return result;
}

int AppleExtractor::checkBackupPassword(const QString& aBackupPath, const QByteArray& aPassword)
{
    LogScope scope("AppleExtractor::checkBackupPassword");
    const QString tool = extractionTool();
    if (tool.isEmpty()) {
        logMessage("Extraction tool not found");
        logReturn(kNoBackupFileList);
        return kNoBackupFileList;
    }
    QProcess process;
    QByteArray password = aPassword;
    int result = kNoBackupFileList;
    if (startTool(process, tool, {QStringLiteral("--check-password"), withSeparator(aBackupPath)},
                  password)) {
        process.waitForFinished(-1);
        logValue("Extraction tool output", QString::fromUtf8(process.readAll()).trimmed());
        if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
            result = 0;
        else if (process.exitCode() == kToolWrongPassword || process.exitCode() == kToolNoPassword)
            result = kWrongPassword;
    }
    logReturn(result);
    return result;
}

void AppleExtractor::emptyWorkingFolder(const QString& aWorkingFolder)
{
    LogScope scope("AppleExtractor::emptyWorkingFolder");
    // Without its trailing separator, so that a link in the folder's place is seen as one.
    const QString folder = QDir::cleanPath(aWorkingFolder);
    const QFileInfo info(folder);
    if (info.isDir() && !info.isSymLink()) {
        for (const QFileInfo& entry : QDir(folder).entryInfoList(
                 QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
            const bool removed = entry.isDir() && !entry.isSymLink()
                                     ? QDir(entry.filePath()).removeRecursively()
                                     : QFile::remove(entry.filePath());
            if (!removed)
                logValue("Could not remove", entry.filePath());
        }
    }
    refuseLogCopiesFrom(QString());
}

bool AppleExtractor::holdsDecryptedData(const QString& aWorkingFolder)
{
    const QString folder = QDir::cleanPath(aWorkingFolder);
    const QFileInfo info(folder);
    return info.isDir() && !info.isSymLink()
           && QFileInfo::exists(folder + QLatin1Char('/') + kDecryptedMarker);
}

void AppleExtractor::classify(const QString& aSourceName, const QString& aBackupName)
{
    static const QRegularExpression separators(QStringLiteral("[/\\\\]"));
    // The notes store of iOS 9 and later lies at the top of its app group's domain, so its
    // record has fewer components than the rules below need.
    static const QString kNotesGroup = QStringLiteral("AppDomainGroup-group.com.apple.notes");
    if (aBackupName.startsWith(kNotesGroup)
        && aBackupName.mid(kNotesGroup.size()).split(separators, Qt::SkipEmptyParts)
               == QStringList{QStringLiteral("NoteStore.sqlite")}) {
        mNotesDatabases.append(aSourceName);
        return;
    }
    const QStringList parts = aBackupName.split(separators, Qt::SkipEmptyParts);
    if (parts.size() < 3)
        return;
    const QString& c0 = parts.at(0);
    const QString& c1 = parts.at(1);
    const QString& c2 = parts.at(2);

    if (isOneOf(c0, QLatin1String("CameraRollDomainMedia"), QLatin1String("Media"))
        && c1 == QLatin1String("DCIM")) {
        QString destination;
        for (int i = 2; i < parts.size(); ++i) {
            if (parts.at(i).startsWith(QLatin1Char('.')))
                return; // hidden camera-roll files (.MISC and the like) are not photos
            destination += QLatin1Char('\\') + parts.at(i);
        }
        logValue("Adding photo sourceFileName", aSourceName);
        logValue("Adding photo destPhotoPath", destination);
        mPhotos.append(PhotoPath{aSourceName, destination});
        return;
    }

    const bool home = isOneOf(c0, QLatin1String("HomeDomainLibrary"), QLatin1String("Library"));
    if (home && c1 == QLatin1String("AddressBook")) {
        if (c2 == QLatin1String("AddressBook.sqlitedb"))
            mAddressBookDatabases.append(aSourceName);
        else if (c2 == QLatin1String("AddressBookImages.sqlitedb"))
            mAddressBookImagesDatabase = aSourceName;
    }
    if (home && c1 == QLatin1String("SMS") && c2 == QLatin1String("sms.db"))
        mSmsDatabases.append(aSourceName);
    if (home && c1 == QLatin1String("Calendar") && c2 == QLatin1String("Calendar.sqlitedb"))
        mCalendarDatabases.append(aSourceName);
    // Backups of iOS 4 and later name the home domain before the path.
    if (home && c1 == QLatin1String("Notes")
        && isOneOf(c2, QLatin1String("notes.sqlite"), QLatin1String("notes.db")))
        mNotesDatabases.append(aSourceName);

    // Message attachments live in the media domain once backups carry domains; the message
    // database names them by their path without a domain, so that is the key.
    const bool media = isOneOf(c0, QLatin1String("MediaDomainLibrary"), QLatin1String("Library"));
    if (media && c1 == QLatin1String("SMS")) {
        if (c2 == QLatin1String("Parts"))
            mMessageFiles.insert(parts.last(), aSourceName);
        else if (c2 == QLatin1String("Attachments"))
            mMessageFiles.insert(c0 == QLatin1String("Library")
                                     ? aBackupName
                                     : aBackupName.mid(int(qstrlen("MediaDomain"))),
                                 aSourceName);
    }
}

int AppleExtractor::generateAddressBookXML(const QString& aWorkingFolder,
                                           const QString& aOutputPath)
{
    AddressBookExporter exporter(mAddressBookDatabases, mAddressBookImagesDatabase);
    return PhoneFilesExport(mPhoneFilesFolder).addressBook(exporter, aOutputPath);
}

int AppleExtractor::generateMessagesXML(const QString& aWorkingFolder, const QString& aOutputPath)
{
    MessagesExporter exporter(mSmsDatabases, mMessageFiles);
    return PhoneFilesExport(mPhoneFilesFolder).messages(exporter, aOutputPath, mAddressBookDatabases);
}

int AppleExtractor::generateCalendarXML(const QString& aWorkingFolder, const QString& aOutputPath)
{
    CalendarExporter exporter(mCalendarDatabases);
    return PhoneFilesExport(mPhoneFilesFolder).calendar(exporter, aOutputPath);
}

int AppleExtractor::generateNotesXML(const QString& aWorkingFolder, const QString& aOutputPath)
{
    NotesExporter exporter(mNotesDatabases);
    return PhoneFilesExport(mPhoneFilesFolder).notes(exporter, aOutputPath);
}
