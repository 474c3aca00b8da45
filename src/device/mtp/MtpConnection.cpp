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
        logValue("Is storge, ID", info.mId);
        mStorages.append(
            new MtpStorage(this, info.mId, info.mCapacity, info.mFreeSpace, info.mDescription));
    }
    logReturn(0);
    return 0;
}

int MtpConnection::ReadStorageInfo(const QString& aStorageId, MtpStorageInfo& aInfo, bool aWait)
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

int MtpConnection::GetFilesAndFolders(const QString& aStorageId, const QString& aFolderId,
                                   QList<MtpObject>& aFiles)
{
    LogScope scope("QMtpGetFilesAndFolders");
    logValue("aStorageId", aStorageId);
    logValue("aFolderId", aFolderId);
    logValue("Searching under object id", aFolderId == QLatin1String(MtpBackend::kRootFolderId)
                                              ? aStorageId : aFolderId);
    aFiles.clear();
    QMutexLocker lock(&mCallLock);
    const int result = mHandle ? mBackend->listFolder(mHandle, aStorageId, aFolderId, aFiles)
                               : kNoDevice;
    logReturn(result);
    return result;
}

QString MtpConnection::CreateFolder(const QString& aFolderId, const QString& aStorageId,
                                 const QString& aName)
{
    LogScope scope("QMtpCreateFolder");
    QString id;
    QMutexLocker lock(&mCallLock);
    if (!mHandle || mBackend->createFolder(mHandle, aFolderId, aStorageId, aName, id) != 0) {
        logValue("! Failed to set WPD_OBJECT_NAME, hr", aName);
        id.clear();
    }
    logValue("newId", id);
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

int MtpConnection::GetFile(const QString& aObjectId, const QString& aLocalPath)
{
    LogScope scope("QMtpGetFile");
    QMutexLocker lock(&mCallLock);
    const int result = mHandle ? mBackend->getFile(mHandle, aObjectId, aLocalPath) : kNoDevice;
    if (result != 0)
        logValue("! Failed to transfer object from device, hr", result);
    logReturn(result);
    return result;
}

int MtpConnection::RenameObject(const QString& aObjectId, const QString& aNewName)
{
    LogScope scope("QMtpDevice::RenameObject");
    QMutexLocker lock(&mCallLock);
    const int result = mHandle ? mBackend->renameObject(mHandle, aObjectId, aNewName) : kNoDevice;
    logReturn(result);
    return result;
}

int MtpConnection::DeleteObject(const QString& aObjectId)
{
    LogScope scope("QMtpDeleteObject");
    QMutexLocker lock(&mCallLock);
    const int result = mHandle ? mBackend->deleteObject(mHandle, aObjectId) : kNoDevice;
    if (result != 0)
        logValue("! Failed to delete an object from the device, hr", result);
    logReturn(result);
    return result;
}
