#pragma once

#include "device/Device.h"
#include "device/DeviceType.h"
#include "device/MetadataFileWriter.h"
#include "device/PhoneFileAccess.h"
#include "device/PhoneFileCopier.h"

#include <QFile>
#include <QSet>
#include <QString>

#include <memory>

// A phone that the system mounts as a folder (a USB mass-storage volume, or a folder the user
// names as a phone). All work is plain file work below mRootPath.
class UsbMSDevice : public Device
{
public:
    // aRootPath is the phone's root folder; a trailing "/" is added when missing. With aMounted
    // the id file and the description file are read now, else on the first successful IsMounted.
    UsbMSDevice(const QString& aRootPath, const QString& aFriendlyName, bool aMounted);
    ~UsbMSDevice() override;

    PhoneResult CopyFile(const QString& aSourceFilePath, const QString& aDestinationPath,
                         bool aReplace) override;
    bool SetModificationTime(const QString& aPath, const QDateTime& aTime) override;
    int GetDeviceType() override { return DeviceType::MassStorage; }
    void PrepareForSync() override;
    void FinalizeSync() override;
    bool IsMounted() override;
    // The root is still the file system it was at PrepareForSync and holds the same id file.
    bool StillConnected() override;
    PhoneResult UploadTrack(Track& aTrack) override;
    PhoneResult DeleteTrack(Track& aTrack) override;
    QString UniqueDeviceId() override { return mUniqueDeviceId; }
    QString FriendlyName() override;
    // Virtual so that a test phone can report a small volume.
    int GetStorageCapacity(quint64& aCapacity) override;
    int GetFreeStorageSpace(quint64& aFreeSpace) override;
    PhoneResult SetConfigured() override;
    bool IsConfigured(const SettingsSnapshot& aSettings) override;
    PhoneResult createPlaylist(const PlaylistEntry& aPlaylist, const TrackList& aTrackList,
                               bool aForce) override;
    void removeOldPlaylists() override;
    QStringList PlaylistFiles() override;
    void uploadAlbumArt(const Track& aTrack, const QString& aLocalImagePath) override;
    void setPcSoftwareVersion(const QString& aVersion) override;

    // The id from "CORVO\uniqueid", or "TEMP-DEVICE-ID" when the file is missing.
    void ReadOrGenerateUniqueDeviceId();
    // Reads "CORVO\android.xml" into the description fields.
    void ReadDeviceInfo();
    // Takes the id and description that a check read in another thread; from then on the id
    // is not read again here. A check never turns a real id back into "TEMP-DEVICE-ID": one
    // that read the phone before SetConfigured wrote its id file must not undo it.
    void SetCheckedIdentity(const QString& aUniqueDeviceId, int aAndroidVersion,
                            int aScreenPixels);

    // Root folder with a trailing "/".
    QString RootPath() const { return mRootPath; }
    // Local path of a phone path (relative to the root, a leading separator allowed).
    // Empty when the path would leave the root (a ".." component).
    QString LocalPath(const QString& aPhonePath) const;

protected:
    // The steps of a copy, so that a test phone can make the medium fail (full, removed,
    // read-only) behind an otherwise real copy. openCopyTarget opens aPath (relative to the
    // root, never through a link) with the open(2)
    // flags aFlags and returns the descriptor, or -1 with errno set. writeCopyChunk writes
    // aSize bytes and returns how many it wrote, or -1 with errno set when none.
    virtual int openCopyTarget(const QString& aPath, int aFlags);
    virtual qint64 writeCopyChunk(int aTarget, const char* aData, qint64 aSize);

private:
    // mkpath, remembered for the run: most tracks go to a folder made for an earlier one. A
    // folder met for the first time in a run is cleared of hidden partial copies.
    bool ensureFolder(const QString& aFolder);
    void writeMetadataTrack(const Track& aTrack);

    QString mFriendlyName;
    QString mUniqueDeviceId;
    QString mRootPath;
    PhoneFileAccess mFiles;
    PhoneFileCopier mCopier;
    QSet<QString> mCreatedPlaylists;
    QSet<QString> mKnownFolders;
    bool mIdRead = false;
    // The id comes from the device list's checks (SetCheckedIdentity).
    bool mIdentityChecked = false;
    // Device number of the root's file system at PrepareForSync; 0 when it could not be read.
    dev_t mRootDevice = 0;
    ino_t mRootInode = 0;
    bool mDeletedBefore = false;
    std::unique_ptr<QFile> mMetadataFile;
    std::unique_ptr<MetadataFileWriter> mMetadataWriter;
};
