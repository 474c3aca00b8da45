#include "BenchSync.h"

#include "library/MusicLibrary.h"
#include "sync/SyncFrontEnd.h"
#include "sync/SyncSession.h"

#include <QElapsedTimer>

#include <cstdio>

namespace {

// Goes on without enough space and deletes nothing.
class BenchAnswers : public SyncFrontEnd
{
public:
    void phoneNotMounted(Device&) override {}
    void settingsDamaged(const SettingsSnapshot&) override {}
    void phoneNotConfigured(Device&) override {}
    void phoneInUse(Device&, const QString&) override {}
    QByteArray backupPassword(const QString&) override { return {}; }
    bool goOnWithoutSpace(const SyncPlan&) override { return true; }
    void copyProtectedFound(const SyncPlan&) override {}
    bool confirmDeletions(const SyncPlan&) override { return false; }
};

} // namespace

BenchSync::Outcome BenchSync::run(MusicLibrary& aLibrary, Device& aPhone)
{
    BenchAnswers answers;
    SyncSession sync(&aLibrary, answers);
    sync.attach(&aPhone, nullptr);
    QElapsedTimer timer;
    timer.start();
    sync.runInCallingThread(false);
    Outcome outcome;
    outcome.seconds = timer.nsecsElapsed() / 1e9;
    outcome.finalState = sync.State();
    outcome.notCopied = int(sync.result().mNotCopied.size());
    return outcome;
}

void BenchSync::target(const char* aName, double aMeasured, double aGoal)
{
    std::printf("TARGET %s %.3f %.1f %s\n", aName, aMeasured, aGoal,
                aMeasured >= 0 && aMeasured <= aGoal ? "PASS" : "FAIL");
}
