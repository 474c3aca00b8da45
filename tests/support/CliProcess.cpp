#include "CliProcess.h"

#include "TestPaths.h"

#include <QProcess>

CliProcess CliProcess::run(const QString& aProgram, const QStringList& aArguments,
                           const QString& aHome, const QMap<QString, QString>& aEnvironment)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), aHome);
    env.remove(QStringLiteral("PELLMAR_PHONE_FOLDERS"));
    for (auto it = aEnvironment.cbegin(); it != aEnvironment.cend(); ++it)
        env.insert(it.key(), it.value());
    process.setProcessEnvironment(env);
    process.start(TestPaths::program(aProgram), aArguments);
    CliProcess outcome;
    if (!process.waitForStarted())
        return outcome;
    process.closeWriteChannel();
    process.waitForFinished(60000);
    outcome.mExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    outcome.mOut = QString::fromUtf8(process.readAllStandardOutput());
    outcome.mErr = QString::fromUtf8(process.readAllStandardError());
    return outcome;
}
