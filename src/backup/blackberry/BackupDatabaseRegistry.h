#pragma once

#include "backup/blackberry/BackupDatabase.h"

#include <QHash>
#include <QStringList>

// The databases of one BlackBerry backup. Every name read from any of its files gets the next
// index, counting from 0 across the files in reading order; records name their database by that
// index.
class BackupDatabaseRegistry
{
public:
    // Registers aName under the next index and returns the index.
    int add(const QString& aName);
    // The database with this index, or nullptr.
    BackupDatabase* find(int aIndex);
    // The first database registered under aName, or nullptr.
    const BackupDatabase* find(const QString& aName) const;
    const QStringList& names() const { return mNames; }
    int count() const { return int(mNames.size()); }

private:
    QHash<int, BackupDatabase> mDatabases;
    QStringList mNames;
};
