#pragma once

#include "device/Device.h"
#include "device/DeviceType.h"
#include "device/mtp/MtpBackend.h"

#include <QSet>
#include <QString>

#include <atomic>
#include <functional>

class QThread;

class MtpPhoneParent;
class MtpCachedConnection;
class MtpStorage;

// One storage of an MTP phone. Paths relative to the storage root are resolved folder by folder
// into object ids through the parent's folder cache, creating missing folders where asked.
// The phone never overwrites: a file is replaced by deleting the old object, then sending.
class MtpPhone : public Device
{
public:
    // Codes of this phone kind.
    static constexpr int kNotFound = PhoneResult::kNotFound;
    static constexpr int kSendFailed = PhoneResult::kSendFailed;

    // aStorage belongs to the parent's device.
    MtpPhone(MtpPhoneParent* aParent, MtpStorage* aStorage);
    ~MtpPhone() override;

    PhoneResult CopyFile(const QString& aSourceFilePath, const QString& aDestinationPath,
                         bool aReplace) override;
    int GetDeviceType() override { return DeviceType::Mtp; }
    void PrepareForSync() override;
    void FinalizeSync() override;
    bool IsMounted() override { return true; }
    // Asks the phone only after a call has failed: a phone pulled out or locked answers no
    // storage.
    bool StillConnected() override;
    PhoneResult UploadTrack(Track& aTrack) override;
    PhoneResult DeleteTrack(Track& aTrack) override;
    QString UniqueDeviceId() override { return mUniqueDeviceId; }
    QString FriendlyName() override { return mFriendlyName; }
    int GetStorageCapacity(quint64& aCapacity) override;
    int GetFreeStorageSpace(quint64& aFreeSpace) override;
    PhoneResult SetConfigured() override;
    PhoneResult createPlaylist(const PlaylistEntry& aPlaylist, const TrackList& aTrackList,
                               bool aForce) override;
    void removeOldPlaylists() override;
    QStringList PlaylistFiles() override;
    void uploadAlbumArt(const Track& aTrack, const QString& aLocalImagePath) override;
    // The phone keeps no version file of the desktop program.
    void setPcSoftwareVersion(const QString&) override {}

    // The object named aName directly in folder aParentId (folders skipped unless aAnyType);
    // with aCreate a missing one is made as a folder. 0 or kNotFound.
    int GetOrCreateFromNameAndParent(quint32 aParentId, const QString& aName, quint32& aObjectId,
                                     bool aAnyType, bool aCreate);
    // Resolves a path from the storage root; aParentId is the folder holding
    // the object found. 0 or kNotFound. Names match without case when no name matches exactly.
    int GetOrCreateFromPath(const QString& aPath, quint32& aObjectId, quint32& aParentId,
                            bool aCreate);
    // The same, and the path as the phone spells it; aAbsent tells, when nothing was found,
    // whether a complete listing showed the missing part absent (rather than a listing that
    // failed or may have skipped it).
    int ResolvePath(const QString& aPath, quint32& aObjectId, quint32& aParentId, bool aCreate,
                    QString* aPhonePath, bool* aAbsent);
    int FindOrCreateDirectories(const QString& aArtist, const QString& aAlbum, quint32& aFolderId);
    int GetIdFromTrack(const Track& aTrack, quint32& aObjectId);

    MtpCachedConnection* CachedDevice() const;
    quint32 StorageId() const;
    MtpPhoneParent* Parent() const { return mParent; }
    // The progress callback of one transfer: reports to the observer and stops when the run is
    // cancelled.
    MtpBackend::Progress TransferProgress(const QString& aName);
    void SetTransferObserver(TransferObserver aObserver) override
    {
        mTransferObserver = std::move(aObserver);
    }
    // Attempts and their spacing when the phone is opened again before a run.
    void SetReopenPolicy(int aAttempts, int aDelayMs);

private:
    int Lookup(quint32 aParentId, const QString& aName, quint32& aObjectId, bool aAnyType,
               bool aCreate, QString* aPhoneName, bool* aAbsent);
    // True while a run other than the calling thread's has the phone.
    bool OwnedByAnotherRun() const;
    // The thread of a window, which must never wait on a phone.
    static bool OnWindowThread();
    void CacheAndroidVersion();
    void ReadOrGenerateUniqueDeviceId();
    // "\Music\<artist>\<album>" with empty parts left out.
    QString AlbumFolderPath(const Track& aTrack);
    QString TrackFileName(const Track& aTrack);
    void reopen();

    QString mFriendlyName;
    MtpPhoneParent* mParent = nullptr;
    MtpStorage* mStorage = nullptr;
    QSet<QString> mCreatedPlaylists;
    QString mUniqueDeviceId;
    bool mPrepared = false;
    // The thread of the run that has the phone, from PrepareForSync to FinalizeSync: nothing
    // else talks to the phone meanwhile.
    std::atomic<QThread*> mRunThread{nullptr};
    TransferObserver mTransferObserver;
    int mReopenAttempts = 3;
    int mReopenDelayMs = 1000;
};
