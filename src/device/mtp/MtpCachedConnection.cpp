#include "device/mtp/MtpCachedConnection.h"

#include "app/DebugLog.h"
#include "device/mtp/MtpConnection.h"

MtpCachedConnection::MtpCachedConnection(MtpConnection* aDevice) : mDevice(aDevice) {}

MtpCachedConnection::~MtpCachedConnection()
{
    if (mDevice)
        mDevice->Close();
}

QString MtpCachedConnection::MangleFolderId(const QString& aFolderId, const QString& aStorageId)
{
    const QString mangled = aFolderId == QLatin1String(MtpBackend::kRootFolderId)
                                ? QStringLiteral("storage_root_") + aStorageId
                                : aFolderId;
    logValue("mangledId", mangled);
    return mangled;
}

int MtpCachedConnection::GetFilesAndFolders(const QString& aStorageId, const QString& aFolderId,
                                         QList<MtpObject>& aFiles)
{
    const QString key = MangleFolderId(aFolderId, aStorageId);
    const auto cached = mCache.constFind(key);
    if (cached != mCache.cend()) {
        aFiles = cached.value();
        return 0;
    }
    const int result = mDevice->GetFilesAndFolders(aStorageId, aFolderId, aFiles);
    // A failed or doubtful listing is not remembered: the next look-up asks again.
    if (result == 0)
        mCache.insert(key, aFiles);
    else if (result != MtpBackend::kIncompleteListing)
        checked(result);
    return result;
}

QString MtpCachedConnection::CreateFolder(const QString& aFolderId, const QString& aStorageId,
                                       const QString& aName)
{
    const QString id = mDevice->CreateFolder(aFolderId, aStorageId, aName);
    if (id.isEmpty() || id == QLatin1String("0")) {
        checked(-1);
    } else {
        MtpObject folder;
        folder.mId = id;
        folder.mParentId = aFolderId;
        folder.mStorageId = aStorageId;
        folder.mName = aName;
        folder.mType = MtpObject::kFolder;
        const QString key = MangleFolderId(aFolderId, aStorageId);
        if (mCache.contains(key))
            mCache[key].append(folder);
        // A folder just made is empty.
        mCache.insert(MangleFolderId(id, aStorageId), {});
    }
    return id;
}

int MtpCachedConnection::SendFile(const QString& aLocalPath, MtpObject& aFile,
                               const MtpBackend::Progress& aProgress)
{
    const int result = checked(mDevice->SendFileFromFile(aLocalPath, aFile, aProgress));
    if (result == 0) {
        const QString key = MangleFolderId(aFile.mParentId, aFile.mStorageId);
        // Added only to a listing that is known: an unlisted folder is asked in full later.
        if (mCache.contains(key))
            mCache[key].append(aFile);
    }
    return result;
}

int MtpCachedConnection::GetFile(const QString& aObjectId, const QString& aLocalPath)
{
    return checked(mDevice->GetFile(aObjectId, aLocalPath));
}

int MtpCachedConnection::DeleteObject(const QString& aObjectId, const QString& aFolderId,
                                   const QString& aStorageId)
{
    const int result = checked(mDevice->DeleteObject(aObjectId));
    if (result == 0) {
        const auto entries = mCache.find(MangleFolderId(aFolderId, aStorageId));
        if (entries != mCache.end()) {
            const qsizetype removed = entries->removeIf(
                [&aObjectId](const MtpObject& aFile) { return aFile.mId == aObjectId; });
            logValue("Items removed from multihash: ", int(removed));
        }
    }
    return result;
}

int MtpCachedConnection::RenameObject(const QString& aObjectId, const QString& aNewName,
                                   const QString& aFolderId, const QString& aStorageId)
{
    const int result = mDevice->RenameObject(aObjectId, aNewName);
    const auto entries = mCache.find(MangleFolderId(aFolderId, aStorageId));
    if (entries != mCache.end()) {
        for (MtpObject& file : *entries) {
            if (file.mId == aObjectId && result == 0)
                file.mName = aNewName;
        }
    }
    // After a failure the phone's state is not known: its folders are asked again.
    return checked(result);
}

void MtpCachedConnection::ForgetFolder(const QString& aFolderId, const QString& aStorageId)
{
    mCache.remove(MangleFolderId(aFolderId, aStorageId));
}

void MtpCachedConnection::ForgetAll()
{
    mCache.clear();
}

int MtpCachedConnection::checked(int aResult)
{
    if (aResult != 0)
        mFailed = true;
    if (aResult != 0 && !mCache.isEmpty()) {
        logMessage("A call failed: the cached listings are dropped");
        mCache.clear();
    }
    return aResult;
}

MtpBackend::OpenResult MtpCachedConnection::Reopen(int aAttempts, int aRetryDelayMs)
{
    // A new session: the phone may number its objects afresh, and an old id may even name
    // another object now.
    mCache.clear();
    return mDevice->Open(aAttempts, aRetryDelayMs);
}
