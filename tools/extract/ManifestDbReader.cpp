#include "ManifestDbReader.h"

#include "MbFileBlob.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUuid>

namespace {
constexpr int kRegularFileFlag = 1;
}

QString ManifestDbReader::immutableUri(const QString& aPath)
{
    return QUrl::fromLocalFile(aPath).toString(QUrl::FullyEncoded)
           + QStringLiteral("?mode=ro&immutable=1");
}

BackupIndex ManifestDbReader::read(const QString& aManifestPath, bool aWithKeys)
{
    BackupIndex index;
    const QString connection = QStringLiteral("manifest-") + QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(immutableUri(aManifestPath));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
        if (db.open()) {
            QSqlQuery query(db);
            query.setForwardOnly(true);
            // Plain backups are read without the records, which an index may lack.
            if (query.exec(aWithKeys ? QStringLiteral("SELECT fileID, domain, relativePath, "
                                                      "flags, file FROM Files")
                                     : QStringLiteral("SELECT fileID, domain, relativePath, "
                                                      "flags FROM Files"))) {
                index.mReadable = true;
                MbFileBlob blob;
                while (query.next()) {
                    BackupEntry entry;
                    entry.mFileId = query.value(0).toString();
                    entry.mDomain = query.value(1).toString();
                    entry.mRelativePath = query.value(2).toString();
                    entry.mRegularFile = query.value(3).toInt() == kRegularFileFlag;
                    if (aWithKeys && entry.mRegularFile) {
                        if (blob.parse(query.value(4).toByteArray())) {
                            entry.mEncryptionKey = blob.mEncryptionKey;
                            entry.mProtectionClass = blob.mProtectionClass;
                            entry.mSize = blob.mSize;
                        } else {
                            entry.mRecordError = blob.error();
                        }
                    }
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
