#pragma once

#include <QByteArray>

#include <optional>

// AES key unwrap (RFC 3394) with OpenSSL: the keys of an encrypted backup are stored wrapped
// with the key one level up. A failed integrity check (nothing) means the wrapping key is wrong.
class AesKeyUnwrap
{
public:
    // aKek: 16, 24 or 32 bytes; aWrapped: a multiple of 8 bytes, at least 24.
    static std::optional<QByteArray> unwrap(const QByteArray& aKek, const QByteArray& aWrapped);
};
