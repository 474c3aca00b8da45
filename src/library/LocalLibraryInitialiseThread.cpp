#include "library/LocalLibraryInitialiseThread.h"

#include "app/DebugLog.h"
#include "library/LocalMusicLibrary.h"

LocalLibraryInitialiseThread::LocalLibraryInitialiseThread(LocalMusicLibrary* aLibrary)
    : mLibrary(aLibrary)
{
}

void LocalLibraryInitialiseThread::run()
{
    LogScope scope("LocalLibraryInitialiseThread::run");
    mLibrary->initialise();
}
