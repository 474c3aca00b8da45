// The window's start-up time and the responsiveness of its event loop.
//
// Each measurement runs in a child process of this program, so that process start, library
// loading and Qt's own start are counted:
//   peer     a bare widget application shows an empty window (the floor for any Qt window);
//   startup  the window starts with a 20,000-track library until it shows "Connect your phone
//            to the PC" (the 500 ms wait included);
//   sync     the window synchronises those tracks to a folder phone for the first time.
// A 10 ms timer in the window's thread measures the longest stall of its event loop.
#include "BenchLibrary.h"

#include "app/AppPaths.h"
#include "device/UsbMSDevice.h"
#include "settings/SyncSettings.h"
#include "sync/SyncSession.h"
#include "tracks/SyncState.h"
#include "ui/ModalAnswerer.h"
#include "ui/SyncUi.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kTracks = 20000;

// The window thread's time on a CPU and time ready but waiting for one, from the scheduler:
// tells a stall of the window's own work from a machine busy with other programs.
struct Schedule
{
    qint64 mRunMs = 0;
    qint64 mWaitMs = 0;
    static Schedule read()
    {
        QFile file(QStringLiteral("/proc/thread-self/schedstat"));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QList<QByteArray> fields = file.readAll().simplified().split(' ');
        return {fields.value(0).toLongLong() / 1000000, fields.value(1).toLongLong() / 1000000};
    }
};

// Longest gap between two ticks of a 10 ms timer.
class StallProbe : public QObject
{
public:
    StallProbe()
    {
        mClock.start();
        connect(&mTimer, &QTimer::timeout, this, [this] {
            const qint64 now = mClock.elapsed();
            const Schedule schedule = Schedule::read();
            if (qEnvironmentVariableIsSet("WINDOW_BENCH_TRACE") && now - mLast > 40)
                std::fprintf(stderr,
                             "stall %lld ms ending at %lld ms: %lld ms on the CPU, %lld ms "
                             "waiting for one\n",
                             now - mLast, now, schedule.mRunMs - mSchedule.mRunMs,
                             schedule.mWaitMs - mSchedule.mWaitMs);
            mLongestBusy = std::max(mLongestBusy, schedule.mRunMs - mSchedule.mRunMs);
            mSchedule = schedule;
            mLongest = std::max(mLongest, now - mLast);
            mLast = now;
            if (mOnTick)
                mOnTick();
        });
        mTimer.start(10);
    }
    qint64 longestStall() const { return mLongest > 10 ? mLongest - 10 : 0; }
    // The most time the window's thread spent on a CPU between two ticks: its own work, apart
    // from the time other programs on a busy machine kept it waiting.
    qint64 longestBusy() const { return mLongestBusy; }
    void reset()
    {
        mLongest = 0;
        mLongestBusy = 0;
        mSchedule = Schedule::read();
        mLast = mClock.elapsed();
    }
    std::function<void()> mOnTick;

private:
    QTimer mTimer;
    QElapsedTimer mClock;
    qint64 mLast = 0;
    qint64 mLongest = 0;
    qint64 mLongestBusy = 0;
    Schedule mSchedule = Schedule::read();
};

void report(const QString& aLine)
{
    std::printf("%s\n", qPrintable(aLine));
    std::fflush(stdout);
}

int runChild(const QString& aMode, const QString& aPhone)
{
    int argc = 1;
    char name[] = "window_bench";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    AppPaths::setApplicationDataPath(QDir::homePath());
    StallProbe probe;
    if (aMode == QLatin1String("peer")) {
        // An empty window with a label, which needs the same fonts as the window's first paint.
        QLabel window(QStringLiteral("Connect your phone to this computer"));
        window.show();
        QTimer::singleShot(0, &app, [] { report(QStringLiteral("READY")); });
        // Kept alive as long as the window waits before it starts the library, so that its
        // first paint is measured too.
        QTimer::singleShot(SyncUi::kWaitMs, &app, [&] {
            report(QStringLiteral("STALL %1").arg(probe.longestStall()));
            app.quit();
        });
        return app.exec();
    }
    ModalAnswerer::setAnswerer([](QDialog& aDialog) { aDialog.accept(); });
    QElapsedTimer built;
    built.start();
    SyncUi window;
    const qint64 constructed = built.elapsed();
    window.show();
    if (qEnvironmentVariableIsSet("WINDOW_BENCH_TRACE"))
        std::fprintf(stderr, "window built in %lld ms, shown after %lld ms\n", constructed,
                     built.elapsed());
    bool started = false;
    probe.mOnTick = [&] {
        if (aMode == QLatin1String("startup") && window.state() == SyncState::NoPhone) {
            report(
                QStringLiteral("READY %1 %2").arg(probe.longestStall()).arg(probe.longestBusy()));
            app.quit();
        } else if (aMode == QLatin1String("sync")) {
            if (!started && window.state() == SyncState::PhoneReady) {
                started = true;
                probe.reset();
                QElapsedTimer call;
                call.start();
                window.startSync();
                if (qEnvironmentVariableIsSet("WINDOW_BENCH_TRACE"))
                    std::fprintf(stderr, "startSync took %lld ms\n", call.elapsed());
            } else if (started && window.syncSession() && !window.syncSession()->isRunning() &&
                       SyncState::isIdle(window.state())) {
                report(QStringLiteral("DONE %1 %2 %3 %4")
                           .arg(probe.longestStall())
                           .arg(window.state())
                           .arg(window.syncSession()->result().mCopied)
                           .arg(probe.longestBusy()));
                app.quit();
            }
        }
    };
    if (aMode == QLatin1String("sync"))
        window.deviceList().AddPhoneFolder(aPhone);
    return app.exec();
}

