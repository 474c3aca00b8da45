#include "backup/blackberry/BackupDatabaseRegistry.h"

int BackupDatabaseRegistry::add(const QString& aName)
{
    const int index = int(mNames.size());
    mNames.append(aName);
    BackupDatabase& database = mDatabases[index];
    database.mIndex = index;
    database.mName = aName;
    return index;
}

BackupDatabase* BackupDatabaseRegistry::find(int aIndex)
{
    const auto it = mDatabases.find(aIndex);
    return it == mDatabases.end() ? nullptr : &it.value();
}

const BackupDatabase* BackupDatabaseRegistry::find(const QString& aName) const
{
    const qsizetype index = mNames.indexOf(aName);
    if (index < 0)
        return nullptr;
    const auto it = mDatabases.constFind(int(index));
    return it == mDatabases.constEnd() ? nullptr : &it.value();
}
