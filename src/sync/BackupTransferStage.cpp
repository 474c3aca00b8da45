#include "sync/BackupTransferStage.h"

#include "app/AppPaths.h"
#include "app/DebugLog.h"
#include "backup/iphone/AppleExtractor.h"
#include "backup/iphone/BackupDiscovery.h"
#include "backup/blackberry/BlackBerryReader.h"
#include "backup/PhoneFiles.h"
#include "device/Device.h"
#include "settings/SettingsSnapshot.h"
#include "settings/SyncSettings.h"
#include "sync/PhotoCopier.h"
#include "sync/RunLock.h"
#include "sync/SyncResult.h"
#include "sync/SyncRunContext.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QScopeGuard>

namespace {

const QString kPhotoFoldersList = QStringLiteral("photo_folders");

QString phonePath(const char* aFileName)
{
    return QStringLiteral("CORVO\\") + QLatin1String(aFileName);
}

} // namespace

BackupTransferStage::BackupTransferStage(SyncRunContext& aContext,
                                         const SettingsSnapshot& aSettings,
                                         const QString& aDeviceId, SyncResult& aResult,
                                         const QByteArray& aPassword)
    : mContext(aContext), mSettings(aSettings.phone(aDeviceId)), mDeviceId(aDeviceId),
      mResult(aResult), mPassword(aPassword)
{
}

QString BackupTransferStage::workingFolder()
{
    return AppPaths::corvoFolder() + QStringLiteral("/extracted/");
}

QString BackupTransferStage::phoneFilesFolder()
{
    return workingFolder() + QStringLiteral("Pellmar");
}

void BackupTransferStage::removeLeftovers()
{
    if (!AppleExtractor::holdsDecryptedData(workingFolder()))
        return;
    RunLock lock = RunLock::forExport();
    if (lock.tryLock())
        AppleExtractor::emptyWorkingFolder(workingFolder());
}

bool BackupTransferStage::removeDir(const QString& aDirName)
{
    logMessage("removeDir");
    logValue("dirName", aDirName);
    // Links inside are removed, not followed: what they point to is not ours to delete.
    return QDir(aDirName).removeRecursively();
}

void BackupTransferStage::run()
{
    LogScope scope("BackupTransferStage::run");
    const QString backupPath = mSettings.selectedBackupPath();
    // The working folder is shared with "pellmar-sync export" and the runs of other phones;
    // emptying it under one of them would cut its files. The choices stay on, so the next run
    // makes the transfer.
    RunLock lock = RunLock::forExport();
    if (!lock.tryLock()) {
        logValue("The working folder is in use by", lock.holder());
        if (!backupPath.isEmpty())
            mResult.mBackupTransferFailed = mResult.mBackupTransferPostponed = true;
        return;
    }
    // Whatever an earlier run unpacked must not linger, whether or not a backup is chosen now.
    if (!removeDir(workingFolder()))
        logMessage("Could not empty the working folder");
    logValue("backupPath", backupPath);
    if (backupPath.isEmpty())
        return;

    // Decrypted data must not outlive the stage.
    const bool encrypted = !BlackBerryReader::isBlackBerryBackup(backupPath)
                           && BackupDiscovery::isEncrypted(backupPath);
    const auto emptyAtEnd = qScopeGuard([encrypted] {
        if (encrypted)
            AppleExtractor::emptyWorkingFolder(workingFolder());
    });
    if (BlackBerryReader::isBlackBerryBackup(backupPath))
        transferBlackBerry(backupPath);
    else if (!transferIPhone(backupPath))
        return;
    if (mContext.hasBeenCancelled()) {
        // Half a transfer is no transfer: the choices stay on so that the next run completes
        // it (files already on the phone are kept, not copied twice).
        logMessage("Backup transfer cancelled - the copy choices stay on");
        return;
    }

    mContext.ChangeState(SyncState::Preparing);
    copyToPhone();
    switchCopySettingsOff();
}

void BackupTransferStage::transferBlackBerry(const QString& aBackupPath)
{
    int flags = 0;
    if (mSettings.copyTextMessages())
        flags |= BlackBerryReader::kMessages;
    if (mSettings.copyAddressBook())
        flags |= BlackBerryReader::kAddressBook;
    if (mSettings.copyPhotos()) {
        PhotoCopier photos(mContext);
        const auto folders = mSettings.list(kPhotoFoldersList);
        for (const auto& folder : folders) {
            logValue("photoFolder", folder.second);
            photos.copyPhotos(folder.second, QStringLiteral("DCIM\\Blackberry"));
        }
        flags |= BlackBerryReader::kPhotos;
    }
    BlackBerryReader::readBlackBerryBackup(aBackupPath, workingFolder(), flags, phoneFilesFolder(),
                                           mContext.cancelCheck());
}

