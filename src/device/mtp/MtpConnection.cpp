#include "device/mtp/MtpConnection.h"

#include "app/DebugLog.h"
#include "device/mtp/MtpStorage.h"

#include <QThread>

#include <mutex>

MtpConnection::MtpConnection(std::shared_ptr<MtpBackend> aBackend, const MtpRawDevice& aRawDevice)
    : mBackend(std::move(aBackend)), mRawDevice(aRawDevice)
{
}

MtpConnection::~MtpConnection()
{
    Close();
    clearStorages();
}

int MtpConnection::GetRawDevices(MtpBackend& aBackend, QList<MtpRawDevice>& aDevices)
{
    LogScope scope("QMtpGetRawDevices");
    QList<MtpRawDevice> all;
    const int result = aBackend.listRawDevices(all);
    aDevices.clear();
    for (const MtpRawDevice& device : std::as_const(all)) {
        if (device.mMassStorage) {
            logMessage("Is a mass storage device");
            continue;
        }
        logMessage("Is NOT a mass storage device");
        aDevices.append(device);
    }
    logReturn(result);
    return result;
}

MtpBackend::OpenResult MtpConnection::Open(int aAttempts, int aRetryDelayMs)
{
    LogScope scope("QMtpOpenDevice");
    QMutexLocker lock(&mCallLock);
    if (mHandle != 0) {
        mBackend->closeDevice(mHandle);
        mHandle = 0;
    }
    MtpBackend::OpenResult result = MtpBackend::OpenResult::Failed;
    for (int attempt = 0; attempt < std::max(1, aAttempts); ++attempt) {
        if (attempt > 0 && aRetryDelayMs > 0)
            QThread::msleep(aRetryDelayMs);
        mHandle = mBackend->openDevice(mRawDevice, result);
        if (mHandle != 0)
            break;
        logValue("Open failed, attempt", attempt + 1);
        // Another program holds it: trying again at once only repeats the failed claim.
        if (result == MtpBackend::OpenResult::Busy)
            break;
    }
    if (mHandle != 0) {
        mRawDevice.mFriendlyName = mBackend->friendlyName(mHandle);
        mSerialNumber = mBackend->serialNumber(mHandle);
        logValue("friendlyName", mRawDevice.mFriendlyName);
        logValue("serialNumber", mSerialNumber);
    }
    return result;
}

void MtpConnection::Close()
{
    QMutexLocker lock(&mCallLock);
    if (mHandle != 0) {
        mBackend->closeDevice(mHandle);
        mHandle = 0;
    }
}

void MtpConnection::clearStorages()
{
    qDeleteAll(mStorages);
    mStorages.clear();
}

int MtpConnection::GetStorage()
{
    LogScope scope("QMtpGetStorage");
    clearStorages();
    QList<MtpStorageInfo> storages;
    QMutexLocker lock(&mCallLock);
    const int result = mHandle ? mBackend->listStorages(mHandle, storages) : kNoDevice;
    lock.unlock();
    if (result != 0) {
        logValue("Error on ->Next", result);
        logReturn(result);
        return result;
    }
    logMessage("Got content");
    for (const MtpStorageInfo& info : std::as_const(storages)) {
        logValue("Is storge, ID", qint64(info.mId));
        mStorages.append(
            new MtpStorage(this, info.mId, info.mCapacity, info.mFreeSpace, info.mDescription));
    }
    logReturn(0);
    return 0;
}

int MtpConnection::ReadStorageInfo(quint32 aStorageId, MtpStorageInfo& aInfo, bool aWait)
{
    LogScope scope("QMtpReadStorageInfo");
    QList<MtpStorageInfo> storages;
    std::unique_lock<QMutex> lock(mCallLock, std::defer_lock);
    if (aWait) {
        lock.lock();
    } else if (!lock.try_lock()) {
        logMessage("The phone is busy");
        logReturn(kBusy);
        return kBusy;
    }
    const int result = mHandle ? mBackend->listStorages(mHandle, storages) : kNoDevice;
    lock.unlock();
    if (result == 0) {
        for (const MtpStorageInfo& info : std::as_const(storages)) {
            if (info.mId == aStorageId) {
                aInfo = info;
                logReturn(0);
                return 0;
            }
        }
    }
    logReturn(-1);
    return -1;
}

int MtpConnection::GetFilesAndFolders(quint32 aStorageId, quint32 aFolderId,
                                      QList<MtpObject>& aFiles)
{
    LogScope scope("QMtpGetFilesAndFolders");
    logValue("aStorageId", qint64(aStorageId));
    logValue("aFolderId", qint64(aFolderId));
    logValue("Searching under object id",
             qint64(aFolderId == MtpBackend::kRootFolderId ? aStorageId : aFolderId));
    aFiles.clear();
    QMutexLocker lock(&mCallLock);
    const int result = mHandle ? mBackend->listFolder(mHandle, aStorageId, aFolderId, aFiles)
                               : kNoDevice;
    logReturn(result);
    return result;
}

quint32 MtpConnection::CreateFolder(quint32 aFolderId, quint32 aStorageId, const QString& aName)
{
    LogScope scope("QMtpCreateFolder");
    quint32 id = 0;
    QMutexLocker lock(&mCallLock);
    if (!mHandle || mBackend->createFolder(mHandle, aFolderId, aStorageId, aName, id) != 0) {
        logValue("! Failed to set WPD_OBJECT_NAME, hr", aName);
        id = 0;
    }
    // Logged as before: no id is an empty value.
    logValue("newId", id ? QString::number(id) : QString());
    return id;
}

int MtpConnection::SendFileFromFile(const QString& aLocalPath, MtpObject& aFile,
                                 const MtpBackend::Progress& aProgress)
{
    LogScope scope("QMtpSendFileFromFile");
    QMutexLocker lock(&mCallLock);
    if (!mHandle) {
        logMessage("! A NULL IPortableDevice interface pointer was received");
        logReturn(kNoDevice);
        return kNoDevice;
    }
    const int result = mBackend->sendFile(mHandle, aLocalPath, aFile, aProgress);
    if (result != 0) {
        logValue("! Failed to transfer object to device, hr", result);
        logReturn(PhoneResult::kCopyFailed);
        return PhoneResult::kCopyFailed;
    }
    logReturn(0);
    return 0;
}

int MtpConnection::GetFile(quint32 aObjectId, const QString& aLocalPath)
{
    LogScope scope("QMtpGetFile");
    QMutexLocker lock(&mCallLock);
    const int result = mHandle ? mBackend->getFile(mHandle, aObjectId, aLocalPath) : kNoDevice;
    if (result != 0)
        logValue("! Failed to transfer object from device, hr", result);
    logReturn(result);
    return result;
}

int MtpConnection::RenameObject(quint32 aObjectId, const QString& aNewName)
{
    LogScope scope("QMtpDevice::RenameObject");
    QMutexLocker lock(&mCallLock);
    const int result = mHandle ? mBackend->renameObject(mHandle, aObjectId, aNewName) : kNoDevice;
    logReturn(result);
    return result;
}

int MtpConnection::DeleteObject(quint32 aObjectId)
{
    LogScope scope("QMtpDeleteObject");
    QMutexLocker lock(&mCallLock);
    const int result = mHandle ? mBackend->deleteObject(mHandle, aObjectId) : kNoDevice;
    if (result != 0)
        logValue("! Failed to delete an object from the device, hr", result);
    logReturn(result);
    return result;
}
