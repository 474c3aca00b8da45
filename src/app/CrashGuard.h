#pragma once

#include <functional>

// Guards the work of one track (or one step) of a run, and turns processor faults anywhere in
// the process into a crash report.
//
// A C++ exception thrown inside guarded work is reported to the trace log and the caller goes
// on: run() answers false. A processor fault (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) is not
// survived: it may come from a corrupt heap, and going on could write garbage to the phone or
// the track cache. Its report is written to the trace log and the process ends with the
// signal; the track cache, written record by record, lets the next run resume where this one
// stopped.
class CrashGuard
{
public:
    // Installs the fault handlers once per process; the entry points call it first thing.
    static void installFaultHandlers();
    // Runs aWork; false when a C++ exception ended it (the report has been logged).
    static bool run(const std::function<void()>& aWork);
};
