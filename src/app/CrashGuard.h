#pragma once

#include <functional>

// Runs work so that a processor fault (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) or a C++
// exception inside it is reported to the trace log and the caller goes on. Returns true when the
// work completed, false when it was interrupted by a fault (the report has been logged).
//
// Recovery uses siglongjmp on the faulting thread: objects on the stack of the interrupted work
// are not destroyed, exactly as with structured exception handling. Keep guarded work free of
// locks that the caller needs afterwards.
class CrashGuard
{
public:
    static bool run(const std::function<void()>& aWork);
};
