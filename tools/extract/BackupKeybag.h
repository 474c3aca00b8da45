#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

// The keybag of an encrypted backup ("BackupKeyBag" of Manifest.plist): records of a 4-byte tag,
// a 4-byte big-endian length and the value. The header (VERS, TYPE, UUID, WRAP, SALT, ITER and,
// from iOS 10.2, DPWT, DPIC, DPSL) comes first; then each protection class has its record,
// opened by a UUID tag: CLAS, WRAP, KTYP, WPKY.
//
// unlock() derives the key from the owner's password and unwraps every class key that the
// password protects; afterwards classKey() gives them.
class BackupKeybag
{
public:
    // Class keys whose WRAP has this bit are wrapped with the key derived from the password.
    static constexpr quint32 kWrapPasscode = 2;

    // False with error() when the keybag is damaged or lacks what a derivation needs.
    bool parse(const QByteArray& aData);
    QString error() const { return mError; }

    // True when the derivation takes the extra SHA-256 round of iOS 10.2 and later.
    bool hasDoubleDerivation() const { return !mDpsl.isEmpty(); }

    // The 32-byte key derived from aPassword: iOS 10.2 and later, PBKDF2-HMAC-SHA256 with
    // DPSL/DPIC, then PBKDF2-HMAC-SHA1 of that with SALT/ITER; older, the SHA-1 stage alone.
    QByteArray deriveKey(const QByteArray& aPassword) const;
    // Unwraps the class keys with aPasswordKey; false when the password is wrong.
    bool unlock(const QByteArray& aPasswordKey);
    // The unwrapped key of a protection class; empty when the keybag has none.
    QByteArray classKey(quint32 aClass) const { return mClassKeys.value(aClass); }

    // Of the same PBKDF2 that deriveKey uses, for callers that time or check it.
    static QByteArray pbkdf2Sha1(const QByteArray& aPassword, const QByteArray& aSalt,
                                 int aIterations);
    static QByteArray pbkdf2Sha256(const QByteArray& aPassword, const QByteArray& aSalt,
                                   int aIterations);

private:
    struct ClassRecord
    {
        quint32 mClass = 0;
        quint32 mWrap = 0;
        bool mHasClass = false;
        QByteArray mWrappedKey;
    };

    bool fail(const QString& aError);

    QString mError;
    QByteArray mSalt;
    quint32 mIterations = 0;
    QByteArray mDpsl;
    quint32 mDpic = 0;
    QList<ClassRecord> mRecords;
    QMap<quint32, QByteArray> mClassKeys;
};
