#include "ManifestDbReader.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace {
constexpr int kRegularFileFlag = 1;
}

BackupIndex ManifestDbReader::read(const QString& aManifestPath)
{
    BackupIndex index;
    const QString connection = QStringLiteral("manifest-") + QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(aManifestPath);
        // Never write to the user's backup, not even a journal.
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery query(db);
            query.setForwardOnly(true);
            if (query.exec(QStringLiteral(
                    "SELECT fileID, domain, relativePath, flags FROM Files"))) {
                index.mReadable = true;
                while (query.next()) {
                    BackupEntry entry;
                    entry.mFileId = query.value(0).toString();
                    entry.mDomain = query.value(1).toString();
                    entry.mRelativePath = query.value(2).toString();
                    entry.mRegularFile = query.value(3).toInt() == kRegularFileFlag;
                    index.mEntries.append(entry);
                }
                index.mTruncated = query.lastError().isValid();
            }
            query.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return index;
}
