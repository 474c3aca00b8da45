#include "backup/FakeKeybag.h"

#include <QtEndian>

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <memory>

namespace {

void appendTag(QByteArray& aOut, const char* aTag, const QByteArray& aValue)
{
    aOut.append(aTag, 4);
    char length[4];
    qToBigEndian<quint32>(quint32(aValue.size()), length);
    aOut.append(length, 4);
    aOut.append(aValue);
}

QByteArray number(quint32 aValue)
{
    char bytes[4];
    qToBigEndian<quint32>(aValue, bytes);
    return QByteArray(bytes, 4);
}

QByteArray pbkdf2(const QByteArray& aPassword, const QByteArray& aSalt, int aIterations,
                  const EVP_MD* aDigest)
{
    QByteArray key(32, '\0');
    PKCS5_PBKDF2_HMAC(aPassword.constData(), int(aPassword.size()),
                      reinterpret_cast<const unsigned char*>(aSalt.constData()), int(aSalt.size()),
                      aIterations, aDigest, 32, reinterpret_cast<unsigned char*>(key.data()));
    return key;
}

} // namespace

FakeKeybag::FakeKeybag(const QByteArray& aPassword, int aIterations, int aSha256Iterations,
                       bool aDoubleDerivation)
{
    const QByteArray salt = randomBytes(20);
    const QByteArray dpsl = randomBytes(20);
    QByteArray passwordKey = aPassword;
    if (aDoubleDerivation)
        passwordKey = pbkdf2(passwordKey, dpsl, aSha256Iterations, EVP_sha256());
    passwordKey = pbkdf2(passwordKey, salt, aIterations, EVP_sha1());

    appendTag(mBytes, "VERS", number(aDoubleDerivation ? 4 : 3));
    appendTag(mBytes, "TYPE", number(1)); // a backup keybag
    appendTag(mBytes, "UUID", randomBytes(16));
    appendTag(mBytes, "HMCK", randomBytes(40));
    appendTag(mBytes, "WRAP", number(0));
    appendTag(mBytes, "SALT", salt);
    appendTag(mBytes, "ITER", number(quint32(aIterations)));
    if (aDoubleDerivation) {
        appendTag(mBytes, "DPWT", number(1));
        appendTag(mBytes, "DPIC", number(quint32(aSha256Iterations)));
        appendTag(mBytes, "DPSL", dpsl);
    }
    for (quint32 protectionClass = 1; protectionClass <= 11; ++protectionClass) {
        const QByteArray key = randomBytes(32);
        mClassKeys.insert(protectionClass, key);
        appendTag(mBytes, "UUID", randomBytes(16));
        appendTag(mBytes, "CLAS", number(protectionClass));
        appendTag(mBytes, "WRAP", number(2));
        appendTag(mBytes, "KTYP", number(0));
        appendTag(mBytes, "WPKY", wrap(passwordKey, key));
    }
}

QByteArray FakeKeybag::wrapForClass(quint32 aClass, const QByteArray& aKey) const
{
    char prefix[4];
    qToLittleEndian<quint32>(aClass, prefix);
    return QByteArray(prefix, 4) + wrap(mClassKeys.value(aClass), aKey);
}

QByteArray FakeKeybag::randomBytes(int aCount)
{
    QByteArray bytes(aCount, '\0');
    RAND_bytes(reinterpret_cast<unsigned char*>(bytes.data()), aCount);
    return bytes;
}

QByteArray FakeKeybag::wrap(const QByteArray& aKek, const QByteArray& aKey)
{
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(),
                                                                       EVP_CIPHER_CTX_free);
    EVP_CIPHER_CTX_set_flags(ctx.get(), EVP_CIPHER_CTX_FLAG_WRAP_ALLOW);
    EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_wrap(), nullptr,
                       reinterpret_cast<const unsigned char*>(aKek.constData()), nullptr);
    QByteArray out(aKey.size() + 8, '\0');
    int length = 0;
    int tail = 0;
    auto* target = reinterpret_cast<unsigned char*>(out.data());
    EVP_EncryptUpdate(ctx.get(), target, &length,
                      reinterpret_cast<const unsigned char*>(aKey.constData()), int(aKey.size()));
    EVP_EncryptFinal_ex(ctx.get(), target + length, &tail);
    out.truncate(length + tail);
    return out;
}

QByteArray FakeKeybag::encrypt(const QByteArray& aKey, const QByteArray& aPlain, bool aPad)
{
    static const unsigned char zeroIv[16] = {};
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(),
                                                                       EVP_CIPHER_CTX_free);
    EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_cbc(), nullptr,
                       reinterpret_cast<const unsigned char*>(aKey.constData()), zeroIv);
    EVP_CIPHER_CTX_set_padding(ctx.get(), aPad ? 1 : 0);
    QByteArray out(aPlain.size() + 16, '\0');
    int length = 0;
    int tail = 0;
    auto* target = reinterpret_cast<unsigned char*>(out.data());
    EVP_EncryptUpdate(ctx.get(), target, &length,
                      reinterpret_cast<const unsigned char*>(aPlain.constData()),
                      int(aPlain.size()));
    EVP_EncryptFinal_ex(ctx.get(), target + length, &tail);
    out.truncate(length + tail);
    return out;
}
