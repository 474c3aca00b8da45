#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class ExportDatabase;
class ExportXmlWriter;

// The walk of an exporter over its databases, in order. Each database is opened and checked,
// logging "Could not open database" (with the driver's "Error"), or "Database opened" and then
// "Database is invalid" or "Database is valid"; a valid one is handed to the exporter and closed
// afterwards. Once the result is a failure, no later database is opened. A copy of each
// database is kept in the log folder as the log name + its index + ".db", so that a failed
// export can be reproduced from the log.
class ExportDatabaseLoop
{
public:
    // Which databases get their copy in the log folder.
    enum class LogCopy {
        Always,  // every one, also those skipped after a failure
        WhileOk, // only those visited while the result is still Ok
    };

    // Writes one open, valid database; returns ExportResult::Ok or a failure code.
    using WriteDatabase = std::function<int(ExportDatabase& aDatabase)>;
    using WriteDatabaseTo = std::function<int(ExportDatabase& aDatabase, ExportXmlWriter& aWriter)>;

    ExportDatabaseLoop(const QStringList& aDatabases, const QString& aLogName, LogCopy aLogCopy);

    // Visits the databases, starting from aResult (a failure there skips them all), and returns
    // the result: DatabaseNotOpened, DatabaseInvalid, or what the last aWrite returned.
    int visit(int aResult, const WriteDatabase& aWrite) const;

    // The whole document: opens aOutputPath (none when it is empty, and the databases are
    // visited all the same) with the root element aRootElement (on failure logs
    // "Unable to open file" and the result is OutputNotOpened, so nothing is opened), visits the
    // databases and finishes the file. A file that could not be written completely (a full
    // disk) logs "Unable to write file" and turns a result that was still Ok into
    // OutputNotOpened, since it must not be reported as a complete export.
    int writeDocument(const QString& aOutputPath, const QString& aRootElement,
                      const WriteDatabaseTo& aWrite) const;

private:
    QStringList mDatabases;
    QString mLogName;
    LogCopy mLogCopy;
};
