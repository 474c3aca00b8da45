#pragma once

#include "sync/SyncPlan.h"

class Device;
class MusicLibrary;
class SyncRunContext;
class PhoneSettings;
class SettingsSnapshot;

// Works out what a synchronisation run of one phone is to do, from one snapshot of the settings,
// the phone's track cache and the library, and changes nothing: not the phone, not the track
// cache, not the settings file.
class SyncPlanner
{
public:
    // aContext: the run's (progress, cancellation); null for a plan that is only shown.
    SyncPlanner(MusicLibrary* aLibrary, Device* aDevice, SyncRunContext* aContext = nullptr);

    // aSettings: null when the settings file could not be read. aForceFull plans the run that
    // forgets what the phone holds.
    SyncPlan plan(const SettingsSnapshot* aSettings, bool aForceFull);
    // A plan that is only shown reads a private copy of the track cache: opening the real one
    // may create or extend it, and a run may be using it.
    void setReadCacheCopy(bool aCopy) { mReadCacheCopy = aCopy; }

private:
    // The phone's configuration; false when the phone has none.
    bool readConfiguration(const PhoneSettings& aPhone);
    // Loads the cached tracks into the plan's list; false when the cache cannot be read.
    bool readCache(const PhoneSettings& aPhone);
    bool readCacheFile(const QString& aPath);
    void choosePlaylists();
    // False when the library could not be read.
    bool scanPlaylists(const PhoneSettings& aPhone);
    void gatherPodcasts(const PhoneSettings& aPhone);
    void planTracks();
    void planPlaylists();
    bool cancelled();

    MusicLibrary* mLibrary;
    Device* mDevice;
    SyncRunContext* mContext;
    bool mReadCacheCopy = false;
    SyncPlan mPlan;

    // What the phone's configuration asks for.
    bool mSyncEntireLibrary = false;
    int mPodcastSyncSetting = 0;
    QStringList mPlaylistNames;
    QStringList mPodcastNames;
};
