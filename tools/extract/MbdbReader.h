#pragma once

#include "BackupEntry.h"

#include <QByteArray>
#include <QString>

// Reads the index of backups made before iOS 10: "Manifest.mbdb", big-endian, starting with
// "mbdb" 05 00. Each record: five strings (domain, path, link target, data hash, encryption key;
// a u16 length, 0xFFFF for none), mode u16, inode u64, uid and gid u32, mtime, atime and ctime
// u32, size u64, protection class u8, and a u8 count of property pairs (two strings each).
// An encrypted backup keeps each file's wrapped key in the fifth string (as Manifest.db keeps
// it in EncryptionKey). A stored file is named by the lowercase hex SHA-1 of domain + "-" + path.
class MbdbReader
{
public:
    static BackupIndex read(const QString& aManifestPath);
    static BackupIndex parse(const QByteArray& aData);
};
