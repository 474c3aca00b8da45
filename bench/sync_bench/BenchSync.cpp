#include "BenchSync.h"

#include "library/LocalMusicLibrary.h"
#include "sync/MusicSync.h"

#include <QElapsedTimer>

#include <cstdio>

BenchSync::Outcome BenchSync::run(LocalMusicLibrary& aLibrary, Device& aPhone)
{
    MusicSync sync(&aLibrary, &aPhone, nullptr);
    QObject::connect(&sync, &MusicSync::ConfirmDeleteTracks, &sync,
                     [&sync]() { sync.SetDeleteConfirmed(false); }, Qt::DirectConnection);
    QElapsedTimer timer;
    timer.start();
    sync.RunInCallingThread(false);
    Outcome outcome;
    outcome.seconds = timer.nsecsElapsed() / 1e9;
    outcome.finalState = sync.State();
    outcome.notCopied = int(sync.GetNonCopiedTracks().size());
    return outcome;
}

void BenchSync::target(const char* aName, double aMeasured, double aGoal)
{
    std::printf("TARGET %s %.3f %.1f %s\n", aName, aMeasured, aGoal,
                aMeasured >= 0 && aMeasured <= aGoal ? "PASS" : "FAIL");
}
