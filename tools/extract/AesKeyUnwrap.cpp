#include "AesKeyUnwrap.h"

#include <openssl/evp.h>

#include <memory>

std::optional<QByteArray> AesKeyUnwrap::unwrap(const QByteArray& aKek, const QByteArray& aWrapped)
{
    const EVP_CIPHER* cipher = aKek.size() == 32   ? EVP_aes_256_wrap()
                               : aKek.size() == 24 ? EVP_aes_192_wrap()
                               : aKek.size() == 16 ? EVP_aes_128_wrap()
                                                   : nullptr;
    if (!cipher || aWrapped.size() < 24 || aWrapped.size() % 8 != 0)
        return std::nullopt;
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(),
                                                                       EVP_CIPHER_CTX_free);
    if (!ctx)
        return std::nullopt;
    EVP_CIPHER_CTX_set_flags(ctx.get(), EVP_CIPHER_CTX_FLAG_WRAP_ALLOW);
    const auto* kek = reinterpret_cast<const unsigned char*>(aKek.constData());
    // No IV given: the default initial value of RFC 3394, which the integrity check tests.
    if (EVP_DecryptInit_ex(ctx.get(), cipher, nullptr, kek, nullptr) != 1)
        return std::nullopt;
    QByteArray key(aWrapped.size(), '\0');
    int length = 0;
    int tail = 0;
    auto* out = reinterpret_cast<unsigned char*>(key.data());
    if (EVP_DecryptUpdate(ctx.get(), out, &length,
                          reinterpret_cast<const unsigned char*>(aWrapped.constData()),
                          int(aWrapped.size()))
            <= 0
        || EVP_DecryptFinal_ex(ctx.get(), out + length, &tail) <= 0)
        return std::nullopt;
    key.truncate(length + tail);
    return key;
}
