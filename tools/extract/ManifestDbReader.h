#pragma once

#include "BackupEntry.h"

#include <QString>

// Reads the index of backups made by iOS 10 and later: the SQLite file "Manifest.db" with its
// table Files (fileID, domain, relativePath, flags, file). flags 1 is a regular file, 2 a folder,
// 4 a symbolic link. The database is opened immutable, so that SQLite writes nothing beside it
// (no -wal or -shm file, not even for a database in WAL mode): it lies in the user's backup.
class ManifestDbReader
{
public:
    // aWithKeys: also read each regular file's key and size from its record (encrypted backups).
    static BackupIndex read(const QString& aManifestPath, bool aWithKeys = false);
    // The URI that opens aPath read-only and immutable.
    static QString immutableUri(const QString& aPath);
};
