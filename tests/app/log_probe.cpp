// Runs the shared start-up steps, then one scenario named on the command line, then the exit
// steps, exactly as the real entry points do.
#include "app/AppStartup.h"
#include "app/CrashGuard.h"
#include "app/DebugLog.h"

#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

volatile int* volatile sNowhere = nullptr;

__attribute__((noinline)) void writeThroughNull()
{
    *sNowhere = 42;
}

__attribute__((noinline)) int descend(int aDepth)
{
    if (aDepth == 0) {
        writeThroughNull();
        return 0;
    }
    return descend(aDepth - 1) + 1;
}

void logFromThreads(int aThreads, int aLines)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < aThreads; ++t) {
        threads.emplace_back([t, aLines] {
            const std::string body(200, char('a' + t));
            for (int i = 0; i < aLines; ++i)
                logValue("thread", body);
        });
    }
    for (auto& thread : threads)
        thread.join();
}

} // namespace

int main(int argc, char** argv)
{
    AppStartup::begin(argc);
    QCoreApplication app(argc, argv);
    AppStartup::loadTranslations(app);
    const QString scenario = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();

    if (scenario == QLatin1String("unicode")) {
        logValue("title", QStringLiteral("Калинка"));
        logValue("wide", std::wstring(L"Grüße"));
    } else if (scenario == QLatin1String("threads")) {
        logFromThreads(8, 500);
    } else if (scenario == QLatin1String("fault")) {
        // The guard does not survive a processor fault: the report is written and the process
        // ends, so nothing after it may appear in the log.
        const bool completed = CrashGuard::run([] { descend(12); });
        logValue("completed", int(completed));
        logMessage("after fault");
    } else if (scenario == QLatin1String("unguarded fault")) {
        writeThroughNull();
        logMessage("after fault");
    } else if (scenario == QLatin1String("fault holding log")) {
        CrashGuard::run([] {
            const DebugLog::Hold hold(DebugLog::instance());
            writeThroughNull();
        });
        logMessage("after fault");
    } else if (scenario == QLatin1String("fault while another thread logs")) {
        std::atomic<bool> held{false};
        std::thread holder([&] {
            const DebugLog::Hold hold(DebugLog::instance());
            held = true;
            // Keeps the lock until the process ends.
            for (;;)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        });
        holder.detach();
        while (!held)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        CrashGuard::run([] { writeThroughNull(); });
        logMessage("after fault");
    } else if (scenario == QLatin1String("exception")) {
        const bool completed = CrashGuard::run([] { throw std::runtime_error("boom"); });
        logValue("completed", int(completed));
        // The caller goes on after a C++ exception, and the guard serves again.
        const bool second = CrashGuard::run([] { logMessage("inside guard"); });
        logValue("second completed", int(second));
    } else if (scenario == QLatin1String("divide")) {
        CrashGuard::run([] {
            // A numerator the compiler cannot fold the division away for.
            volatile int zero = 0;
            volatile int numerator = 7;
            volatile int result = numerator / zero;
            (void)result;
        });
        logMessage("after fault");
    } else if (scenario == QLatin1String("normal")) {
        const bool completed = CrashGuard::run([] { logMessage("inside guard"); });
        logValue("completed", int(completed));
    }
    return AppStartup::finish(3);
}
