#pragma once

#include "device/PhoneResult.h"
#include "device/mtp/MtpBackend.h"

#include <QList>
#include <QMutex>
#include <QString>

#include <memory>

class MtpStorage;

// One phone opened through an MtpBackend: its storages and the plain operations on its
// objects, each logged. Folder id MtpBackend::kRootFolderId stands for the root of a storage. Every call
// into the backend holds the phone's lock: libmtp keeps one transaction counter and one
// storage list per device and guards neither, so two threads talking to one phone at once
// corrupt both.
class MtpConnection
{
public:
    // Codes of this layer.
    static constexpr int kNoDevice = PhoneResult::kNoConnection;

    MtpConnection(std::shared_ptr<MtpBackend> aBackend, const MtpRawDevice& aRawDevice);
    ~MtpConnection();

    MtpConnection(const MtpConnection&) = delete;
    MtpConnection& operator=(const MtpConnection&) = delete;

    // The attached portable devices, mass-storage ones left out.
    static int GetRawDevices(MtpBackend& aBackend, QList<MtpRawDevice>& aDevices);

    // (Re)opens the device, trying aAttempts times aRetryDelayMs apart. Fills the friendly
    // name and the serial number.
    MtpBackend::OpenResult Open(int aAttempts = 3, int aRetryDelayMs = 1000);
    void Close();
    bool IsOpen() const { return mHandle != 0; }
    // Fills the storage list; a phone that is locked or set to "charging only" has none.
    int GetStorage();
    // With aWait false, answers kBusy at once when another thread is talking to the phone.
    int ReadStorageInfo(quint32 aStorageId, MtpStorageInfo& aInfo, bool aWait = true);
    static constexpr int kBusy = -3;

    int GetFilesAndFolders(quint32 aStorageId, quint32 aFolderId, QList<MtpObject>& aFiles);
    // Answers the new folder's id, 0 on failure.
    quint32 CreateFolder(quint32 aFolderId, quint32 aStorageId, const QString& aName);
    // 0, PhoneResult::kCopyFailed, or kNoDevice without an open device. Sets aFile.mId.
    int SendFileFromFile(const QString& aLocalPath, MtpObject& aFile,
                         const MtpBackend::Progress& aProgress = {});
    int GetFile(quint32 aObjectId, const QString& aLocalPath);
    int DeleteObject(quint32 aObjectId);
    int RenameObject(quint32 aObjectId, const QString& aNewName);

    const QList<MtpStorage*>& Storages() const { return mStorages; }
    const MtpRawDevice& RawDevice() const { return mRawDevice; }
    QString SerialNumber() const { return mSerialNumber; }
    MtpBackend& Backend() { return *mBackend; }

private:
    void clearStorages();

    // Shared: a phone may outlive the refresher that found it.
    std::shared_ptr<MtpBackend> mBackend;
    MtpBackend::Handle mHandle = 0;
    QList<MtpStorage*> mStorages;
    MtpRawDevice mRawDevice;
    QString mSerialNumber;
    QMutex mCallLock;
};
