#include "backup/iphone/ExportDatabaseLoop.h"

#include "app/DebugLog.h"
#include "backup/iphone/ExportDatabase.h"
#include "backup/ExportResult.h"
#include "backup/ExportXmlWriter.h"

#include <QFileInfo>

ExportDatabaseLoop::ExportDatabaseLoop(const QStringList& aDatabases, const QString& aLogName,
                                       LogCopy aLogCopy)
    : mDatabases(aDatabases), mLogName(aLogName), mLogCopy(aLogCopy)
{
}

int ExportDatabaseLoop::visit(int aResult, const WriteDatabase& aWrite) const
{
    int result = aResult;
    for (qsizetype n = 0; n < mDatabases.size(); ++n) {
        const QString& path = mDatabases.at(n);
        ExportDatabase database(path);
        if (mLogCopy == LogCopy::Always || result == ExportResult::Ok) {
            const QString name = mLogName + QString::number(n) + QStringLiteral(".db");
            copyToLogFolder(path, name);
            // The latest rows may be in the write-ahead log.
            if (QFileInfo::exists(path + QStringLiteral("-wal")))
                copyToLogFolder(path + QStringLiteral("-wal"), name + QStringLiteral("-wal"));
        }
        if (result != ExportResult::Ok)
            continue;

        const int opened = database.open();
        if (opened == ExportResult::DatabaseNotOpened) {
            logMessage("Could not open database");
            logValue("Error", database.errorText());
            result = opened;
            continue;
        }
        logMessage("Database opened");
        if (opened != ExportResult::Ok) {
            logMessage("Database is invalid");
            result = opened;
            database.close();
            continue;
        }
        logMessage("Database is valid");

        result = aWrite(database);
        database.close();
    }
    return result;
}

int ExportDatabaseLoop::writeDocument(const QString& aOutputPath, const QString& aRootElement,
                                      const WriteDatabaseTo& aWrite) const
{
    int result = ExportResult::Ok;
    ExportXmlWriter writer(aOutputPath);
    // Without a path only the other files of the exporter are written.
    if (!aOutputPath.isEmpty() && writer.open(aRootElement) != ExportResult::Ok) {
        logValue("Unable to open file", aOutputPath);
        result = ExportResult::OutputNotOpened;
    }

    result = visit(result, [&](ExportDatabase& aDatabase) { return aWrite(aDatabase, writer); });

    if (!writer.finish() && result == ExportResult::Ok) {
        logValue("Unable to write file", aOutputPath);
        result = ExportResult::OutputNotOpened;
    }
    return result;
}
