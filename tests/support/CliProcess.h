#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

// One run of a built program (pellmar-sync, pellmar-extract) with its own HOME, without a
// terminal, and what it answered.
struct CliProcess
{
    int mExitCode = -1;
    QString mOut;
    QString mErr;

    static CliProcess run(const QString& aProgram, const QStringList& aArguments,
                          const QString& aHome, const QMap<QString, QString>& aEnvironment = {});
    // Both streams, for failure messages.
    QString all() const { return mOut + mErr; }
};
