#pragma once

#include "settings/SettingsSnapshot.h"
#include "sync/RunLock.h"
#include "sync/SyncExecutor.h"
#include "sync/SyncPlan.h"
#include "sync/SyncResult.h"
#include "sync/SyncRunContext.h"

#include <QObject>

#include <atomic>
#include <functional>

#include <memory>
#include <optional>

class DeviceParent;
class MusicLibrary;
class QThread;
class SyncFrontEnd;

// One synchronisation of one phone, as the window and the command line both run it: checks that
// the phone can be synchronised (reachable, set up, not in another run) and takes its run lock;
// plans (SyncPlanner) in a thread of its own; asks the front end about the plan in the thread
// that started it; carries the plan out (SyncExecutor) in another thread; and keeps the result
// for the front end to report. One object serves one run.
class SyncSession : public QObject
{
    Q_OBJECT

public:
    SyncSession(MusicLibrary* aLibrary, SyncFrontEnd& aFrontEnd, QObject* aParent = nullptr);
    // Stops a run that is still going and waits for it.
    ~SyncSession() override;

    // Checks aPhone and takes its run lock; false (the front end was told why) when it cannot
    // be synchronised now. aSettings: as the front end read them to choose the phone; the run
    // works from them.
    bool begin(Device* aPhone, DeviceParent* aParent, const SettingsSnapshot& aSettings);
    // Uses aPhone without those checks and without the lock (tools, tests and benchmarks that
    // drive the engine itself); reads the settings unless begin did.
    void attach(Device* aPhone, DeviceParent* aParent);

    // Plans in a thread of its own, asks, then executes in another; ended() follows.
    void start(bool aForceFull);
    // The same in the calling thread (tools, tests and benchmarks).
    void runInCallingThread(bool aForceFull);
    // Only the plan, as a dry run shows it: nothing is changed or asked.
    SyncPlan planOnly(bool aForceFull);

    // Asks the run to stop at its next cancellation point. Safe from any thread, and from a
    // signal handler.
    void Cancel();
    bool hasBeenCancelled();
    // Started, and its work not done yet.
    bool isRunning() const { return mStarted && !mEnded && !mWorkDone.load(); }
    bool hasEnded() const { return mEnded; }
    int State() const { return mContext ? mContext->State() : int(SyncState::None); }

    Device* device() const { return mContext ? mContext->device() : nullptr; }
    // What the run did; complete once the run has sent its final state.
    const SyncResult& result() const { return mResult; }

signals:
    void ProgressUpdate(int a_state, int a_percent_complete);
    void ProgressUpdate(int a_state, int a_percent_complete, QString aTrackName);
    // The run has ended (its final state was sent) and the phone's run lock is free again.
    void ended();

private:
    // The run's settings; null when there is no settings file.
    const SettingsSnapshot* settingsRead() const
    {
        return mSettings.state() == SettingsSnapshot::State::Missing ? nullptr : &mSettings;
    }
    void makePlan(bool aForceFull);
    // The front end's answers about the plan; the run is cancelled when the user says stop.
    SyncAnswers ask();
    void execute(SyncAnswers aAnswers);
    void finish();
    void startThread(std::function<void()> aWork, void (SyncSession::*aThen)());
    void planned();
    void executed();

    MusicLibrary* mLibrary;
    SyncFrontEnd& mFrontEnd;
    std::unique_ptr<SyncRunContext> mContext;
    // The settings as this run reads them.
    SettingsSnapshot mSettings;
    bool mSettingsLoaded = false;
    std::optional<RunLock> mRunLock;
    SyncPlan mPlan;
    bool mPlanFailed = false;
    SyncAnswers mAnswers;
    SyncResult mResult;
    QThread* mThread = nullptr;
    bool mStarted = false;
    bool mEnded = false;
    // Set by the thread that sent the final state, as its last step.
    std::atomic<bool> mWorkDone{false};
};
