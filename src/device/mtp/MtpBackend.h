#pragma once

#include "device/mtp/MtpObject.h"
#include "device/mtp/MtpRawDevice.h"

#include <QList>
#include <QString>

#include <functional>

// One storage of an opened phone as the phone reports it.
struct MtpStorageInfo
{
    quint32 mId = 0;
    quint64 mCapacity = 0;
    quint64 mFreeSpace = 0;
    QString mDescription;
};

// The few operations on portable devices the system needs, over one MTP library (libmtp) or an
// in-memory phone in tests. Operations answer 0 or a negative code; the backend logs what went
// wrong itself. libmtp has no locking of its own: one call at a time per opened device (the
// caller holds a lock per phone). Object ids are only valid in the session (the open device)
// that issued them: after closeDevice a phone may number its objects afresh.
class MtpBackend
{
public:
    // The folder id that stands for the root of a storage (libmtp's
    // LIBMTP_FILES_AND_FOLDERS_ROOT). No object has id 0.
    static constexpr quint32 kRootFolderId = 0xFFFFFFFFu;

    enum class OpenResult { Opened, Busy, Failed };
    // An opened device; 0 is none.
    using Handle = quint64;
    // Called during a transfer; answering false cancels it.
    using Progress = std::function<bool(quint64 aSent, quint64 aTotal)>;

    virtual ~MtpBackend() = default;

    virtual int listRawDevices(QList<MtpRawDevice>& aDevices) = 0;
    // Opens without walking the phone's objects. Busy: another program holds the device.
    virtual Handle openDevice(const MtpRawDevice& aDevice, OpenResult& aResult) = 0;
    virtual void closeDevice(Handle aDevice) = 0;
    // Empty when the phone has none.
    virtual QString serialNumber(Handle aDevice) = 0;
    virtual QString friendlyName(Handle aDevice) = 0;
    // A listing that may lack objects (libmtp skips an object whose description cannot be
    // read, and cannot always tell an empty folder from a failure): what it holds is there,
    // but what it lacks may be there too.
    static constexpr int kIncompleteListing = -2;

    // Reads the storages again (capacity and free space are fresh). -1 without storages when
    // the phone announces none: it is locked or set to "charging only" (libmtp cannot tell
    // that from a failed request).
    virtual int listStorages(Handle aDevice, QList<MtpStorageInfo>& aStorages) = 0;
    // The objects directly inside one folder; an empty folder is no failure. Fails for an id
    // that names no folder in this session; kIncompleteListing as above.
    virtual int listFolder(Handle aDevice, quint32 aStorageId, quint32 aFolderId,
                           QList<MtpObject>& aFiles) = 0;
    virtual int createFolder(Handle aDevice, quint32 aParentId, quint32 aStorageId,
                             const QString& aName, quint32& aNewId) = 0;
    // Sends a local file as a new object described by aFile (parent, storage, name, size,
    // type); on success aFile.mId is the new object's id. A phone refuses a name that exists.
    virtual int sendFile(Handle aDevice, const QString& aLocalPath, MtpObject& aFile,
                         const Progress& aProgress) = 0;
    virtual int getFile(Handle aDevice, quint32 aObjectId, const QString& aLocalPath) = 0;
    virtual int deleteObject(Handle aDevice, quint32 aObjectId) = 0;
    // Renames an object within its folder; a phone refuses a name that exists there.
    virtual int renameObject(Handle aDevice, quint32 aObjectId, const QString& aNewName) = 0;
};
