#include "sync/MusicSyncThread.h"

#include "app/CrashGuard.h"
#include "app/DebugLog.h"
#include "sync/MusicSync.h"

void MusicSyncThread::run()
{
    LogScope scope("MusicSyncThread::run");
    MusicSync* sync = mSync;
    if (!CrashGuard::run([sync]() { sync->Start(); }))
        sync->ChangeState(SyncState::FinishedWithErrors);
}
