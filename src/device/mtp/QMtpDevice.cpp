#include "device/mtp/QMtpDevice.h"

#include "app/DebugLog.h"
#include "device/Device.h"
#include "device/mtp/QMtpDeviceStorage.h"

#include <QThread>

#include <mutex>

QMtpDevice::QMtpDevice(std::shared_ptr<MtpBackend> aBackend, const QMtpRawDevice& aRawDevice)
    : mBackend(std::move(aBackend)), mRawDevice(aRawDevice)
{
}

QMtpDevice::~QMtpDevice()
{
    Close();
    clearStorages();
}

int QMtpDevice::GetRawDevices(MtpBackend& aBackend, QList<QMtpRawDevice>& aDevices)
{
    LogScope scope("QMtpGetRawDevices");
    QList<QMtpRawDevice> all;
    const int result = aBackend.listRawDevices(all);
    aDevices.clear();
    for (const QMtpRawDevice& device : std::as_const(all)) {
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

MtpBackend::OpenResult QMtpDevice::Open(int aAttempts, int aRetryDelayMs)
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

void QMtpDevice::Close()
{
    QMutexLocker lock(&mCallLock);
    if (mHandle != 0) {
        mBackend->closeDevice(mHandle);
        mHandle = 0;
    }
}

void QMtpDevice::clearStorages()
{
    qDeleteAll(mStorages);
    mStorages.clear();
}

int QMtpDevice::GetStorage()
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
            new QMtpDeviceStorage(this, info.mId, info.mCapacity, info.mFreeSpace, info.mDescription));
    }
    logReturn(0);
    return 0;
}

int QMtpDevice::ReadStorageInfo(const QString& aStorageId, MtpStorageInfo& aInfo, bool aWait)
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

int QMtpDevice::GetFilesAndFolders(const QString& aStorageId, const QString& aFolderId,
                                   QList<QMtpFile>& aFiles)
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

QString QMtpDevice::CreateFolder(const QString& aFolderId, const QString& aStorageId,
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

int QMtpDevice::SendFileFromFile(const QString& aLocalPath, QMtpFile& aFile,
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
        logReturn(Device::kCopyFailed);
        return Device::kCopyFailed;
    }
    logReturn(0);
    return 0;
}

int QMtpDevice::GetFile(const QString& aObjectId, const QString& aLocalPath)
{
    LogScope scope("QMtpGetFile");
    QMutexLocker lock(&mCallLock);
    const int result = mHandle ? mBackend->getFile(mHandle, aObjectId, aLocalPath) : kNoDevice;
    if (result != 0)
        logValue("! Failed to transfer object from device, hr", result);
    logReturn(result);
    return result;
}

int QMtpDevice::RenameObject(const QString& aObjectId, const QString& aNewName)
{
    LogScope scope("QMtpDevice::RenameObject");
    QMutexLocker lock(&mCallLock);
    const int result = mHandle ? mBackend->renameObject(mHandle, aObjectId, aNewName) : kNoDevice;
    logReturn(result);
    return result;
}

int QMtpDevice::DeleteObject(const QString& aObjectId)
{
    LogScope scope("QMtpDeleteObject");
    QMutexLocker lock(&mCallLock);
    const int result = mHandle ? mBackend->deleteObject(mHandle, aObjectId) : kNoDevice;
    if (result != 0)
        logValue("! Failed to delete an object from the device, hr", result);
    logReturn(result);
    return result;
}
