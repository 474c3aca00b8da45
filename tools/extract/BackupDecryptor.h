#pragma once

#include "BackupEntry.h"
#include "BackupKeybag.h"
#include "BackupManifest.h"

#include <QByteArray>
#include <QString>

// Opens an encrypted backup with its owner's password: unlocks the keybag once (the derivation
// takes seconds), then decrypts Manifest.db and each stored file with its own key.
class BackupDecryptor
{
public:
    enum class Unlock { Unlocked, Unreadable, WrongPassword };

    // Parses the keybag of aManifest and unlocks it with aPassword. Unreadable with error()
    // when the keybag is damaged.
    Unlock unlock(const BackupManifest& aManifest, const QByteArray& aPassword);
    QString error() const { return mError; }

    // Decrypts Manifest.db (aSource) into aTarget with the key of ManifestKey.
    bool decryptIndex(const QString& aSource, const QString& aTarget);
    // Decrypts the stored copy of aEntry into aTarget; false with error() naming what is wrong.
    bool decryptFile(const BackupEntry& aEntry, const QString& aSource, const QString& aTarget);

private:
    // The key of a file or of Manifest.db from its 4-byte class and wrapped key.
    QByteArray unwrapFileKey(const QByteArray& aStoredKey, qint64 aFallbackClass);

    BackupKeybag mKeybag;
    QByteArray mManifestKey;
    QString mError;
};
