#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// One file of a backup as its index lists it.
struct BackupEntry
{
    // Name of the stored copy (40 lowercase hex characters in a sound backup).
    QString mFileId;
    QString mDomain;
    // Path inside the domain, as the phone had it.
    QString mRelativePath;
    // Only regular files are unpacked; folders and links are listed too but skipped.
    bool mRegularFile = false;
    // Of an encrypted backup: the file's wrapped key (a 4-byte little-endian protection class,
    // then the key wrapped with that class's key), its protection class and its size in bytes
    // (-1 when not recorded). mRecordError says why the file's record could not be read.
    QByteArray mEncryptionKey;
    qint64 mProtectionClass = -1;
    qint64 mSize = -1;
    QString mRecordError;
};

// What an index reader found: mReadable is false when the index could not be read at all.
struct BackupIndex
{
    bool mReadable = false;
    // Set when the index broke off; the entries before the damage are still usable.
    bool mTruncated = false;
    QList<BackupEntry> mEntries;
    // The index file, for messages.
    QString mPath;
};
