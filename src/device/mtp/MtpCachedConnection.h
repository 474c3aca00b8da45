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

    // The cache key of a folder: its id, or for the root "storage_root_" + the storage id.
    static QString MangleFolderId(const QString& aFolderId, const QString& aStorageId);

    // 0, MtpBackend::kIncompleteListing (aFiles holds what could be read) or a failure.
    int GetFilesAndFolders(const QString& aStorageId, const QString& aFolderId,
                           QList<MtpObject>& aFiles);
    QString CreateFolder(const QString& aFolderId, const QString& aStorageId, const QString& aName);
    int SendFile(const QString& aLocalPath, MtpObject& aFile,
                 const MtpBackend::Progress& aProgress = {});
    int GetFile(const QString& aObjectId, const QString& aLocalPath);
    // Deletes an object that lies in aFolderId; answers the phone's result.
    int DeleteObject(const QString& aObjectId, const QString& aFolderId, const QString& aStorageId);
    // Drops the cached listing of one folder: the next look-up asks the phone.
    // Renames an object of the folder aFolderId, keeping the folder's cached listing true.
    int RenameObject(const QString& aObjectId, const QString& aNewName, const QString& aFolderId,
                     const QString& aStorageId);
    void ForgetFolder(const QString& aFolderId, const QString& aStorageId);
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
    QHash<QString, QList<MtpObject>> mCache;
    bool mFailed = false;
};
