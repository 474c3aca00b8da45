#pragma once

#include "device/PhoneResult.h"
#include "tracks/PlaylistEntry.h"
#include "tracks/Track.h"

#include <QStringList>

#include <csignal>
#include <optional>
#include <stdexcept>

class TrackList;

// What a whole-sync test must see of a phone of any kind, around the real device: the free
// space it reports, a fault inside the upload of one named track or inside a deletion, and a
// record of the uploads, album pictures and run brackets it was asked for.
template <class Base>
class PhoneProbe : public Base
{
public:
    using Base::Base;

    enum class Fault { Exception, Segfault };

    // The free space reported to the sync engine (unset: what the phone says).
    void setFreeSpace(qint64 aBytes) { mFreeSpace = aBytes; }
    // UploadTrack of the track with this name faults: a C++ exception, or a processor fault.
    void setFaultingTrack(const QString& aTrackName, Fault aFault = Fault::Exception)
    {
        mFaultingTrack = aTrackName;
        mFault = aFault;
    }
    // DeleteTrack faults (outside the guard of one upload).
    void setFaultingDeletion(bool aFault) { mFaultingDeletion = aFault; }

    int GetFreeStorageSpace(quint64& aFreeSpace) override
    {
        if (mFreeSpace) {
            aFreeSpace = quint64(*mFreeSpace);
            return 0;
        }
        return Base::GetFreeStorageSpace(aFreeSpace);
    }
    PhoneResult UploadTrack(Track& aTrack) override
    {
        mUploadRequests << aTrack.trackName();
        if (!mFaultingTrack.isEmpty() && aTrack.trackName() == mFaultingTrack) {
            if (mFault == Fault::Segfault)
                std::raise(SIGSEGV);
            throw std::runtime_error("injected fault in the upload");
        }
        const PhoneResult result = Base::UploadTrack(aTrack);
        if (result.isOk() && aTrack.onRemoteDevice())
            mUploaded << aTrack.trackName();
        return result;
    }
    PhoneResult DeleteTrack(Track& aTrack) override
    {
        if (mFaultingDeletion)
            std::raise(SIGSEGV);
        return Base::DeleteTrack(aTrack);
    }
    void uploadAlbumArt(const Track& aTrack, const QString& aLocalImagePath) override
    {
        mAlbumArtSent << aTrack.albumName() + QLatin1Char('/') + aTrack.artistName();
        mAlbumArtTracks << aTrack.trackName();
        Base::uploadAlbumArt(aTrack, aLocalImagePath);
    }
    PhoneResult createPlaylist(const PlaylistEntry& aPlaylist, const TrackList& aTrackList,
                               bool aForce) override
    {
        const PhoneResult result = Base::createPlaylist(aPlaylist, aTrackList, aForce);
        if (result.isOk())
            mPlaylistsCreated.append({aPlaylist.mName, aForce});
        return result;
    }
    void removeOldPlaylists() override
    {
        mOldPlaylistsChecked = true;
        Base::removeOldPlaylists();
    }
    void PrepareForSync() override
    {
        ++mPrepareCount;
        Base::PrepareForSync();
    }
    void FinalizeSync() override
    {
        ++mFinalizeCount;
        Base::FinalizeSync();
    }

    // "album/artist" of every album picture sent, in order.
    const QStringList& albumArtSent() const { return mAlbumArtSent; }
    // Names of the tracks of those album pictures.
    const QStringList& albumArtTracks() const { return mAlbumArtTracks; }
    // Names of the tracks UploadTrack was asked for, in order.
    const QStringList& uploadRequests() const { return mUploadRequests; }
    // Names of the tracks it placed on the phone, in order.
    const QStringList& uploaded() const { return mUploaded; }
    // Playlists written or found up to date (name, forced), in order.
    const QList<QPair<QString, bool>>& playlistsCreated() const { return mPlaylistsCreated; }
    bool oldPlaylistsChecked() const { return mOldPlaylistsChecked; }
    int prepareCount() const { return mPrepareCount; }
    int finalizeCount() const { return mFinalizeCount; }

private:
    std::optional<qint64> mFreeSpace;
    QString mFaultingTrack;
    Fault mFault = Fault::Exception;
    bool mFaultingDeletion = false;
    QStringList mUploadRequests;
    QStringList mUploaded;
    QStringList mAlbumArtSent;
    QStringList mAlbumArtTracks;
    QList<QPair<QString, bool>> mPlaylistsCreated;
    bool mOldPlaylistsChecked = false;
    int mPrepareCount = 0;
    int mFinalizeCount = 0;
};
