#pragma once

#include "BackupDecryptor.h"
#include "BackupEntry.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <functional>
#include <memory>

// Unpacks the regular files of an iPhone backup into a working folder and writes the backup
// file list there: two lines per unpacked file, its absolute path and then its domain
// immediately followed by its path inside the domain. No list is written for a backup that
// cannot be read (no index, a damaged one, an encrypted backup without its password).
//
// An encrypted backup is decrypted with the password that aPassword gives (asked only then):
// Manifest.db and each file with its own key. The plain text goes only into the working folder
// and is readable by its owner only; when a stored file cannot be decrypted, everything
// decrypted so far is removed and no list is written.
//
// A backup is outside data: stored names that are not 40 lowercase hex characters, paths with
// ".." or absolute paths, links, and files missing from the backup are skipped; nothing is ever
// written outside the working folder.
class BackupUnpacker
{
public:
    // kDamaged: the index is damaged; the list holds the entries before the damage.
    // kWrongPassword: the password does not open the backup; kNoPassword: none was given.
    enum Result {
        kListWritten = 0,
        kUnreadable = 1,
        kDamaged = 3,
        kWrongPassword = 4,
        kNoPassword = 5,
    };
    using PasswordSource = std::function<QByteArray()>;

    BackupUnpacker(const QString& aBackupFolder, const QString& aWorkingFolder,
                   QTextStream& aMessages, PasswordSource aPassword = {});

    Result run();
    // Only whether the password opens the backup (kListWritten when it does, or when the backup
    // is not encrypted); nothing is written.
    Result checkPassword();

    // The folder below the working folder that receives the unpacked files.
    static constexpr const char* kUnpackedFolder = "unpacked";
    static constexpr const char* kListName = "backup_file_list";

    static bool isValidFileId(const QString& aFileId);
    // aRelativePath split into its components, or an empty list when it is absolute, names a
    // parent folder, or holds characters that cannot stand in the list.
    static QStringList safeComponents(const QString& aRelativePath);
    static bool isSafeDomain(const QString& aDomain);

private:
    struct Planned
    {
        int mIndex = 0; // into the index's entries
        QString mSource;
        qint64 mSize = 0;
        QString mUnpacked; // set once copied
    };

    // Unlocks an encrypted backup (mDecryptor); kListWritten when it is plain or unlocked.
    Result openEncryption();
    BackupIndex readIndex();
    BackupIndex readEncryptedIndex(const QString& aManifestDb);
    QString storedFile(const QString& aFileId) const;
    // The stored copy of an entry worth unpacking, or an empty string.
    QString sourceFor(const BackupEntry& aEntry);
    bool unpack(const BackupEntry& aEntry, const QString& aSource, QString& aUnpackedPath);

    QString mBackupFolder;
    QString mWorkingFolder;
    QString mUnpackRoot;
    QTextStream& mMessages;
    PasswordSource mPassword;
    // Why a stored file of an encrypted backup could not be decrypted; ends the unpacking.
    QString mDecryptionError;
    BackupManifest mManifest;
    std::unique_ptr<BackupDecryptor> mDecryptor; // set once an encrypted backup is unlocked
};
