#pragma once

class MusicSync;
class QTextStream;

// "run --dry-run": prints what a run of aSync would do (SyncPlanner) and changes nothing.
class CliDryRun
{
public:
    // Returns a CliExit code: done when a run would go ahead, not configured, or error when
    // the run would stop on an unreadable library or track cache.
    static int run(MusicSync& aSync, bool aForceFull, QTextStream& aOut);
};
