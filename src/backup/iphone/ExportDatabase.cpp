#include "backup/iphone/ExportDatabase.h"

#include "app/DebugLog.h"
#include "backup/ExportResult.h"

#include <QAtomicInteger>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

QString nextConnectionName()
{
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("pellmar-export-%1").arg(counter.fetchAndAddRelaxed(1) + 1);
}

} // namespace

ExportDatabase::ExportDatabase(const QString& aPath)
    : mPath(aPath), mConnectionName(nextConnectionName())
{
    mDb = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), mConnectionName);
    mDb.setDatabaseName(aPath);
    mDb.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
}

ExportDatabase::~ExportDatabase()
{
    close();
    mDb = QSqlDatabase();
    QSqlDatabase::removeDatabase(mConnectionName);
    // mLogCopy goes after the connection that read it.
}

int ExportDatabase::open()
{
    // A missing file would otherwise be opened as a new empty database; the read-only
    // connection refuses it, but an empty name means an in-memory database, so refuse that here.
    if (mPath.isEmpty())
        return ExportResult::DatabaseNotOpened;
    if (QFileInfo::exists(mPath + QStringLiteral("-wal")) && !copyWithLog())
        logValue("Could not copy the write-ahead log of", mPath);
    if (!mDb.open())
        return ExportResult::DatabaseNotOpened;
    if (!mDb.isValid())
        return ExportResult::DatabaseInvalid;
    return ExportResult::Ok;
}

bool ExportDatabase::isReadable()
{
    // SQLite opens any file and complains only at the first read.
    if (open() != ExportResult::Ok)
        return false;
    QSqlQuery probe(mDb);
    const bool readable = probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    if (!readable)
        logValue("Not a readable SQLite database", mPath);
    return readable;
}

bool ExportDatabase::copyWithLog()
{
    auto folder = std::make_unique<QTemporaryDir>();
    if (!folder->isValid())
        return false;
    // The shared-memory file belongs to the phone's processes; SQLite rebuilds it from the log.
    const QString copy = folder->filePath(QStringLiteral("database"));
    if (!QFile::copy(mPath, copy)
        || !QFile::copy(mPath + QStringLiteral("-wal"), copy + QStringLiteral("-wal")))
        return false;
    // Copies keep the source's permissions; SQLite must be able to make the shared-memory file.
    for (const QString& file : {copy, copy + QStringLiteral("-wal")})
        QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    mDb.setDatabaseName(copy);
    mLogCopy = std::move(folder);
    logValue("Reading with its write-ahead log", mPath);
    return true;
}

bool ExportDatabase::isOpen() const
{
    return mDb.isOpen();
}

void ExportDatabase::close()
{
    if (mDb.isOpen())
        mDb.close();
}

QString ExportDatabase::errorText() const
{
    if (mPath.isEmpty())
        return QStringLiteral("No database file");
    return mDb.lastError().text();
}

QStringList ExportDatabase::tables() const
{
    if (!mDb.isOpen())
        return {};
    return mDb.tables();
}

ExportQuery::ExportQuery(ExportDatabase& aDatabase) : mQuery(aDatabase.database())
{
    mQuery.setForwardOnly(true);
}

bool ExportQuery::exec(const QString& aStatement)
{
    resetColumns();
    return mQuery.exec(aStatement);
}

bool ExportQuery::prepare(const QString& aStatement)
{
    resetColumns();
    return mQuery.prepare(aStatement);
}

void ExportQuery::bindValue(const QString& aPlaceholder, const QVariant& aValue)
{
    mQuery.bindValue(aPlaceholder, aValue);
}

bool ExportQuery::exec()
{
    // A prepared statement keeps its columns from one execution to the next, so the positions
    // found by name stay valid.
    return mQuery.exec();
}

bool ExportQuery::next()
{
    return mQuery.next();
}

QString ExportQuery::lastError() const
{
    return mQuery.lastError().text();
}

void ExportQuery::resetColumns()
{
    mColumns.clear();
}

int ExportQuery::column(const QString& aColumn)
{
    const auto found = mColumns.constFind(aColumn);
    if (found != mColumns.constEnd())
        return found.value();
    // QSqlRecord::indexOf ignores case and gives the first column of a repeated name.
    const int index = mQuery.record().indexOf(aColumn);
    mColumns.insert(aColumn, index);
    return index;
}

QString ExportQuery::text(const QVariant& aValue)
{
    if (!aValue.isValid() || aValue.isNull())
        return QString();
    QString result = aValue.toString();
    if (result.isNull())
        result = QLatin1String(""); // an empty text is a value, not NULL
    return result;
}

QString ExportQuery::text(const QString& aColumn)
{
    const int index = column(aColumn);
    if (index < 0)
        return QString();
    return text(mQuery.value(index));
}

QByteArray ExportQuery::bytes(const QString& aColumn)
{
    const int index = column(aColumn);
    if (index < 0)
        return QByteArray();
    const QVariant value = mQuery.value(index);
    if (!value.isValid() || value.isNull())
        return QByteArray();
    QByteArray result = value.typeId() == QMetaType::QByteArray ? value.toByteArray()
                                                                  : value.toString().toUtf8();
    if (result.isNull())
        result = QByteArray("");
    return result;
}

bool ExportQuery::isNull(const QString& aColumn)
{
    const int index = column(aColumn);
    return index < 0 || mQuery.value(index).isNull();
}
