#pragma once

class QTextStream;
struct SyncPlan;

// "run --dry-run": prints the plan a run would carry out (SyncPlanner); nothing changes.
class CliDryRun
{
public:
    // aMtp: the phone is an MTP phone. Returns a CliExit code: done when a run would go ahead,
    // not configured, or error when the run would stop on an unreadable library or track cache.
    static int print(const SyncPlan& aPlan, bool aMtp, QTextStream& aOut);
};
