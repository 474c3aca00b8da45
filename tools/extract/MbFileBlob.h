#pragma once

#include <QByteArray>
#include <QString>

// The "file" column of Manifest.db: an MBFile archived with NSKeyedArchiver (a binary plist).
// Of it an encrypted backup needs EncryptionKey (the 4-byte little-endian protection class and
// the wrapped key of the file), ProtectionClass and Size.
class MbFileBlob
{
public:
    // False with error() when the blob is no archive of an MBFile.
    bool parse(const QByteArray& aBlob);
    QString error() const { return mError; }

    QByteArray mEncryptionKey; // empty when the blob holds none
    qint64 mProtectionClass = -1;
    qint64 mSize = -1; // -1 when not recorded

private:
    QString mError;
};
