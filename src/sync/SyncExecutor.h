#pragma once

#include "device/PhoneResult.h"
#include "sync/SyncResult.h"
#include "tracks/TrackCache.h"

#include <QByteArray>
#include <QString>

class MusicLibrary;
class SyncRunContext;
class SettingsSnapshot;
struct SyncPlan;

// What the front end answered about a plan before the run acts on it.
struct SyncAnswers
{
    // The plan's deletions may go ahead.
    bool mDeleteConfirmed = false;
    // The password of the plan's encrypted backup; empty when not given.
    QByteArray mBackupPassword;
};

// Carries out a plan (SyncPlanner) on the phone: moves the backup data, deletes and copies
// tracks (converting and sending album art on the way), records each in the phone's track cache
// and writes the playlists. Reports its progress and notices cancellation through the run
// context; what it did goes into aResult as it goes, complete before the final state is sent.
class SyncExecutor
{
public:
    // aSettings: the run's snapshot of the settings, read only; what the run switches off is
    // saved into the settings file as it is then.
    SyncExecutor(SyncRunContext& aContext, MusicLibrary* aLibrary,
                 const SettingsSnapshot& aSettings, SyncResult& aResult);

    void execute(SyncPlan& aPlan, SyncAnswers aAnswers);

private:
    void run(SyncPlan& aPlan, SyncAnswers& aAnswers);
    // Settings the run changes for the phone: first use over, a cache file name of its own.
    // Saves what the start of a run changes; the settings as they are then.
    SettingsSnapshot markRunStarted(const QString& aId);
    void deleteCacheFiles(const SettingsSnapshot& aSettings, const QString& aId);
    // Opens the phone's track cache to record the run in; false (the cache cleared) when it
    // cannot be used.
    bool openCache(const SettingsSnapshot& aSettings, const SyncPlan& aPlan);
    void forcedAlbumArt(SyncPlan& aPlan, class AlbumArtSender& aAlbumArt);
    void deleteTracks(SyncPlan& aPlan);
    void upload(SyncPlan& aPlan, AlbumArtSender& aAlbumArt);
    void uploadOneTrack(SyncPlan& aPlan, qint32 aIndex, qint32& aAttempts,
                        AlbumArtSender& aAlbumArt);
    void writePlaylists(SyncPlan& aPlan);
    // False, once and for the rest of the run, when the phone is no longer there.
    bool phoneStillThere();
    // The words for why the device's last operation failed with aResult; empty when unknown.
    QString failureReason(const PhoneResult& aResult) const;
    bool cancelled();

    SyncRunContext& mContext;
    MusicLibrary* mLibrary;
    const SettingsSnapshot& mSettings;
    TrackCache mTrackCache;
    SyncResult& mResult;
};
