#include "BackupDecryptor.h"

#include "AesKeyUnwrap.h"
#include "CbcFileDecryptor.h"

#include <QFile>
#include <QList>
#include <QtEndian>

BackupDecryptor::Unlock BackupDecryptor::unlock(const BackupManifest& aManifest,
                                                const QByteArray& aPassword)
{
    if (aManifest.mKeybag.isEmpty()) {
        mError = QStringLiteral("Manifest.plist holds no keybag");
        return Unlock::Unreadable;
    }
    if (!mKeybag.parse(aManifest.mKeybag)) {
        mError = mKeybag.error();
        return Unlock::Unreadable;
    }
    mManifestKey = aManifest.mManifestKey;
    QByteArray key = mKeybag.deriveKey(aPassword);
    const bool unlocked = !key.isEmpty() && mKeybag.unlock(key);
    key.fill('\0');
    if (!unlocked) {
        mError = QStringLiteral("the backup password is not right");
        return Unlock::WrongPassword;
    }
    mError.clear();
    return Unlock::Unlocked;
}

QByteArray BackupDecryptor::unwrapFileKey(const QByteArray& aStoredKey, qint64 aFallbackClass)
{
    if (aStoredKey.size() < 4 + 24) {
        mError = aStoredKey.isEmpty() ? QStringLiteral("its record holds no key")
                                      : QStringLiteral("its key is cut short");
        return QByteArray();
    }
    const quint32 storedClass = qFromLittleEndian<quint32>(aStoredKey.constData());
    // The class stored with the key decides; the record's ProtectionClass is the second try.
    QList<quint32> classes{storedClass};
    if (aFallbackClass >= 0 && quint32(aFallbackClass) != storedClass)
        classes << quint32(aFallbackClass);
    bool anyClassKey = false;
    for (quint32 protectionClass : std::as_const(classes)) {
        const QByteArray classKey = mKeybag.classKey(protectionClass);
        if (classKey.isEmpty())
            continue;
        anyClassKey = true;
        if (const std::optional<QByteArray> key = AesKeyUnwrap::unwrap(classKey, aStoredKey.mid(4)))
            return *key;
    }
    mError = anyClassKey ? QStringLiteral("its key does not unwrap with its class key")
                         : QStringLiteral("the keybag has no key of its protection class %1")
                               .arg(storedClass);
    return QByteArray();
}

bool BackupDecryptor::decryptIndex(const QString& aSource, const QString& aTarget)
{
    QByteArray key = unwrapFileKey(mManifestKey, -1);
    if (key.isEmpty()) {
        mError = QStringLiteral("Manifest.db cannot be opened: ") + mError;
        return false;
    }
    QString error;
    const bool ok = CbcFileDecryptor::decrypt(aSource, aTarget, key,
                                              CbcFileDecryptor::Ending::Database, -1, error);
    key.fill('\0');
    if (!ok)
        mError = QStringLiteral("Manifest.db cannot be decrypted: ") + error;
    return ok;
}

bool BackupDecryptor::decryptFile(const BackupEntry& aEntry, const QString& aSource,
                                  const QString& aTarget)
{
    if (!aEntry.mRecordError.isEmpty()) {
        mError = aEntry.mRecordError;
        return false;
    }
    // An empty file may be stored without a key: there is nothing to decrypt.
    if (aEntry.mEncryptionKey.isEmpty() && aEntry.mSize == 0 && QFile(aSource).size() == 0) {
        QFile out(aTarget);
        return out.open(QIODevice::WriteOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    QByteArray key = unwrapFileKey(aEntry.mEncryptionKey, aEntry.mProtectionClass);
    if (key.isEmpty())
        return false;
    QString error;
    const bool ok = CbcFileDecryptor::decrypt(
        aSource, aTarget, key,
        aEntry.mSize > 0 ? CbcFileDecryptor::Ending::CutToSize : CbcFileDecryptor::Ending::Pkcs7,
        aEntry.mSize, error);
    key.fill('\0');
    if (!ok)
        mError = error;
    return ok;
}