// Runs one child; returns its wall time from start to its report line, and the line.
qint64 timeChild(const QString& aMode, const QString& aHome, const QString& aLibrary,
                 const QString& aPhone, QString& aLine)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), aHome);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("PELLMAR_ITUNES_LIBRARY"), aLibrary);
    env.insert(QStringLiteral("PELLMAR_WEB_ORIGIN"), QStringLiteral("http://127.0.0.1:9"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--child"), aMode, aPhone});
    qint64 elapsed = -1;
    while (child.waitForReadyRead(600000)) {
        aLine += QString::fromUtf8(child.readAll());
        if (aLine.contains(QLatin1Char('\n'))) {
            elapsed = timer.elapsed();
            break;
        }
    }
    child.waitForFinished(60000);
    aLine = aLine.trimmed();
    return elapsed;
}

void writeSettings(const QString& aHome, const QString& aPhone)
{
    AppPaths::setApplicationDataPath(aHome);
    SyncSettings settings;
    settings.load();
    settings.setSkipUpdateMessage(QStringLiteral("none"));
    if (!aPhone.isEmpty()) {
        UsbMSDevice phone(aPhone, QStringLiteral("phone"), true);
        phone.IsMounted();
        phone.SetConfigured();
        settings.load();
        settings.setConfig(phone.UniqueDeviceId(), phone.FriendlyName(), true, {}, 0, {});
        settings.setSkipUsbEjectWarning(phone.UniqueDeviceId(), true);
    }
    settings.save();
}

QString line(const char* aName, double aMeasured, double aGoal)
{
    return QStringLiteral("TARGET %1 %2 %3 %4")
        .arg(QLatin1String(aName))
        .arg(aMeasured)
        .arg(aGoal)
        .arg(aMeasured >= 0 && aMeasured <= aGoal ? QStringLiteral("PASS")
                                                  : QStringLiteral("FAIL"));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && QByteArray(argv[1]) == "--child")
        return runChild(QString::fromLocal8Bit(argv[2]),
                        argc >= 4 ? QString::fromLocal8Bit(argv[3]) : QString());
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    // WINDOW_BENCH_ROOT keeps the library, home and phone in a named folder, so that one child
    // can be run again by hand under a profiler.
    const QString root = qEnvironmentVariableIsEmpty("WINDOW_BENCH_ROOT")
                             ? dir.path()
                             : qEnvironmentVariable("WINDOW_BENCH_ROOT");
    if (!BenchLibrary::generate(root, kTracks, 2048, 1000, 10)) {
        report(QStringLiteral("could not write the library"));
        return 1;
    }
    const QString library = BenchLibrary::libraryFile(root);
    const QString home = root + QStringLiteral("/home");
    const QString phone = root + QStringLiteral("/phone");
    QDir().mkpath(home);
    QDir().mkpath(phone);
    writeSettings(home, QString());

    QString peerLine;
    QString startLine;
    qint64 peer = -1;
    qint64 start = -1;
    // Best of three: the first start also fills the file cache.
    for (int round = 0; round < 3; ++round) {
        QString p;
        QString s;
        const qint64 peerTime = timeChild(QStringLiteral("peer"), home, library, QString(), p);
        const qint64 startTime = timeChild(QStringLiteral("startup"), home, library, QString(), s);
        if (peer < 0 || (peerTime >= 0 && peerTime < peer))
            peer = peerTime, peerLine = p;
        if (start < 0 || (startTime >= 0 && startTime < start))
            start = startTime, startLine = s;
    }
    const qint64 startStall = startLine.section(QLatin1Char(' '), 1, 1).toLongLong();
    report(QStringLiteral("empty Qt window: %1 ms").arg(peer));
    report(QStringLiteral("start to \"Connect your phone to this computer\" with %1 tracks: %2 ms "
                          "(%3 x the empty window; 500 ms of it is the window's own wait)")
               .arg(kTracks)
               .arg(start)
               .arg(peer > 0 ? double(start) / double(peer) : 0.0, 0, 'f', 2));
    report(QStringLiteral("longest event-loop stall during start-up: %1 ms; most work of the "
                          "window's thread between two ticks: %2 ms")
               .arg(startStall)
               .arg(startLine.section(QLatin1Char(' '), 2, 2)));

    writeSettings(home, phone);
    QString syncLine;
    const qint64 syncTime = timeChild(QStringLiteral("sync"), home, library, phone, syncLine);
    const QStringList parts = syncLine.split(QLatin1Char(' '));
    const qint64 syncStall = parts.size() >= 4 ? parts.at(1).toLongLong() : -1;
    report(QStringLiteral("first sync of %1 tracks from the window: %2 ms, final state %3, "
                          "%4 tracks copied")
               .arg(kTracks)
               .arg(syncTime)
               .arg(parts.value(2))
               .arg(parts.value(3)));
    report(QStringLiteral("longest event-loop stall during the sync: %1 ms; most work of the "
                          "window's thread between two ticks: %2 ms")
               .arg(syncStall)
               .arg(parts.value(4)));
    report(line("window_start_ms", double(start), 1500));
    report(line("startup_stall_ms", double(startStall), 100));
    report(line("sync_stall_ms", double(syncStall), 100));
    return 0;
}
