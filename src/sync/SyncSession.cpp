#include "sync/SyncSession.h"

#include "app/CrashGuard.h"
#include "app/DebugLog.h"
#include "device/Device.h"
#include "sync/SyncFrontEnd.h"
#include "sync/SyncPlanner.h"

#include <QThread>

SyncSession::SyncSession(MusicLibrary* aLibrary, SyncFrontEnd& aFrontEnd, QObject* aParent)
    : QObject(aParent), mLibrary(aLibrary), mFrontEnd(aFrontEnd)
{
}

SyncSession::~SyncSession()
{
    // The threads borrow this object; they must not outlive it.
    Cancel();
    if (mThread) {
        mThread->wait();
        delete mThread;
    }
    mAnswers.mBackupPassword.fill('\0');
}

void SyncSession::Cancel()
{
    if (mContext)
        mContext->Cancel();
}

bool SyncSession::hasBeenCancelled()
{
    return mContext && mContext->hasBeenCancelled();
}

bool SyncSession::begin(Device* aPhone, DeviceParent* aParent, const SettingsSnapshot& aSettings)
{
    LogScope scope("SyncSession::begin");
    if (!aPhone->IsMounted()) {
        logMessage("Device is not mounted");
        mFrontEnd.phoneNotMounted(*aPhone);
        return false;
    }
    mSettings = aSettings;
    mSettingsLoaded = true;
    // A damaged settings file reads as no settings at all; the user must learn why.
    if (mSettings.isDamaged()) {
        mFrontEnd.settingsDamaged(mSettings);
        return false;
    }
    // A phone that is not set up is not touched at all.
    if (!aPhone->IsConfigured(mSettings)) {
        logMessage("Device is not configured");
        mFrontEnd.phoneNotConfigured(*aPhone);
        return false;
    }
    // One run per phone, from the window or the command line: two copying side by side would
    // corrupt the phone's track cache.
    RunLock lock = RunLock::forPhone(aPhone->UniqueDeviceId());
    if (!lock.tryLock()) {
        logValue("Phone in use by", lock.holder());
        mFrontEnd.phoneInUse(*aPhone, lock.holder());
        return false;
    }
    mRunLock.emplace(std::move(lock));
    attach(aPhone, aParent);
    return true;
}

void SyncSession::attach(Device* aPhone, DeviceParent* aParent)
{
    if (!mSettingsLoaded)
        mSettings = SettingsSnapshot::read();
    mSettingsLoaded = true;
    mContext = std::make_unique<SyncRunContext>(aPhone, aParent);
    connect(mContext.get(), qOverload<int, int>(&SyncRunContext::ProgressUpdate), this,
            qOverload<int, int>(&SyncSession::ProgressUpdate), Qt::DirectConnection);
    connect(mContext.get(), qOverload<int, int, QString>(&SyncRunContext::ProgressUpdate), this,
            qOverload<int, int, QString>(&SyncSession::ProgressUpdate), Qt::DirectConnection);
}

SyncPlan SyncSession::planOnly(bool aForceFull)
{
    LogScope scope("SyncSession::planOnly");
    SyncPlanner planner(mLibrary, mContext->device());
    planner.setReadCacheCopy(true);
    return planner.plan(settingsRead(), aForceFull);
}

void SyncSession::makePlan(bool aForceFull)
{
    SyncPlanner planner(mLibrary, mContext->device(), mContext.get());
    const SettingsSnapshot* settings = settingsRead();
    // An exception while planning ends the run before it acts.
    mPlanFailed = !CrashGuard::run([&] { mPlan = planner.plan(settings, aForceFull); });
    if (mPlanFailed) {
        mPlan = SyncPlan();
        mResult.mFinalState = SyncState::FinishedWithErrors;
        mContext->ChangeState(SyncState::FinishedWithErrors);
        mWorkDone.store(true);
    }
}

SyncAnswers SyncSession::ask()
{
    LogScope scope("SyncSession::ask");
    SyncAnswers answers;
    const bool stopsAtOnce = mPlan.mOutcome == SyncState::NoSettings
                             || mPlan.mOutcome == SyncState::NotConfigured
                             || mPlan.mOutcome == SyncState::None;
    if (stopsAtOnce || hasBeenCancelled())
        return answers;
    // The transfer comes first in the run, and so does its question.
    if (mPlan.mBackupEncrypted) {
        logMessage("Asking for the backup password");
        answers.mBackupPassword = mFrontEnd.backupPassword(mPlan.mBackupPath);
    }
    if (mPlan.mOutcome != SyncState::Finished)
        return answers;
    logValue("spaceNeeded", mPlan.mSpaceNeeded);
    logValue("mFreeSpace", mPlan.mFreeSpace);
    if (mPlan.mSpaceShort && !hasBeenCancelled() && !mFrontEnd.goOnWithoutSpace(mPlan))
        Cancel();
    if (hasBeenCancelled())
        return answers;
    if (mPlan.mDrmTracks.count() > 0)
        mFrontEnd.copyProtectedFound(mPlan);
    logMessage("Getting tracks to delete");
    if (!mPlan.mToDelete.isEmpty())
        answers.mDeleteConfirmed = mFrontEnd.confirmDeletions(mPlan);
    return answers;
}

void SyncSession::execute(SyncAnswers aAnswers)
{
    SyncExecutor executor(*mContext, mLibrary, mSettings, mResult);
    if (!CrashGuard::run([&] { executor.execute(mPlan, std::move(aAnswers)); })) {
        // An exception outside the guarded work of one track ends the run with errors.
        mResult.mFinalState = SyncState::FinishedWithErrors;
        mContext->ChangeState(SyncState::FinishedWithErrors);
    }
    mWorkDone.store(true);
}

void SyncSession::finish()
{
    mRunLock.reset();
    mEnded = true;
    emit ended();
}

void SyncSession::runInCallingThread(bool aForceFull)
{
    LogScope scope("SyncSession::runInCallingThread");
    mStarted = true;
    makePlan(aForceFull);
    if (!mPlanFailed)
        execute(ask());
    finish();
}

void SyncSession::start(bool aForceFull)
{
    LogScope scope("SyncSession::start");
    mStarted = true;
    startThread([this, aForceFull] { makePlan(aForceFull); }, &SyncSession::planned);
}

void SyncSession::startThread(std::function<void()> aWork, void (SyncSession::*aThen)())
{
    if (mThread) {
        mThread->wait();
        delete mThread;
    }
    mThread = QThread::create(std::move(aWork));
    connect(mThread, &QThread::finished, this, aThen, Qt::QueuedConnection);
    mThread->start(QThread::InheritPriority);
}

void SyncSession::planned()
{
    LogScope scope("SyncSession::planned");
    // A plan that failed with an exception has already sent its final state.
    if (mPlanFailed) {
        finish();
        return;
    }
    mAnswers = ask();
    startThread([this] { execute(std::move(mAnswers)); }, &SyncSession::executed);
}

void SyncSession::executed()
{
    LogScope scope("SyncSession::executed");
    finish();
}
