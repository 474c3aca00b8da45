#include "TestMain.h"
#include "TestPaths.h"

#include "app/CrashReporter.h"
#include "app/DebugLog.h"
#include "app/HelperLookup.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>

namespace {

const QRegularExpression kLine(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d:\\d\\d\\d(>> |<< |Returns: |    )"));

struct ProbeRun
{
    int exitCode = -1;
    QByteArray log;
    QString home;
};

// Runs the probe with aHome as HOME; the log is read from aHome/Desktop/CDZ when present.
ProbeRun runProbe(const QString& aHome, const QString& aScenario, int aTimeoutMsecs = 60000)
{
    ProbeRun run;
    run.home = aHome;
    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), aHome);
    env.remove(QStringLiteral("XDG_CONFIG_HOME"));
    env.remove(QStringLiteral("XDG_DESKTOP_DIR"));
    probe.setProcessEnvironment(env);
    probe.setWorkingDirectory(aHome);
    probe.start(TestPaths::program(QStringLiteral("pellmar_log_probe")), {aScenario});
    if (!probe.waitForFinished(aTimeoutMsecs))
        return run;
    run.exitCode = probe.exitStatus() == QProcess::NormalExit ? probe.exitCode() : -2;
    QFile log(aHome + QStringLiteral("/Desktop/CDZ/log.txt"));
    if (log.open(QIODevice::ReadOnly))
        run.log = log.readAll();
    return run;
}

QString makeHomeWithLogFolder(QTemporaryDir& aDir)
{
    QDir(aDir.path()).mkpath(QStringLiteral("Desktop/CDZ"));
    return aDir.path();
}

QList<QByteArray> linesOf(const QByteArray& aLog)
{
    QList<QByteArray> lines = aLog.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// The line without its time stamp.
QByteArray body(const QByteArray& aLine)
{
    return aLine.mid(12);
}

} // namespace

class TestApp : public QObject
{
    Q_OBJECT

private slots:
    void reportFormat()
    {
        CrashReporter reporter;
        QCOMPARE(reporter.exceptionNames().size(), 22);
        reporter.setLast(0xC0000005, {{"doWork()", "/src/a.cpp", 12}, {"", "", 0}});
        const std::string expected = "Exception: EXCEPTION_ACCESS_VIOLATION\r\n"
                                     + std::string(66, '-') + "\r\n"
                                     + "Function : doWork()\r\n"
                                       "    [Source File : /src/a.cpp]\r\n"
                                       "    [Source Line : 12]\r\n"
                                       "Function : UnkownFunction\r\n"
                                       "    [Source File : UnkownFile]\r\n"
                                       "    [Source Line : 0]\r\n";
        QCOMPARE(reporter.report(), expected);

        reporter.setLast(0x12345678, {});
        QCOMPARE(reporter.report(), "Unknown Exception...\r\n" + std::string(66, '-') + "\r\n");
        QCOMPARE(reporter.machineType(), uint16_t(0x8664));
    }

    void signalCodes()
    {
        QCOMPARE(CrashReporter::codeForSignal(SIGSEGV, SEGV_MAPERR), 0xC0000005u);
        QCOMPARE(CrashReporter::codeForSignal(SIGFPE, FPE_INTDIV), 0xC0000094u);
        QCOMPARE(CrashReporter::codeForSignal(SIGFPE, FPE_FLTDIV), 0xC000008Eu);
        QCOMPARE(CrashReporter::codeForSignal(SIGBUS, BUS_ADRALN), 0x80000002u);
        QCOMPARE(CrashReporter::codeForSignal(SIGBUS, BUS_ADRERR), 0xC0000006u);
        QCOMPARE(CrashReporter::codeForSignal(SIGILL, ILL_ILLOPC), 0xC000001Du);
        QCOMPARE(CrashReporter::codeForSignal(SIGILL, ILL_PRVOPC), 0xC0000096u);
        CrashReporter reporter;
        QVERIFY(!reporter.exceptionNames().contains(
            CrashReporter::codeForSignal(SIGABRT, 0))); // reported as unknown
    }

