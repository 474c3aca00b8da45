#include "library/strawberry/PlayerDatabaseConnection.h"

#include <QAtomicInteger>
#include <QFileInfo>

namespace {

QAtomicInteger<quint32> gConnectionCount;

// SQLite's primary result codes for a lock held by another connection.
constexpr int kSqliteBusy = 5;
constexpr int kSqliteLocked = 6;

} // namespace

PlayerDatabaseConnection::PlayerDatabaseConnection(const QString& aPath)
    : mPath(aPath)
    , mName(QStringLiteral("pellmar-player-db-%1").arg(gConnectionCount.fetchAndAddRelaxed(1)))
{
}

PlayerDatabaseConnection::~PlayerDatabaseConnection()
{
    if (mDatabase.isValid()) {
        mDatabase.close();
        mDatabase = QSqlDatabase();
        QSqlDatabase::removeDatabase(mName);
    }
}

bool PlayerDatabaseConnection::open()
{
    // SQLite would create an empty database for a missing file; read-only it refuses, but say
    // plainly what is wrong.
    if (!QFileInfo(mPath).isFile()) {
        mError = QSqlError(QStringLiteral("no such file"), QString(),
                           QSqlError::ConnectionError);
        return false;
    }
    mDatabase = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), mName);
    mDatabase.setDatabaseName(mPath);
    mDatabase.setConnectOptions(
        QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    if (!mDatabase.open()) {
        mError = mDatabase.lastError();
        return false;
    }
    return true;
}

bool PlayerDatabaseConnection::isBusy(const QSqlError& aError)
{
    bool ok = false;
    // Extended result codes keep the primary code in their low byte.
    const int code = aError.nativeErrorCode().toInt(&ok) & 0xff;
    if (ok && (code == kSqliteBusy || code == kSqliteLocked))
        return true;
    return aError.databaseText().contains(QStringLiteral("locked"), Qt::CaseInsensitive);
}
