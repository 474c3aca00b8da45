#pragma once

#include "app/HelperWait.h"
#include "backup/iphone/PhotoPath.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// Unpacks one iPhone backup with the extraction tool and sorts the unpacked files into what the
// exporters and the photo copier need. Created empty for one transfer; extractFromManifest
// fills it once, the exporters only read it.
class AppleExtractor
{
public:
    // Result of extractFromManifest when the tool wrote no backup file list (typically an
    // encrypted or unreadable backup).
    static constexpr int kNoBackupFileList = -13000;
    // The backup lies inside the working folder, which would be emptied before it is read.
    static constexpr int kBackupInsideWorkingFolder = -13001;
    // The backup is encrypted and the password given does not open it, or none was given.
    static constexpr int kWrongPassword = -13002;
    static constexpr int kPasswordNeeded = -13003;
    // The run was cancelled while the tool unpacked; what it had unpacked is removed.
    static constexpr int kCancelled = -13004;
    // Set by extractFromManifest when the unpacking tool warned that the backup is damaged
    // (only what came before the damage was unpacked); empty otherwise.
    QString mExtractionWarning;

    // The password of an encrypted backup, handed to the tool through a pipe by the next
    // extractFromManifest and forgotten then.
    void setBackupPassword(const QByteArray& aPassword) { mPassword = aPassword; }
    // Asked while the tool runs; when it says so, the tool is stopped.
    void setCancelCheck(HelperWait::CancelCheck aCancelled) { mCancelled = std::move(aCancelled); }

    // aBackupPath: the backup folder ending in a separator; aWorkingFolder: the folder the tool
    // unpacks into, ending in a separator (wiped first, never through a link, made readable by
    // its owner only). Returns 0, kNoBackupFileList, kBackupInsideWorkingFolder, kCancelled
    // (the working folder emptied), or for an encrypted backup kWrongPassword or
    // kPasswordNeeded. While the working folder holds what was decrypted, nothing of it is
    // copied into the trace log's folder.
    int extractFromManifest(const QString& aBackupPath, const QString& aWorkingFolder);

    // Whether aPassword opens the encrypted backup at aBackupPath (the derivation takes some
    // seconds): 0, kWrongPassword, or kNoBackupFileList when the backup cannot be read.
    static int checkBackupPassword(const QString& aBackupPath, const QByteArray& aPassword);
    // Removes everything from the working folder, when the work with a backup ends and at
    // start-up: decrypted files must not outlive it.
    static void emptyWorkingFolder(const QString& aWorkingFolder);
    // True when an extraction of an encrypted backup used the working folder and it was not
    // emptied since (the marker file below is in it).
    static bool holdsDecryptedData(const QString& aWorkingFolder);
    static constexpr const char* kDecryptedMarker = ".decrypted";

    // The exporters. Each writes one XML file at aOutputPath from the databases found by the
    // extraction and returns 0 or a negative failure code; aWorkingFolder is not used. With
    // mPhoneFilesFolder set, each also writes there the file of its kind that a stock phone
    // imports (see PhoneFilesExport).
    int generateAddressBookXML(const QString& aWorkingFolder, const QString& aOutputPath);
    int generateMessagesXML(const QString& aWorkingFolder, const QString& aOutputPath);
    int generateCalendarXML(const QString& aWorkingFolder, const QString& aOutputPath);
    int generateNotesXML(const QString& aWorkingFolder, const QString& aOutputPath);

    // Sorts one record of the backup file list (aSourceName: the unpacked file, aBackupName:
    // domain followed by the path inside the domain). Public so that callers holding a list of
    // their own can classify it the same way.
    void classify(const QString& aSourceName, const QString& aBackupName);

    // Where the exporters also write the files a stock phone imports; empty for none.
    QString mPhoneFilesFolder;

    // Filled by extractFromManifest; lists keep the order of the backup file list.
    QStringList mSmsDatabases;
    QStringList mAddressBookDatabases;
    QStringList mNotesDatabases;
    QString mAddressBookImagesDatabase;
    QStringList mCalendarDatabases;
    QList<PhotoPath> mPhotos;
    // Message attachment key (as the message database names the file) to the unpacked file.
    QHash<QString, QString> mMessageFiles;

private:
    QByteArray mPassword;
    HelperWait::CancelCheck mCancelled;
};
