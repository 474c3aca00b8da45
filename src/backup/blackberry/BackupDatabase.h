#pragma once

#include "backup/blackberry/BackupRecord.h"

#include <QList>
#include <QString>

// One database of a BlackBerry backup ("SMS Messages", "Address Book - All", ...) and the records
// read for it.
struct BackupDatabase
{
    int mIndex = 0;
    QString mName;
    QList<BackupRecord> mRecords;
};
