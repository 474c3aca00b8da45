#include "cli/ExportCommand.h"

#include "app/AppPaths.h"
#include "app/DebugLog.h"
#include "backup/iphone/AppleExtractor.h"
#include "backup/iphone/BackupDiscovery.h"
#include "backup/blackberry/BlackBerryReader.h"
#include "backup/iphone/ExportDatabase.h"
#include "backup/PhoneFiles.h"
#include "cli/CliBackupPassword.h"
#include "cli/CliOptions.h"
#include "sync/RunLock.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTextStream>

#include <functional>

PELLMAR_REGISTER_COMMAND(ExportCommand)

namespace {

const QString kMessages = QStringLiteral("messages");
const QString kContacts = QStringLiteral("contacts");
const QString kCalendar = QStringLiteral("calendar");
const QString kNotes = QStringLiteral("notes");
const QString kPhotos = QStringLiteral("photos");
const QString kPasswordFile = QStringLiteral("password-file");

// True when aPath is aFolder or lies below it (both absolute and clean).
bool isInside(const QString& aPath, const QString& aFolder)
{
    return aPath == aFolder || aPath.startsWith(aFolder + QLatin1Char('/'));
}

// Names the files for a stock phone that this export wrote into aOutDir (those older than
// aStart are an earlier export's).
void reportPhoneFiles(const QString& aOutDir, const QDateTime& aStart, QTextStream& aOut)
{
    const QDir dir(aOutDir);
    QStringList written;
    for (const QFileInfo& file : dir.entryInfoList(QDir::Files, QDir::Name)) {
        const QString name = file.fileName();
        if ((name == PhoneFiles::kContacts || name == PhoneFiles::kCalendar
             || PhoneFiles::isSmsFileName(name))
            && file.lastModified() >= aStart)
            written << name;
    }
    int notes = 0;
    const QFileInfo notesFolder(dir.filePath(PhoneFiles::kNotesFolder));
    if (notesFolder.isDir() && notesFolder.lastModified() >= aStart) {
        QDirIterator it(notesFolder.filePath(), QDir::Files);
        while (it.hasNext()) {
            it.next();
            ++notes;
        }
        written << PhoneFiles::kNotesFolder + QStringLiteral("/ (%1 %2)").arg(notes).arg(
                       notes == 1 ? QStringLiteral("note") : QStringLiteral("notes"));
    }
    if (written.isEmpty())
        return;
    aOut << "for any Android phone, in " << aOutDir << ": " << written.join(QStringLiteral(", "))
         << "\n  copy them to the phone's " << PhoneFiles::kPhoneFolder << " folder; "
         << PhoneFiles::kReadme << " there says how to import each\n";
}

QString realPath(const QString& aPath)
{
    const QFileInfo info(aPath);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

} // namespace

QString ExportCommand::summary() const
{
    return QStringLiteral("write the data of a phone backup as the new phone would receive it");
}

QString ExportCommand::description() const
{
    return QStringLiteral(
        "Unpacks the iPhone backup BACKUP (a backup folder, or the folder name or phone name\n"
        "that 'pellmar-sync backups' shows) and writes the files that a transfer puts on the\n"
        "phone into OUTDIR: messages.xml, address.xml, calendar.xml and notes.xml for the\n"
        "companion app, and beside them the files any Android phone imports: contacts.vcf,\n"
        "calendar.ics, sms-<time>.xml (for the app SMS Backup & Restore), a notes folder\n"
        "with one text file per note, and README.txt saying how to import each.\n"
        "BACKUP may also be a BlackBerry backup file (.ipd, or .bbb unpacked with 7z),\n"
        "which gives messages.xml, address.xml, contacts.vcf and sms-<time>.xml.");
}

QList<QCommandLineOption> ExportCommand::options() const
{
    return {
        {kMessages, QStringLiteral("text messages (messages.xml)")},
        {kContacts, QStringLiteral("address book (address.xml)")},
        {kCalendar, QStringLiteral("calendar (calendar.xml)")},
        {kNotes, QStringLiteral("notes (notes.xml)")},
        {kPhotos, QStringLiteral("also copy the camera roll into OUTDIR/DCIM")},
        {kPasswordFile,
         QStringLiteral("the password of an encrypted backup is the first line of FILE"),
         QStringLiteral("FILE")},
    };
}

QStringList ExportCommand::argumentNames() const
{
    return {QStringLiteral("BACKUP"), QStringLiteral("OUTDIR")};
}

QString ExportCommand::notes() const
{
    return QStringLiteral(
        "Without any of the first four, all four are written. An encrypted backup needs\n"
        "its password: from --password-file, or asked without echo on a terminal. The\n"
        "backup is unpacked into ~/CORVO/extracted/ (readable by you alone), which is\n"
        "emptied before and after the export.\n");
}

QString ExportCommand::resolveBackup(const QString& aWord, QString& aError)
{
    if (QFileInfo(aWord).isDir())
        return QDir(aWord).absolutePath() + QLatin1Char('/');
    QList<BackupInfo> matches;
    for (const BackupInfo& backup : BackupDiscovery::findiTunesBackups()) {
        if (backup.mBackupFolder == aWord || backup.mBackupName == aWord)
            matches.append(backup);
    }
    if (matches.size() == 1)
        return matches.first().mBackupPath;
    aError = matches.isEmpty()
                 ? QStringLiteral("no backup folder or known backup named '%1'").arg(aWord)
                 : QStringLiteral("several backups are named '%1'; give the backup's folder")
                       .arg(aWord);
    return QString();
}

int ExportCommand::copyPhotos(const AppleExtractor& aExtractor, const QString& aOutDir,
                              QTextStream& aOut, QTextStream& aErr)
{
    LogScope scope("ExportCommand::copyPhotos");
    const QString dcim = aOutDir + QStringLiteral("/DCIM");
    int copied = 0;
    int failed = 0;
    for (const PhotoPath& photo : aExtractor.mPhotos) {
        const QStringList parts =
            photo.mDestPhotoPath.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
        const bool safe = !parts.isEmpty() && std::none_of(parts.begin(), parts.end(), [](const QString& p) {
            return p == QLatin1String("..") || p == QLatin1String(".")
                   || p.contains(QLatin1Char('/'));
        });
        if (!safe) {
            logValue("Unsafe photo path skipped", photo.mDestPhotoPath);
            ++failed;
            continue;
        }
        const QString target = dcim + QLatin1Char('/') + parts.join(QLatin1Char('/'));
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile::remove(target);
        if (QFile::copy(photo.mSourceName, target)) {
            ++copied;
        } else {
            aErr << "pellmar-sync export: could not copy photo " << photo.mSourceName << "\n";
            ++failed;
        }
    }
    aOut << "copied " << copied << (copied == 1 ? " photo" : " photos") << " to " << dcim
         << "\n";
    logValue("copied", copied);
    return failed;
}

int ExportCommand::exportBlackBerry(const QString& aBackupFile, const CliOptions& aOptions,
                                    QTextStream& aOut, QTextStream& aErr)
{
    LogScope scope("ExportCommand::exportBlackBerry");
    const QString workingFolder = AppPaths::corvoFolder() + QStringLiteral("/extracted/");
    const QString outDir = realPath(aOptions.positional().at(1));
    if (isInside(outDir, realPath(workingFolder))) {
        aErr << "pellmar-sync export: OUTDIR must not lie inside " << workingFolder << "\n";
        return CliExit::kUsage;
    }
    if (!QDir().mkpath(outDir)) {
        aErr << "pellmar-sync export: cannot create " << outDir << "\n";
        return CliExit::kError;
    }
    // What an earlier unpacking left there would be read as part of this backup.
    QDir(workingFolder).removeRecursively();
    const bool all = !aOptions.isSet(kMessages) && !aOptions.isSet(kContacts);
    const QDateTime start = QDateTime::currentDateTime().addSecs(-1);
    BlackBerryReader::readBlackBerryBackup(
        aBackupFile, workingFolder,
        (all || aOptions.isSet(kMessages) ? BlackBerryReader::kMessages : 0)
            | (all || aOptions.isSet(kContacts) ? BlackBerryReader::kAddressBook : 0),
        outDir);
    for (const QString& option : {kCalendar, kNotes, kPhotos}) {
        if (aOptions.isSet(option))
            aErr << "pellmar-sync export: a BlackBerry backup holds no " << option
                 << (option == kPhotos ? QStringLiteral("; 'pellmar-sync setup --photo-folder' "
                                                        "copies photo folders to the phone")
                                       : QString())
                 << "\n";
    }
    int failures = 0;
    const QList<QPair<QString, QString>> files = {{kMessages, QStringLiteral("messages.xml")},
                                                  {kContacts, QStringLiteral("address.xml")}};
    for (const auto& file : files) {
        if (!all && !aOptions.isSet(file.first))
            continue;
        const QString source = workingFolder + file.second;
        const QString target = outDir + QLatin1Char('/') + file.second;
        QFile::remove(target);
        if (QFile::copy(source, target)) {
            aOut << "wrote " << target << "\n";
        } else {
            aErr << "pellmar-sync export: the backup at " << aBackupFile << " gave no "
                 << file.second << " (it has no such database, or it could not be read)\n";
            ++failures;
        }
    }
    reportPhoneFiles(outDir, start, aOut);
    logValue("failures", failures);
    return failures == 0 ? CliExit::kDone : CliExit::kError;
}

int ExportCommand::run(const CliOptions& aOptions)
{
    LogScope scope("ExportCommand::run");
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QFileInfo backupFile(aOptions.positional().at(0));
    if (backupFile.isFile() && BlackBerryReader::isBlackBerryBackup(backupFile.fileName()))
        return exportBlackBerry(backupFile.absoluteFilePath(), aOptions, out, err);
    QString error;
    const QString backupPath = resolveBackup(aOptions.positional().at(0), error);
    if (backupPath.isEmpty()) {
        err << "pellmar-sync export: " << error << "\n";
        return CliExit::kError;
    }
    const bool encrypted = BackupDiscovery::isEncrypted(backupPath);

    const QString workingFolder = AppPaths::corvoFolder() + QStringLiteral("/extracted/");
    const QString outDir = realPath(aOptions.positional().at(1));
    // The working folder is emptied by the extraction and the backup is the user's own data:
    // the output may go into neither.
    if (isInside(outDir, realPath(workingFolder)) || isInside(outDir, realPath(backupPath))) {
        err << "pellmar-sync export: OUTDIR must not lie inside the backup or inside "
            << workingFolder << "\n";
        return CliExit::kUsage;
    }
    // Checked before anything is removed: the working folder is emptied first.
    if (isInside(realPath(backupPath), realPath(workingFolder))) {
        err << "pellmar-sync export: the backup must not lie inside " << workingFolder
            << ", which is emptied first; move it elsewhere\n";
        return CliExit::kUsage;
    }
    RunLock lock = RunLock::forExport();
    if (!lock.tryLock()) {
        err << "pellmar-sync export: " << workingFolder << " is in use by " << lock.holder()
            << "; wait for that export to end\n";
        return CliExit::kBusy;
    }
    if (!QDir().mkpath(outDir)) {
        err << "pellmar-sync export: cannot create " << outDir << "\n";
        return CliExit::kError;
    }

    AppleExtractor extractor;
    extractor.mPhoneFilesFolder = outDir;
    const QDateTime start = QDateTime::currentDateTime().addSecs(-1);
    if (encrypted) {
        QByteArray password;
        if (!CliBackupPassword::obtain(aOptions.value(kPasswordFile), kPasswordFile, backupPath,
                                       password, error)) {
            err << "pellmar-sync export: " << error << "\n";
            return CliExit::kUsage;
        }
        extractor.setBackupPassword(password);
        password.fill('\0');
        out << "Checking the backup password...\n";
        out.flush();
    }
    // Whatever the outcome, nothing unpacked (decrypted above all) outlives the export.
    const auto emptyAtEnd =
        qScopeGuard([&] { AppleExtractor::emptyWorkingFolder(workingFolder); });
    const int extracted = extractor.extractFromManifest(backupPath, workingFolder);
    if (extracted == AppleExtractor::kWrongPassword) {
        err << "pellmar-sync export: The backup password is not right.\n";
        return CliExit::kWrongPassword;
    }
    if (extracted != 0) {
        if (!extractor.mExtractionWarning.isEmpty())
            err << "pellmar-sync export: " << extractor.mExtractionWarning << "\n";
        err << "pellmar-sync export: the backup at " << backupPath
            << " could not be read (it may be damaged, or encrypted in a way that cannot be "
               "opened, or pellmar-extract may be missing).\n";
        return CliExit::kError;
    }

    const bool all = !aOptions.isSet(kMessages) && !aOptions.isSet(kContacts)
                     && !aOptions.isSet(kCalendar) && !aOptions.isSet(kNotes);
    struct Export
    {
        QString mOption;
        QString mFileName;
        std::function<int(const QString&)> mGenerate;
        QStringList mDatabases;
    };
    const QList<Export> exports = {
        {kMessages, QStringLiteral("messages.xml"),
         [&](const QString& p) { return extractor.generateMessagesXML(workingFolder, p); },
         extractor.mSmsDatabases},
        {kContacts, QStringLiteral("address.xml"),
         [&](const QString& p) { return extractor.generateAddressBookXML(workingFolder, p); },
         extractor.mAddressBookDatabases},
        {kCalendar, QStringLiteral("calendar.xml"),
         [&](const QString& p) { return extractor.generateCalendarXML(workingFolder, p); },
         extractor.mCalendarDatabases},
        {kNotes, QStringLiteral("notes.xml"),
         [&](const QString& p) { return extractor.generateNotesXML(workingFolder, p); },
         extractor.mNotesDatabases},
    };
    int failures = 0;
    if (!extractor.mExtractionWarning.isEmpty()) {
        err << "pellmar-sync export: " << extractor.mExtractionWarning << "\n";
        ++failures;
    }
    for (const Export& e : exports) {
        if (!all && !aOptions.isSet(e.mOption))
            continue;
        const QString path = outDir + QLatin1Char('/') + e.mFileName;
        // An exporter only logs a database it cannot select from: a file that is no database
        // would pass for an empty one.
        bool unreadable = false;
        for (const QString& database : e.mDatabases) {
            if (!ExportDatabase(database).isReadable()) {
                err << "pellmar-sync export: " << database
                    << " is not a readable SQLite database\n";
                unreadable = true;
            }
        }
        const int result = e.mGenerate(path);
        if (result == 0 && !unreadable && QFileInfo::exists(path))
            out << "wrote " << path << " (" << e.mDatabases.size()
                << (e.mDatabases.size() == 1 ? " database)" : " databases)") << "\n";
        if (unreadable) {
            err << "pellmar-sync export: " << e.mFileName << " is incomplete\n";
            ++failures;
        } else if (result != 0 || !QFileInfo::exists(path)) {
            err << "pellmar-sync export: " << e.mFileName << " is incomplete (error " << result
                << ")\n";
            ++failures;
        }
    }
    reportPhoneFiles(outDir, start, out);
    if (aOptions.isSet(kPhotos))
        failures += copyPhotos(extractor, outDir, out, err);
    logValue("failures", failures);
    return failures == 0 ? CliExit::kDone : CliExit::kError;
}