bool BackupTransferStage::transferIPhone(const QString& aBackupPath)
{
    AppleExtractor extractor;
    extractor.mPhoneFilesFolder = phoneFilesFolder();
    if (BackupDiscovery::isEncrypted(aBackupPath)) {
        if (mPassword.isEmpty()) {
            logMessage("No backup password given - the transfer waits for the next run");
            mResult.mBackupPasswordNotGiven = true;
            return false;
        }
        extractor.setBackupPassword(mPassword);
        mContext.UpdateProgress(SyncState::Preparing,
                             QCoreApplication::translate("SyncUi",
                                                         "Checking the backup password..."));
    }
    extractor.setCancelCheck(mContext.cancelCheck());
    const int result = extractor.extractFromManifest(aBackupPath, workingFolder());
    logValue("extractFromManifest", result);
    // The caller sees the cancel and leaves the copy choices on.
    if (result == AppleExtractor::kCancelled)
        return true;
    if (result == AppleExtractor::kWrongPassword || result == AppleExtractor::kPasswordNeeded) {
        logMessage("The backup password is not right - the copy choices stay on");
        mResult.mBackupPasswordWrong = true;
        return false;
    }
    if (result != 0) {
        mResult.mBackupTransferFailed = true;
        return true;
    }
    const QString folder = workingFolder();
    // The exporters' results are not needed: a file that was not written is simply not copied.
    if (mSettings.copyTextMessages())
        extractor.generateMessagesXML(folder, folder + QStringLiteral("messages.xml"));
    if (mSettings.copyAddressBook())
        extractor.generateAddressBookXML(folder, folder + QStringLiteral("address.xml"));
    if (mSettings.copyCalendar())
        extractor.generateCalendarXML(folder, folder + QStringLiteral("calendar.xml"));
    if (mSettings.copyNotes())
        extractor.generateNotesXML(folder, folder + QStringLiteral("notes.xml"));
    if (mSettings.copyPhotos()) {
        mContext.ChangeState(SyncState::CopyingPhotos);
        PhotoCopier(mContext).copyPhotos(extractor.mPhotos);
    }
    return true;
}

void BackupTransferStage::copyToPhone()
{
    const QString folder = workingFolder();
    const QString messages = folder + QStringLiteral("messages.xml");
    const QString address = folder + QStringLiteral("address.xml");
    const QString calendar = folder + QStringLiteral("calendar.xml");
    const QString notes = folder + QStringLiteral("notes.xml");
    Device* device = mContext.device();
    const auto copy = [device](const QString& aSource, const char* aName) {
        if (QFileInfo::exists(aSource) && !device->CopyFile(aSource, phonePath(aName), true).isOk())
            logValue("Could not copy to the phone", aSource);
    };

    copyToLogFolder(messages, QStringLiteral("messages.xml"));
    if (mSettings.copyTextMessages())
        copy(messages, "messages.xml");
    copyToLogFolder(address, QStringLiteral("addressbook.xml"));
    if (mSettings.copyAddressBook())
        copy(address, "address.xml");
    if (mSettings.copyCalendar())
        copy(calendar, "calendar.xml");
    if (mSettings.copyNotes()) {
        copy(notes, "notes.xml");
        copyToLogFolder(notes, QStringLiteral("notes.xml"));
    }
    copyToLogFolder(calendar, QStringLiteral("calendar.xml"));
    copyPhoneFiles();
}

void BackupTransferStage::copyPhoneFiles()
{
    const QString folder = phoneFilesFolder();
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(QDir(folder).relativeFilePath(it.next()));
    if (files.isEmpty())
        return;
    files.sort();
    // The README says what is there: it goes when the rest has arrived.
    if (files.removeAll(PhoneFiles::kReadme) > 0)
        files.append(PhoneFiles::kReadme);

    Device* device = mContext.device();
    const QString target = QString(PhoneFiles::kPhoneFolder).replace(u'/', u'\\') + u'\\';
    int copied = 0;
    for (const QString& file : std::as_const(files)) {
        if (mContext.hasBeenCancelled())
            break;
        // Replacing writes through a temporary name: an unplugged cable leaves no half file.
        const QString destination = target + QString(file).replace(u'/', u'\\');
        if (device->CopyFile(folder + u'/' + file, destination, true).isOk()) {
            // A note keeps its own time where the phone lets it.
            device->SetModificationTime(destination,
                                        QFileInfo(folder + u'/' + file).lastModified());
            ++copied;
        } else
            logValue("Could not copy to the phone", file);
    }
    logValue("Files for the phone's own apps", copied);
    if (copied > 0)
        mResult.mPhoneFilesFolder = PhoneFiles::kPhoneFolder;
}

void BackupTransferStage::switchCopySettingsOff()
{
    // Read afresh: the front end may have saved an answer since the run's snapshot.
    SyncSettings settings;
    if (settings.load() != 0)
        return;
    settings.setCopyAddressBook(mDeviceId, false);
    settings.setCopyPhotos(mDeviceId, false);
    settings.setCopyTextMessages(mDeviceId, false);
    settings.setCopyCalendar(mDeviceId, false);
    settings.setCopyNotes(mDeviceId, false);
    settings.save();
}
