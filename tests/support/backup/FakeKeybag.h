#pragma once

#include <QByteArray>
#include <QMap>

// The keybag of an encrypted backup as a phone writes it, made with OpenSSL: the header (VERS,
// TYPE, UUID, WRAP, SALT, ITER and, for iOS 10.2 and later, DPWT, DPIC, DPSL) and one record per
// protection class 1 to 11, each class key wrapped (RFC 3394) with the key derived from the
// password. Round counts are the caller's, so that tests stay fast.
class FakeKeybag
{
public:
    FakeKeybag(const QByteArray& aPassword, int aIterations = 1, int aSha256Iterations = 1,
               bool aDoubleDerivation = true);

    // The keybag as Manifest.plist's BackupKeyBag holds it.
    QByteArray bytes() const { return mBytes; }
    // A key as Manifest.db's records and ManifestKey hold it: the 4-byte little-endian class,
    // then aKey wrapped with the class key.
    QByteArray wrapForClass(quint32 aClass, const QByteArray& aKey) const;

    // AES-256-CBC with a zero IV and PKCS#7 padding, as the files of a backup are encrypted.
    static QByteArray encrypt(const QByteArray& aKey, const QByteArray& aPlain, bool aPad = true);
    static QByteArray randomBytes(int aCount);
    static QByteArray wrap(const QByteArray& aKek, const QByteArray& aKey);

private:
    QMap<quint32, QByteArray> mClassKeys;
    QByteArray mBytes;
};
