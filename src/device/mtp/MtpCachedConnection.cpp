#include "device/mtp/MtpCachedConnection.h"

#include "app/DebugLog.h"
#include "device/mtp/MtpConnection.h"

MtpCachedConnection::MtpCachedConnection(MtpConnection* aDevice) : mDevice(aDevice) {}

MtpCachedConnection::~MtpCachedConnection()
{
    if (mDevice)
        mDevice->Close();
}

quint64 MtpCachedConnection::MangleFolderId(quint32 aFolderId, quint32 aStorageId)
{
    // Every storage has a root of the same id; the roots are told apart by their storage.
    if (aFolderId == MtpBackend::kRootFolderId) {
        logValue("mangledId", QStringLiteral("storage_root_") + QString::number(aStorageId));
        return (quint64(1) << 32) | aStorageId;
    }
    logValue("mangledId", qint64(aFolderId));
    return aFolderId;
}

int MtpCachedConnection::GetFilesAndFolders(quint32 aStorageId, quint32 aFolderId,
                                            QList<MtpObject>& aFiles)
{
    const quint64 key = MangleFolderId(aFolderId, aStorageId);
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

quint32 MtpCachedConnection::CreateFolder(quint32 aFolderId, quint32 aStorageId,
                                          const QString& aName)
{
    const quint32 id = mDevice->CreateFolder(aFolderId, aStorageId, aName);
    if (id == 0) {
        checked(-1);
    } else {
        MtpObject folder;
        folder.mId = id;
        folder.mParentId = aFolderId;
        folder.mStorageId = aStorageId;
        folder.mName = aName;
        folder.mType = MtpObject::kFolder;
        const quint64 key = MangleFolderId(aFolderId, aStorageId);
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
        const quint64 key = MangleFolderId(aFile.mParentId, aFile.mStorageId);
        // Added only to a listing that is known: an unlisted folder is asked in full later.
        if (mCache.contains(key))
            mCache[key].append(aFile);
    }
    return result;
}

int MtpCachedConnection::GetFile(quint32 aObjectId, const QString& aLocalPath)
{
    return checked(mDevice->GetFile(aObjectId, aLocalPath));
}

int MtpCachedConnection::DeleteObject(quint32 aObjectId, quint32 aFolderId, quint32 aStorageId)
{
    const int result = checked(mDevice->DeleteObject(aObjectId));
    if (result == 0) {
        const auto entries = mCache.find(MangleFolderId(aFolderId, aStorageId));
        if (entries != mCache.end()) {
            const qsizetype removed = entries->removeIf(
                [aObjectId](const MtpObject& aFile) { return aFile.mId == aObjectId; });
            logValue("Items removed from multihash: ", int(removed));
        }
    }
    return result;
}

int MtpCachedConnection::RenameObject(quint32 aObjectId, const QString& aNewName,
                                      quint32 aFolderId, quint32 aStorageId)
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

void MtpCachedConnection::ForgetFolder(quint32 aFolderId, quint32 aStorageId)
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
