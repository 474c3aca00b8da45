#include "BackupKeybag.h"

#include "AesKeyUnwrap.h"

#include <QtEndian>

#include <algorithm>

#include <openssl/evp.h>

namespace {

// Far more rounds than any phone uses; a keybag asking for more is damaged, and would keep the
// derivation busy for hours.
constexpr quint32 kMaxIterations = 100'000'000;

quint32 bigEndian32(const QByteArray& aValue)
{
    return qFromBigEndian<quint32>(aValue.constData());
}

QByteArray pbkdf2(const QByteArray& aPassword, const QByteArray& aSalt, int aIterations,
                  const EVP_MD* aDigest)
{
    QByteArray key(32, '\0');
    if (PKCS5_PBKDF2_HMAC(aPassword.constData(), int(aPassword.size()),
                          reinterpret_cast<const unsigned char*>(aSalt.constData()),
                          int(aSalt.size()), aIterations, aDigest, int(key.size()),
                          reinterpret_cast<unsigned char*>(key.data()))
        != 1)
        return QByteArray();
    return key;
}

} // namespace

bool BackupKeybag::fail(const QString& aError)
{
    mError = aError;
    return false;
}

bool BackupKeybag::parse(const QByteArray& aData)
{
    mRecords.clear();
    mClassKeys.clear();
    bool headerUuidSeen = false;
    ClassRecord* current = nullptr;
    qsizetype pos = 0;
    while (pos < aData.size()) {
        if (aData.size() - pos < 8)
            return fail(QStringLiteral("the backup's keybag is cut short at byte %1").arg(pos));
        const QByteArray tag = aData.mid(pos, 4);
        const quint32 length = bigEndian32(aData.mid(pos + 4, 4));
        pos += 8;
        if (quint64(length) > quint64(aData.size() - pos))
            return fail(QStringLiteral("the backup's keybag is damaged: the length of %1 runs "
                                       "past its end")
                            .arg(QString::fromLatin1(tag)));
        const QByteArray value = aData.mid(pos, length);
        pos += length;
        const bool number = value.size() == 4;
        if (tag == "UUID") {
            if (!headerUuidSeen) {
                headerUuidSeen = true;
            } else {
                mRecords.append(ClassRecord());
                current = &mRecords.last();
            }
        } else if (current) {
            if (tag == "CLAS" && number) {
                current->mClass = bigEndian32(value);
                current->mHasClass = true;
            } else if (tag == "WRAP" && number) {
                current->mWrap = bigEndian32(value);
            } else if (tag == "WPKY") {
                current->mWrappedKey = value;
            }
        } else if (tag == "SALT") {
            mSalt = value;
        } else if (tag == "ITER" && number) {
            mIterations = bigEndian32(value);
        } else if (tag == "DPSL") {
            mDpsl = value;
        } else if (tag == "DPIC" && number) {
            mDpic = bigEndian32(value);
        }
    }
    if (mSalt.isEmpty() || mIterations == 0)
        return fail(QStringLiteral("the backup's keybag is incomplete (no SALT or ITER)"));
    if (mIterations > kMaxIterations || mDpic > kMaxIterations)
        return fail(QStringLiteral("the backup's keybag asks for an impossible number of "
                                   "rounds"));
    if (!mDpsl.isEmpty() && mDpic == 0)
        return fail(QStringLiteral("the backup's keybag has DPSL without DPIC"));
    if (mRecords.isEmpty())
        return fail(QStringLiteral("the backup's keybag holds no class keys"));
    for (const ClassRecord& record : std::as_const(mRecords)) {
        if (!record.mHasClass || record.mWrappedKey.isEmpty())
            return fail(QStringLiteral("the backup's keybag has a class key without CLAS or "
                                       "WPKY"));
    }
    const bool anyPasscodeKey = std::any_of(mRecords.cbegin(), mRecords.cend(),
                                            [](const ClassRecord& r) { return r.mWrap & kWrapPasscode; });
    if (!anyPasscodeKey)
        return fail(QStringLiteral("the backup's keybag has no key that the password opens"));
    mError.clear();
    return true;
}

QByteArray BackupKeybag::pbkdf2Sha1(const QByteArray& aPassword, const QByteArray& aSalt,
                                    int aIterations)
{
    return pbkdf2(aPassword, aSalt, aIterations, EVP_sha1());
}

QByteArray BackupKeybag::pbkdf2Sha256(const QByteArray& aPassword, const QByteArray& aSalt,
                                      int aIterations)
{
    return pbkdf2(aPassword, aSalt, aIterations, EVP_sha256());
}

QByteArray BackupKeybag::deriveKey(const QByteArray& aPassword) const
{
    QByteArray first = aPassword;
    if (hasDoubleDerivation())
        first = pbkdf2Sha256(aPassword, mDpsl, int(mDpic));
    QByteArray key = pbkdf2Sha1(first, mSalt, int(mIterations));
    first.fill('\0');
    return key;
}

bool BackupKeybag::unlock(const QByteArray& aPasswordKey)
{
    mClassKeys.clear();
    for (const ClassRecord& record : std::as_const(mRecords)) {
        if (!(record.mWrap & kWrapPasscode)) {
            mClassKeys.insert(record.mClass, record.mWrappedKey);
            continue;
        }
        const std::optional<QByteArray> key = AesKeyUnwrap::unwrap(aPasswordKey,
                                                                   record.mWrappedKey);
        if (!key) {
            mClassKeys.clear();
            return false;
        }
        mClassKeys.insert(record.mClass, *key);
    }
    return true;
}
