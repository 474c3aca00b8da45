#pragma once

#include "BackupEntry.h"

#include <QString>

// Reads the index of backups made by iOS 10 and later: the SQLite file "Manifest.db" with its
// table Files (fileID, domain, relativePath, flags, file). flags 1 is a regular file, 2 a folder,
// 4 a symbolic link.
class ManifestDbReader
{
public:
    static BackupIndex read(const QString& aManifestPath);
};
