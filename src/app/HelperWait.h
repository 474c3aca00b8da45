#pragma once

#include <functional>

class QProcess;

// Waits for a helper program (a converter, the extraction tool, the archiver), which may run
// for minutes, in short slices, so that a Cancel reaches it: when aCancelled says so, the helper
// is killed and reaped before the wait returns.
class HelperWait
{
public:
    // Says whether the work the helper does for was cancelled. Asked every slice, from the
    // waiting thread; an empty check never cancels.
    using CancelCheck = std::function<bool()>;

    static constexpr int kSliceMs = 100;

    // True when the helper ended by itself (or never ran), false when it was cancelled.
    static bool untilFinished(QProcess& aProcess, const CancelCheck& aCancelled);
};
