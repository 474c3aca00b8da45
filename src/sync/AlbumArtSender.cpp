#include "sync/AlbumArtSender.h"

#include "app/AppPaths.h"
#include "app/CrashGuard.h"
#include "app/DebugLog.h"
#include "device/Device.h"
#include "library/MusicLibrary.h"
#include "sync/AlbumArtImage.h"
#include "sync/SyncRunContext.h"
#include "tracks/SyncState.h"
#include "tracks/TrackList.h"

#include <QFile>

AlbumArtSender::AlbumArtSender(SyncRunContext& aContext, MusicLibrary* aLibrary,
                               bool aEnabled)
    : mContext(aContext), mLibrary(aLibrary), mEnabled(aEnabled)
{
}

void AlbumArtSender::send(const Track& aTrack, bool aForce)
{
    if (!CrashGuard::run([this, &aTrack, aForce]() { sendOnce(aTrack, aForce); }))
        logMessage("Album art of the track skipped after a fault");
}

void AlbumArtSender::refreshTracksOnPhone(const TrackList& aTracks)
{
    LogScope scope("AlbumArtSender::refreshTracksOnPhone");
    mContext.ChangeState(SyncState::CheckingAlbumArt);
    for (qint32 i = 0; i < aTracks.count(); ++i) {
        const Track& track = aTracks.at(i);
        if (!track.onRemoteDevice())
            continue;
        mContext.UpdateProgress(0, 0, track.albumName() + QStringLiteral(" - ") + track.artistName());
        send(track, true);
    }
}

void AlbumArtSender::sendOnce(const Track& aTrack, bool aForce)
{
    LogScope scope("AlbumArtSender::sendOnce");
    const QString key = aTrack.albumName() + aTrack.artistName();
    if (mDone.contains(key))
        return;
    // Nothing would be sent: spare the library the artwork lookup.
    if (!mEnabled && !aForce)
        return;
    const QString artworkPath = mLibrary->artworkFile(aTrack);
    logValue("artworkPath", artworkPath);
    if (artworkPath.isEmpty())
        return;
    const QString target = AppPaths::corvoFolder() + QStringLiteral("/AlbumArt.jpg");
    if (AlbumArtImage::write(artworkPath, target)) {
        mContext.device()->uploadAlbumArt(aTrack, target);
        mDone.insert(key);
    }
    QFile::remove(artworkPath);
}
