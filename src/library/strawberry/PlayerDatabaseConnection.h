#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

// A read-only QSQLITE connection to a music player's database while the player may be running
// and writing to it. Each object opens a connection of its own (a connection belongs to the
// thread that opened it) and removes it when destroyed.
class PlayerDatabaseConnection
{
public:
    // How long SQLite waits for the player's lock on each statement, in milliseconds.
    static constexpr int kBusyTimeoutMs = 300;

    explicit PlayerDatabaseConnection(const QString& aPath);
    ~PlayerDatabaseConnection();
    PlayerDatabaseConnection(const PlayerDatabaseConnection&) = delete;
    PlayerDatabaseConnection& operator=(const PlayerDatabaseConnection&) = delete;

    // Opens the file read-only; false with error() set when it cannot be opened.
    bool open();
    QSqlDatabase& database() { return mDatabase; }
    const QSqlError& error() const { return mError; }
    void setError(const QSqlError& aError) { mError = aError; }

    // True when aError means another connection holds a lock: trying again later may work.
    static bool isBusy(const QSqlError& aError);

private:
    QString mPath;
    QString mName;
    QSqlDatabase mDatabase;
    QSqlError mError;
};
