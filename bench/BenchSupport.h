#pragma once

// What the benchmarks share: timing, the TARGET lines, made-up message words, and running
// without the trace log.
#include "app/DebugLog.h"

#include <QDir>
#include <QElapsedTimer>
#include <QList>
#include <QRandomGenerator>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <unistd.h>

namespace BenchSupport {

// Shortest wall time in seconds of aRuns calls; -1 when a call fails.
inline double timeIt(int aRuns, const std::function<bool()>& aWork)
{
    QList<double> times;
    for (int i = 0; i < aRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (!aWork())
            return -1;
        times << timer.nsecsElapsed() / 1e9;
    }
    return *std::min_element(times.begin(), times.end());
}

inline void target(const char* aName, double aMeasured, double aGoal, bool aPass)
{
    std::printf("TARGET %s %.2f %g %s\n", aName, aMeasured, aGoal, aPass ? "PASS" : "FAIL");
}

// Between aMin and aMax words of text messages, with non-ASCII and XML-special characters.
inline QString words(QRandomGenerator& aGen, int aMin, int aMax)
{
    static const char* const kWords[] = {"see", "you", "at", "the", "station", "tomorrow",
                                         "ok", "thanks!", "where", "are", "we", "meeting",
                                         "dinner", "late", "sorry", "call", "me", "later", "😀",
                                         "naïve", "café", "&", "<3"};
    const int count = aMin + int(aGen.bounded(aMax - aMin + 1));
    QString text;
    for (int i = 0; i < count; ++i) {
        if (i)
            text += QLatin1Char(' ');
        text += QString::fromUtf8(kWords[aGen.bounded(int(std::size(kWords)))]);
    }
    return text;
}

// The code under test logs a great deal while the trace log is open; time it as users run it
// (no "CDZ" folder on the Desktop) by starting again in a HOME of its own. aChildVariable marks
// the second start.
inline void restartWithoutTraceLog(char** aArgv, const char* aChildVariable)
{
    if (!DebugLog::instance().isOpen() || !qEnvironmentVariableIsEmpty(aChildVariable))
        return;
    QByteArray home = QDir::tempPath().toLocal8Bit() + "/pellmar-bench-XXXXXX";
    if (mkdtemp(home.data())) {
        setenv("HOME", home.constData(), 1);
        unsetenv("XDG_DESKTOP_DIR");
        setenv(aChildVariable, "1", 1);
        execv("/proc/self/exe", aArgv);
    }
}

} // namespace BenchSupport
