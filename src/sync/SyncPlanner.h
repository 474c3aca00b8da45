#pragma once

#include "sync/SyncPlan.h"

class MusicSync;
class SyncSettings;

// A dry run: reads the phone's settings, its track cache and the library through the run's
// own steps and says what the run would copy, delete and write, changing neither the phone,
// the track cache nor the settings file. The cache is read from a private copy, because
// opening the real one may create or extend it.
class SyncPlanner
{
public:
    explicit SyncPlanner(MusicSync& aSync) : mSync(aSync) {}

    // aForceFull plans the run that forgets what the phone holds.
    SyncPlan plan(bool aForceFull);

private:
    // Loads the cached tracks into the run's list; false when the cache cannot be read.
    bool readCacheCopy(const SyncSettings& aSettings, const QString& aId);
    void planPlaylists(SyncPlan& aPlan);

    MusicSync& mSync;
};