    void logLinesInAFolderThatExists()
    {
        QTemporaryDir dir;
        {
            DebugLog log(dir.path());
            QVERIFY(log.isOpen());
            log.writeLine(">> ", "Class::method");
            log.writeLine("    ", "name = value");
        }
        QFile file(dir.filePath(QStringLiteral("log.txt")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray contents = file.readAll();
        QVERIFY(contents.endsWith("name = value\r\n"));
        const QList<QByteArray> lines = linesOf(contents);
        QCOMPARE(lines.size(), 2);
        QVERIFY(QString::fromLatin1(lines[0]).contains(kLine));
        QCOMPARE(body(lines[0]), QByteArray(">> Class::method\r"));
    }

    void noLogWithoutTheFolder()
    {
        QTemporaryDir dir;
        DebugLog log(dir.filePath(QStringLiteral("missing")));
        QVERIFY(!log.isOpen());
        log.writeLine(">> ", "ignored");
        QVERIFY(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());

        const ProbeRun run = runProbe(dir.path(), QStringLiteral("normal"));
        QCOMPARE(run.exitCode, 3);
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("Desktop"))));
    }

    void startupAndExitLines()
    {
        QTemporaryDir dir;
        const QString home = makeHomeWithLogFolder(dir);
        const ProbeRun run = runProbe(home, QStringLiteral("normal"));
        QCOMPARE(run.exitCode, 3);
        const QList<QByteArray> lines = linesOf(run.log);
        QVERIFY(lines.size() > 8);
        for (const QByteArray& line : lines) {
            QVERIFY2(QString::fromUtf8(line).contains(kLine), line.constData());
            QVERIFY(line.endsWith('\r'));
        }
        QCOMPARE(body(lines[0]), QByteArray("    CORVO LOG\r"));
        QCOMPARE(body(lines[1]), QByteArray(">> mainInt\r"));
        QCOMPARE(body(lines[2]), QByteArray("    argc = 2\r"));
        QCOMPARE(body(lines[3]), "    Application data path = " + home.toUtf8() + "\r");
        QVERIFY(body(lines[4]).startsWith("    locale = "));
        QVERIFY(run.log.contains("    Translation NOT loaded\r\n"));
        QVERIFY(run.log.contains("    qt translations not loaded\r\n"));
        QVERIFY(run.log.contains("    completed = 1\r\n"));
        QCOMPARE(body(lines[lines.size() - 2]), QByteArray("<< mainInt\r"));
        QCOMPARE(body(lines.last()), QByteArray("Returns: 3\r"));

        // The log is packed beside itself at exit when an archiver is there.
        if (!HelperLookup::find(QStringLiteral("7z/7z"), QStringLiteral("7z")).isEmpty())
            QVERIFY(QFileInfo(home + QStringLiteral("/Desktop/CDZ/compressed_log.zip")).size()
                    > 0);

        // A second run starts a fresh log.
        const ProbeRun second = runProbe(home, QStringLiteral("unicode"));
        QVERIFY(!second.log.contains("completed = 1"));
        QVERIFY(second.log.contains("    title = Калинка\r\n"));
        QVERIFY(second.log.contains("    wide = Grüße\r\n"));
    }

    void threadsNeverInterleaveLines()
    {
        QTemporaryDir dir;
        const ProbeRun run = runProbe(makeHomeWithLogFolder(dir), QStringLiteral("threads"));
        QCOMPARE(run.exitCode, 3);
        int threadLines = 0;
        const QRegularExpression whole(
            QStringLiteral("^\\d\\d:\\d\\d:\\d\\d:\\d\\d\\d    thread = ([a-h])\\1{199}\r$"));
        for (const QByteArray& line : linesOf(run.log)) {
            if (!line.contains("thread = "))
                continue;
            QVERIFY2(whole.match(QString::fromLatin1(line)).hasMatch(), line.constData());
            ++threadLines;
        }
        QCOMPARE(threadLines, 8 * 500);
    }

    void processorFaultIsReportedAndEndsTheProcess()
    {
        QTemporaryDir dir;
        const QString home = makeHomeWithLogFolder(dir);
        const ProbeRun run = runProbe(home, QStringLiteral("fault"));
        QCOMPARE(run.exitCode, -2);
        const QByteArray& log = run.log;
        QCOMPARE(log.count("Exception: EXCEPTION_ACCESS_VIOLATION\r\n"), 1);
        QVERIFY(log.contains(QByteArray(66, '-') + "\r\n"));
        // Nothing runs on after the fault, and the log is not closed as after a normal exit.
        QVERIFY(!log.contains("completed"));
        QVERIFY(!log.contains("after fault"));
        QVERIFY(!log.contains("<< mainInt"));

        // A deep stack gives exactly six frames, innermost first.
        const QByteArray report = log.mid(log.indexOf("Exception: "));
        QCOMPARE(report.count("Function : "), 6);
        QCOMPARE(report.count("    [Source File : "), 6);
        QVERIFY(report.indexOf("Function : ") == report.indexOf("Function : writeThroughNull"));
        QVERIFY(report.contains("log_probe.cpp]"));
        QVERIFY(report.contains("Function : descend"));

        // Outside any guarded work too.
        const ProbeRun unguarded = runProbe(home, QStringLiteral("unguarded fault"));
        QCOMPARE(unguarded.exitCode, -2);
        QCOMPARE(unguarded.log.count("Exception: EXCEPTION_ACCESS_VIOLATION\r\n"), 1);
        QVERIFY(!unguarded.log.contains("after fault"));
    }

    void faultWhileTheLogLockIsHeld()
    {
        QTemporaryDir dir;
        const QString home = makeHomeWithLogFolder(dir);
        const QByteArray fixedLine = "    Crash report not written: the trace log was in use\r\n";
        // By the faulting work itself: the report must not wait for a lock nobody will free.
        const ProbeRun own = runProbe(home, QStringLiteral("fault holding log"), 20000);
        QCOMPARE(own.exitCode, -2);
        QCOMPARE(own.log.count(fixedLine), 1);
        QVERIFY(!own.log.contains("after fault"));
        for (const QByteArray& line : linesOf(own.log))
            QVERIFY2(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d:\\d\\d\\d"))
                         .match(QString::fromLatin1(line))
                         .hasMatch(),
                     line.constData());

        // By another thread that keeps it: the report gives way after a short wait.
        const ProbeRun other =
            runProbe(home, QStringLiteral("fault while another thread logs"), 20000);
        QCOMPARE(other.exitCode, -2);
        QCOMPARE(other.log.count(fixedLine), 1);
    }

    void otherFaults()
    {
        QTemporaryDir dir;
        const QString home = makeHomeWithLogFolder(dir);
        const ProbeRun thrown = runProbe(home, QStringLiteral("exception"));
        QCOMPARE(thrown.exitCode, 3);
        QVERIFY(thrown.log.contains("Unknown Exception...\r\n"));
        QVERIFY(thrown.log.contains("    completed = 0\r\n"));
        QVERIFY(thrown.log.contains("    second completed = 1\r\n"));

        const ProbeRun divide = runProbe(home, QStringLiteral("divide"));
        QCOMPARE(divide.exitCode, -2);
        QVERIFY(divide.log.contains("Exception: EXCEPTION_INT_DIVIDE_BY_ZERO\r\n"));
        QVERIFY(!divide.log.contains("after fault"));
    }

    void helperLookupOrder()
    {
        QTemporaryDir dir;
        const QString previous = QDir::currentPath();
        const QByteArray previousPath = qgetenv("PATH");
        QDir(dir.path()).mkpath(QStringLiteral("tool"));
        for (const QString name : {QStringLiteral("tool/helper"), QStringLiteral("planted")}) {
            QFile helper(dir.filePath(name));
            QVERIFY(helper.open(QIODevice::WriteOnly));
            helper.write("#!/bin/sh\n");
            helper.close();
            helper.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        QDir::setCurrent(dir.path());
        // Neither the relative path nor the bare name is taken from the current folder, also
        // when PATH names it by an empty entry or by ".".
        qputenv("PATH", "::.:" + previousPath);
        QVERIFY(HelperLookup::find(QStringLiteral("tool/helper"), QString()).isEmpty());
        QVERIFY(HelperLookup::find(QStringLiteral("tool/helper"), QStringLiteral("planted"))
                    .isEmpty());
        // Not beside the program either: the bare name on PATH.
        QVERIFY(HelperLookup::find(QStringLiteral("tool/helper"), QStringLiteral("sh"))
                    .endsWith(QStringLiteral("/sh")));
        QVERIFY(HelperLookup::find(QStringLiteral("tool/missing"),
                                   QStringLiteral("no-such-program-here"))
                    .isEmpty());
        // A helper beside the running program is found before one on PATH.
        QCOMPARE(HelperLookup::find(QStringLiteral("tool/missing"),
                                    QStringLiteral("pellmar_log_probe")),
                 QCoreApplication::applicationDirPath() + QStringLiteral("/pellmar_log_probe"));
        qputenv("PATH", previousPath);
        QDir::setCurrent(previous);
    }
};

PELLMAR_TEST_MAIN(TestApp)
#include "test_app.moc"
