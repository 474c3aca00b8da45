#include "backup/ExportFixtureLogProbe.h"

#include "TestPaths.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

bool ExportFixtureLogProbe::run(const QString& aKind, const QString& aOutput,
                                const QStringList& aDatabases)
{
    const QString program = TestPaths::program(QStringLiteral("pellmar_export_log_probe"));
    if (program.isEmpty())
        return false;
    QTemporaryDir home;
    const QString logFolder = home.filePath(QStringLiteral("Desktop/CDZ"));
    QDir().mkpath(logFolder);

    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    env.remove(QStringLiteral("XDG_CONFIG_HOME"));
    env.remove(QStringLiteral("XDG_DESKTOP_DIR"));
    process.setProcessEnvironment(env);
    process.start(program, QStringList{aKind, aOutput} + aDatabases);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return false;
    bool ok = false;
    result = QString::fromLatin1(process.readAllStandardOutput()).trimmed().toInt(&ok);

    QFile log(logFolder + QStringLiteral("/log.txt"));
    if (!log.open(QIODevice::ReadOnly))
        return false;
    // Each line is "hh:mm:ss:zzz" and the text, ending in CR LF.
    for (const QByteArray& line : log.readAll().split('\n')) {
        if (line.size() > 12)
            lines.append(QString::fromUtf8(line.mid(12)).remove(QLatin1Char('\r')));
    }
    logFolderFiles = QDir(logFolder).entryList(QDir::Files, QDir::Name);
    return ok;
}
