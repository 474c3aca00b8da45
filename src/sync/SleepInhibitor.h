#pragma once

// Keeps the system from sleeping while a synchronisation runs, through logind's Inhibit call
// ("sleep:idle"). The lock is held as long as the object lives. Without a system bus or logind
// the run goes on; that is only logged.
class SleepInhibitor
{
public:
    SleepInhibitor();
    ~SleepInhibitor();

    SleepInhibitor(const SleepInhibitor&) = delete;
    SleepInhibitor& operator=(const SleepInhibitor&) = delete;

    bool isHeld() const { return mFd >= 0; }

private:
    int mFd = -1;
};
