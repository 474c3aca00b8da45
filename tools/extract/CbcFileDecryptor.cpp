#include "CbcFileDecryptor.h"

#include <QFile>

#include <openssl/evp.h>

#include <memory>

namespace {

constexpr qint64 kChunk = 1 << 20;
constexpr int kBlock = 16;
// The smallest SQLite page; a database is a whole number of pages.
constexpr qint64 kSmallestPage = 512;

// The number of padding bytes at the end of aLastBlock, or -1 when it is no PKCS#7 padding.
int paddingOf(const unsigned char* aLastBlock)
{
    const int pad = aLastBlock[kBlock - 1];
    if (pad < 1 || pad > kBlock)
        return -1;
    for (int i = kBlock - pad; i < kBlock; ++i)
        if (aLastBlock[i] != pad)
            return -1;
    return pad;
}

class Decryption
{
public:
    Decryption() : mCtx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free) {}

    bool start(const QByteArray& aKey)
    {
        static const unsigned char zeroIv[kBlock] = {};
        return mCtx && aKey.size() == 32
               && EVP_DecryptInit_ex(mCtx.get(), EVP_aes_256_cbc(), nullptr,
                                     reinterpret_cast<const unsigned char*>(aKey.constData()),
                                     zeroIv)
                      == 1
               && EVP_CIPHER_CTX_set_padding(mCtx.get(), 0) == 1;
    }

    // Whole blocks in, as many bytes out.
    bool update(const char* aIn, int aLength, char* aOut)
    {
        int written = 0;
        return EVP_DecryptUpdate(mCtx.get(), reinterpret_cast<unsigned char*>(aOut), &written,
                                 reinterpret_cast<const unsigned char*>(aIn), aLength)
                   == 1
               && written == aLength;
    }

private:
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> mCtx;
};

} // namespace

bool CbcFileDecryptor::decrypt(const QString& aSource, const QString& aTarget,
                               const QByteArray& aKey, Ending aEnding, qint64 aSize,
                               QString& aError)
{
    QFile in(aSource);
    if (!in.open(QIODevice::ReadOnly)) {
        aError = QStringLiteral("it cannot be read");
        return false;
    }
    const qint64 total = in.size();
    if (total % kBlock != 0) {
        aError = QStringLiteral("its size (%1 bytes) is not a multiple of 16").arg(total);
        return false;
    }
    if (aEnding == Ending::CutToSize && total < aSize) {
        aError = QStringLiteral("it is shorter (%1 bytes) than its recorded size (%2 bytes)")
                     .arg(total)
                     .arg(aSize);
        return false;
    }
    if (aEnding == Ending::Pkcs7 && total == 0) {
        aError = QStringLiteral("it is empty, without even its padding");
        return false;
    }
    Decryption decryption;
    if (!decryption.start(aKey)) {
        aError = QStringLiteral("its key is not a 256-bit AES key");
        return false;
    }
    QFile::remove(aTarget);
    QFile out(aTarget);
    if (!out.open(QIODevice::WriteOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        aError = QStringLiteral("the plain copy cannot be written: ") + out.errorString();
        return false;
    }
    const auto failWith = [&](const QString& aText) {
        aError = aText;
        out.close();
        QFile::remove(aTarget);
        return false;
    };

    // The last block decides about padding, so it is written only once the end is known.
    const qint64 keep = aEnding == Ending::CutToSize ? aSize : total;
    QByteArray cipher(kChunk, Qt::Uninitialized);
    QByteArray plain(kChunk, Qt::Uninitialized);
    qint64 done = 0;
    qint64 written = 0;
    unsigned char lastBlock[kBlock] = {};
    while (done < total) {
        const qint64 want = qMin(kChunk, total - done);
        if (in.read(cipher.data(), want) != want)
            return failWith(QStringLiteral("it could not be read to its end"));
        if (!decryption.update(cipher.constData(), int(want), plain.data()))
            return failWith(QStringLiteral("it could not be decrypted"));
        done += want;
        qint64 usable = want;
        if (done == total) {
            memcpy(lastBlock, plain.constData() + want - kBlock, kBlock);
            usable -= kBlock;
        }
        const qint64 toWrite = qMin(usable, keep - written);
        if (toWrite > 0 && out.write(plain.constData(), toWrite) != toWrite)
            return failWith(QStringLiteral("the plain copy cannot be written: ")
                            + out.errorString());
        written += qMax<qint64>(toWrite, 0);
    }
    if (total > 0) {
        qint64 tail = kBlock;
        const int pad = paddingOf(lastBlock);
        if (aEnding == Ending::Pkcs7) {
            if (pad < 0)
                return failWith(QStringLiteral("its padding is damaged (a wrong key?)"));
            tail -= pad;
        } else if (aEnding == Ending::Database && pad == kBlock
                   && (total - kBlock) % kSmallestPage == 0) {
            tail = 0;
        }
        tail = qMin(tail, keep - written);
        if (tail > 0 && out.write(reinterpret_cast<const char*>(lastBlock), tail) != tail)
            return failWith(QStringLiteral("the plain copy cannot be written: ")
                            + out.errorString());
    }
    memset(lastBlock, 0, sizeof lastBlock);
    plain.fill('\0');
    if (!out.flush())
        return failWith(QStringLiteral("the plain copy cannot be written: ") + out.errorString());
    out.close();
    return true;
}
