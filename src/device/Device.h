#pragma once

#include "device/DeviceType.h"
#include "device/PhoneDescription.h"
#include "device/PhoneResult.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

class SettingsSnapshot;
class Track;
class TrackList;
struct PlaylistEntry;

// One storage area of a phone: the single volume of a mass-storage phone, or one storage of an
// MTP phone. The sync engine writes through this interface only. Paths on the phone are relative
// to the storage root; a track's device id is its path from the root with a leading separator.
// Names on the phone come from PhoneNames, playlist files from PlaylistWriter.
class Device
{
public:
    // Id of a phone that has no id file yet.
    static constexpr const char* kTempDeviceId = "TEMP-DEVICE-ID";

    Device();
    virtual ~Device();

    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    // Copies a local file to aDestinationPath (relative to the phone root). With aReplace an
    // existing destination is removed first; otherwise an existing destination is kept.
    // kCopyFailed or kFolderNotCreated on failure.
    virtual PhoneResult CopyFile(const QString& aSourceFilePath, const QString& aDestinationPath,
                                 bool aReplace) = 0;
    // Gives the file at aPath (as for CopyFile) the modification time aTime. False where the
    // phone keeps its own times (MTP) or the file cannot be reached.
    virtual bool SetModificationTime(const QString& aPath, const QDateTime& aTime);
    // A DeviceType value.
    virtual int GetDeviceType() = 0;
    virtual void PrepareForSync() = 0;
    // A second call without PrepareForSync in between does nothing.
    virtual void FinalizeSync() = 0;
    virtual bool IsMounted() = 0;
    // Still the phone PrepareForSync found: checked before each track and before the
    // playlists, so that a phone pulled out mid-run is never written to a stand-in folder.
    virtual bool StillConnected() { return true; }
    // Copies one track; on success the track's device id, on-device flag and size on device
    // are set. Success without the on-device flag: the local file is gone, nothing was copied.
    virtual PhoneResult UploadTrack(Track& aTrack) = 0;
    // Deletes one track from the phone and clears its on-device flag; the caller records the
    // deletion in the track cache.
    virtual PhoneResult DeleteTrack(Track& aTrack) = 0;
    virtual QString UniqueDeviceId() = 0;
    virtual QString FriendlyName() = 0;
    // Total and free bytes; the result is 0 (values stay unset when they cannot be read).
    virtual int GetStorageCapacity(quint64& aCapacity) = 0;
    virtual int GetFreeStorageSpace(quint64& aFreeSpace) = 0;
    // Creates the phone's id file when it has none; fails when the id could not be written.
    virtual PhoneResult SetConfigured() = 0;
    // The settings have an entry for this phone.
    virtual bool IsConfigured(const SettingsSnapshot& aSettings);
    // Creates or refreshes the named playlist on the phone; a failed write leaves the
    // playlist as it was.
    virtual PhoneResult createPlaylist(const PlaylistEntry& aPlaylist, const TrackList& aTrackList,
                                       bool aForce) = 0;
    // Empties the playlist files that this run did not write.
    virtual void removeOldPlaylists() = 0;
    // The playlist files now in "Playlists_CDZ" that removeOldPlaylists looks at, by file
    // name; reads only.
    virtual QStringList PlaylistFiles() = 0;
    // Puts the album picture next to the album's tracks.
    virtual void uploadAlbumArt(const Track& aTrack, const QString& aLocalImagePath) = 0;
    virtual void setPcSoftwareVersion(const QString& aVersion) = 0;

    // Line number of the phone's entry in the settings file, -1 when it has none.
    int configuredOrder(const SettingsSnapshot& aSettings);
    // Takes the version and screen size of the phone description ("android.xml"); see
    // PhoneDescription.
    void ParseAndroidInfo(const QByteArray& aContent);
    static constexpr qint64 kMaxAndroidInfoSize = PhoneDescription::kMaxSize;
    // Told how far a file being sent has got (name, bytes sent, bytes in all), from the
    // sending thread; phones that cannot tell never call it.
    using TransferObserver = std::function<void(const QString& aName, quint64 aSent, quint64 aTotal)>;
    virtual void SetTransferObserver(TransferObserver aObserver) { Q_UNUSED(aObserver); }
    // The run's cancel flag (not owned), so that a long transfer can stop in the middle.
    void SetCancelFlag(const std::atomic<bool>* aFlag) { mCancelFlag = aFlag; }
    bool CancelRequested() const { return mCancelFlag && mCancelFlag->load(); }
    int AndroidVersion() const { return mAndroidVersion; }
    int ScreenPixels() const { return mScreenPixels; }

protected:
    const std::atomic<bool>* mCancelFlag = nullptr;
    int mScreenPixels = -1;
    int mAndroidVersion = -1;
};
