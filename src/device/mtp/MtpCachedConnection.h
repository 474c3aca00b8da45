#pragma once

#include "device/mtp/MtpBackend.h"

#include <QHash>
#include <QList>
#include <QString>

#include <memory>
#include <utility>

class MtpConnection;

// An opened phone with a cache of its folder listings: each folder is asked of the phone once
// per session; sends, new folders and deletions keep the cache up to date. The ids in it are
// only good for the session that issued them, so reopening the phone drops them all; so does
// any failed call, since the phone may have done part of what failed; a listing that may be
// incomplete is never kept. Changes others make on the phone meanwhile are not seen.
class MtpCachedConnection
{
public:
    // Takes ownership of aDevice.
    explicit MtpCachedConnection(MtpConnection* aDevice);
    ~MtpCachedConnection();

    MtpCachedConnection(const MtpCachedConnection&) = delete;
    MtpCachedConnection& operator=(const MtpCachedConnection&) = delete;

    // The cache key of a folder: its id, or for the root of a storage one above all ids.
    static quint64 MangleFolderId(quint32 aFolderId, quint32 aStorageId);

    // 0, MtpBackend::kIncompleteListing (aFiles holds what could be read) or a failure.
    int GetFilesAndFolders(quint32 aStorageId, quint32 aFolderId, QList<MtpObject>& aFiles);
    // The new folder's id, 0 on failure.
    quint32 CreateFolder(quint32 aFolderId, quint32 aStorageId, const QString& aName);
    int SendFile(const QString& aLocalPath, MtpObject& aFile,
                 const MtpBackend::Progress& aProgress = {});
    int GetFile(quint32 aObjectId, const QString& aLocalPath);
    // Deletes an object that lies in aFolderId; answers the phone's result.
    int DeleteObject(quint32 aObjectId, quint32 aFolderId, quint32 aStorageId);
    // Renames an object of the folder aFolderId, keeping the folder's cached listing true.
    int RenameObject(quint32 aObjectId, const QString& aNewName, quint32 aFolderId,
                     quint32 aStorageId);
    // Drops the cached listing of one folder: the next look-up asks the phone.
    void ForgetFolder(quint32 aFolderId, quint32 aStorageId);
    // Drops every cached listing.
    void ForgetAll();
    MtpBackend::OpenResult Reopen(int aAttempts = 3, int aRetryDelayMs = 1000);
    // A call has failed since the last TakeFailure: the phone may have gone.
    bool TakeFailure() { return std::exchange(mFailed, false); }
    MtpConnection* GetDevice() const { return mDevice.get(); }

private:
    // Keeps the cache only while the phone answered aResult 0.
    int checked(int aResult);

    std::unique_ptr<MtpConnection> mDevice;
    // Folder key to its listing, in the phone's order. A folder listed once is here even when
    // it is empty, so an empty album folder is not asked for again with every track.
    QHash<quint64, QList<MtpObject>> mCache;
    bool mFailed = false;
};
