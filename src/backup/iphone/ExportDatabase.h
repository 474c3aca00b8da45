#pragma once

#include <QByteArray>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

class QTemporaryDir;

// One SQLite database of an unpacked backup, opened read-only (an exporter never changes the
// user's data and never creates a missing file) under a connection name of its own, so that
// exporters running one after another never share or replace each other's connection. The
// connection is closed and removed when the object goes; queries made from it must be gone
// by then.
//
// A database with a write-ahead log beside it ("X-wal") keeps its latest rows there. A
// read-only connection reads them only through a shared-memory file ("X-shm") that it cannot
// make, and a writing one would fold the log into the file; so the database and its log are
// copied into a private temporary folder and read from there, and the files given are never
// touched.
class ExportDatabase
{
public:
    explicit ExportDatabase(const QString& aPath);
    ~ExportDatabase();
    // Opens the file and reads its table list: false for a file that is no SQLite database,
    // which open() alone accepts.
    bool isReadable();

    ExportDatabase(const ExportDatabase&) = delete;
    ExportDatabase& operator=(const ExportDatabase&) = delete;

    // ExportResult::Ok, DatabaseNotOpened (the driver could not open it; errorText() says why) or
    // DatabaseInvalid (opened, but the driver does not consider the connection valid).
    int open();
    bool isOpen() const;
    void close();

    QString path() const { return mPath; }
    QString errorText() const;
    // The database's tables; empty when it is not open or not a database at all.
    QStringList tables() const;

    QSqlDatabase& database() { return mDb; }

private:
    // Copies the database and its log to mLogCopy; false when that failed.
    bool copyWithLog();

    QString mPath;
    QString mConnectionName;
    QSqlDatabase mDb;
    std::unique_ptr<QTemporaryDir> mLogCopy;
};

// A selection on an ExportDatabase whose rows are read by column name without regard to case.
// A NULL or absent column reads as a null QString, an empty text as an empty (not null) one.
// Where a name occurs twice (joined tables), the first column of that name is read.
class ExportQuery
{
public:
    explicit ExportQuery(ExportDatabase& aDatabase);

    // Runs aStatement at once. Returns false on failure (lastError() says why).
    bool exec(const QString& aStatement);
    // Prepares aStatement for bindValue()/exec() any number of times.
    bool prepare(const QString& aStatement);
    void bindValue(const QString& aPlaceholder, const QVariant& aValue);
    bool exec();

    bool next();
    QString lastError() const;

    QString text(const QString& aColumn);
    // The raw bytes of the column (BLOB or text); null when NULL or absent.
    QByteArray bytes(const QString& aColumn);
    bool isNull(const QString& aColumn);
    // The column's position, or -1 when absent.
    int column(const QString& aColumn);

    static QString text(const QVariant& aValue);

private:
    void resetColumns();

    QSqlQuery mQuery;
    // Column positions by the name as asked for (callers use constant names).
    QHash<QString, int> mColumns;
};
