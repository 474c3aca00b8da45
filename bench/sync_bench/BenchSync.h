#pragma once

class Device;
class MusicLibrary;

// One timed synchronisation of a benchmark, and the benchmarks' target lines.
class BenchSync
{
public:
    struct Outcome
    {
        double seconds = 0;
        int finalState = -1;
        int notCopied = 0;
    };

    // Runs one synchronisation of aPhone in the calling thread. Nothing is to be deleted in a
    // benchmark run: a question is answered no, and would show as a fault.
    static Outcome run(MusicLibrary& aLibrary, Device& aPhone);
    // Prints "TARGET <name> <measured> <goal> PASS|FAIL"; a negative measure fails.
    static void target(const char* aName, double aMeasured, double aGoal);
};
