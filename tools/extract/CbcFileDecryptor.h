#pragma once

#include <QByteArray>
#include <QString>

// Decrypts one file of an encrypted backup: AES-256-CBC with a zero IV, through OpenSSL, a
// megabyte at a time so that a long video needs no more memory than a photo. The plain text is
// written to a new file readable by its owner only; on any failure that file is removed.
class CbcFileDecryptor
{
public:
    // What to do with the end of the plain text.
    enum class Ending {
        // Cut to aSize bytes (the size the backup recorded).
        CutToSize,
        // Remove PKCS#7 padding; used when no size was recorded.
        Pkcs7,
        // Keep every byte, but drop a whole block of padding behind a database's last page.
        Database,
    };

    // False with aError (naming what is wrong, not the file) when the file cannot be read, its
    // size is not a multiple of 16, it is shorter than aSize, or the target cannot be written.
    static bool decrypt(const QString& aSource, const QString& aTarget, const QByteArray& aKey,
                        Ending aEnding, qint64 aSize, QString& aError);
};
