#pragma once

#include "device/mtp/MtpBackend.h"
#include "mtp/FakeMtpSession.h"

#include <QByteArray>
#include <QHash>
#include <QMap>
#include <QMutex>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

// An in-memory MTP phone store behind the same interface as libmtp, with Android's habits,
// unkind ones included: object handles belong to the session that issued them and are
// numbered afresh from 1 each time a phone is opened (a stale handle is refused or names
// another object); a locked phone answers -1 without storages; listing a missing object or a
// file fails; names are compared without case (a name that exists under any case is refused);
// a cancelled send leaves nothing; a phone opened twice is busy. Calls that overlap on one
// phone are counted and fail, as libmtp's unguarded transaction ids would. Faults are injected
// per operation or per name; every operation is counted. Test helpers (putFile, hasPath and
// so on) work on paths and never need a session.
class FakeMtpBackend : public MtpBackend
{
public:
    // Operation names for calls() and failNext().
    static constexpr const char* kList = "listRawDevices";
    static constexpr const char* kOpen = "openDevice";
    static constexpr const char* kStorages = "listStorages";
    static constexpr const char* kListFolder = "listFolder";
    static constexpr const char* kCreateFolder = "createFolder";
    static constexpr const char* kSend = "sendFile";
    static constexpr const char* kGet = "getFile";
    static constexpr const char* kDelete = "deleteObject";
    static constexpr const char* kRename = "renameObject";

    // A phone; answers its index. Its location is "1:<index + 1>".
    int addPhone(const QString& aVendor, const QString& aProduct, const QString& aSerial,
                 const QString& aFriendlyName);
    // A mass-storage device in the listing (which the layer leaves out).
    void addMassStorageDevice(const QString& aVendor, const QString& aProduct);
    quint32 addStorage(int aPhone, const QString& aDescription, quint64 aCapacity, quint64 aFreeSpace);
    void removePhone(int aPhone);
    void setBusy(int aPhone, bool aBusy);
    // A locked phone (or one in "charging only") opens without storages.
    void setLocked(int aPhone, bool aLocked);
    void setFreeSpace(quint32 aStorageId, quint64 aBytes);
    quint64 freeSpace(quint32 aStorageId);

    // A file by its "/" separated path from the storage root; folders are made on the way.
    QString putFile(quint32 aStorageId, const QString& aPath, const QByteArray& aData);
    void removePath(quint32 aStorageId, const QString& aPath);
    bool hasPath(quint32 aStorageId, const QString& aPath);
    QByteArray fileData(quint32 aStorageId, const QString& aPath);
    // Every file of a storage by its path.
    QMap<QString, QByteArray> files(quint32 aStorageId);
    // Names in one folder (files and folders), in the phone's order.
    QStringList namesIn(quint32 aStorageId, const QString& aFolderPath);
    // Mirrors the files of a storage into a real folder: a file is written again only when
    // its object on the phone is new since the last export, so modification times tell
    // which objects a run replaced. Files that left the phone leave the folder.
    void exportTo(quint32 aStorageId, const QString& aFolder);

    // The next aCount calls of an operation fail (0: none from now).
    void failNext(const QString& aOperation, int aCount = 1);
    // Sends of objects with this name fail.
    void failSendsOf(const QString& aName, bool aFail = true);
    // The next aCount sends report failure although the phone keeps the object.
    void failSendsButKeep(int aCount);
    // Sends fail once this many bytes have been sent in total (-1: no limit).
    void setSendLimit(qint64 aBytes);
    // Runs in listRawDevices before it answers, without the store's lock held (a test blocks
    // the enumeration there).
    void setListHook(std::function<void()> aHook);
    // Runs in the middle of every send, while the call is in progress on its phone.
    void setSendHook(std::function<void()> aHook);
    // The next aCount listings that hold an object named aName leave it out without a word,
    // as libmtp does when the metadata of one object cannot be read (0: none from now).
    void dropFromListing(const QString& aName, int aCount = 1);
    // Calls that came while another call on the same phone was in progress.
    int overlappingCalls();
    // How often the phone has been opened.
    int sessions(int aPhone);

    int calls(const QString& aOperation);
    int totalCalls();
    void resetCalls();
    // Folders listed since the last reset ("<session>:<storage>/<folder id>"), with their
    // counts.
    QHash<QString, int> folderListings();

    int listRawDevices(QList<MtpRawDevice>& aDevices) override;
    Handle openDevice(const MtpRawDevice& aDevice, OpenResult& aResult) override;
    void closeDevice(Handle aDevice) override;
    QString serialNumber(Handle aDevice) override;
    QString friendlyName(Handle aDevice) override;
    int listStorages(Handle aDevice, QList<MtpStorageInfo>& aStorages) override;
    int listFolder(Handle aDevice, quint32 aStorageId, quint32 aFolderId,
                   QList<MtpObject>& aFiles) override;
    int createFolder(Handle aDevice, quint32 aParentId, quint32 aStorageId,
                     const QString& aName, quint32& aNewId) override;
    int sendFile(Handle aDevice, const QString& aLocalPath, MtpObject& aFile,
                 const Progress& aProgress) override;
    int getFile(Handle aDevice, quint32 aObjectId, const QString& aLocalPath) override;
    int deleteObject(Handle aDevice, quint32 aObjectId) override;
    int renameObject(Handle aDevice, quint32 aObjectId, const QString& aNewName) override;

private:
    struct Storage
    {
        quint32 mId = 0;
        int mPhone = 0;
        QString mDescription;
        quint64 mCapacity = 0;
        quint64 mFreeSpace = 0;
    };
    struct Phone
    {
        MtpRawDevice mRaw;
        QString mSerial;
        QString mFriendlyName;
        bool mBusy = false;
        bool mLocked = false;
        bool mAttached = true;
        // The open session: its handle, and the object handles it has issued.
        Handle mOpenHandle = 0;
        int mSessions = 0;
        FakeMtpSession mSession;
        int mInCall = 0;
    };
    // Marks a call in progress on a phone for its lifetime; a second one is an overlap.
    class CallScope
    {
    public:
        CallScope(FakeMtpBackend& aBackend, Handle aDevice);
        ~CallScope();
        bool overlapped() const { return mOverlapped; }
    private:
        FakeMtpBackend& mBackend;
        int mPhone = -1;
        bool mOverlapped = false;
    };
    struct Object
    {
        QString mId;
        QString mParentId;
        quint32 mStorageId = 0;
        QString mName;
        bool mFolder = false;
        QByteArray mData;
    };

    // With mMutex held.
    bool countAndFail(const char* aOperation);
    static QString folderKey(quint32 aStorageId, const QString& aFolderId)
    {
        return QString::number(aStorageId) + QLatin1Char('/') + aFolderId;
    }
    QString childId(quint32 aStorageId, const QString& aParentId, const QString& aName) const;
    QString resolve(quint32 aStorageId, const QString& aPath) const;
    QString pathOf(const Object& aObject) const;
    QString newObject(quint32 aStorageId, const QString& aParentId, const QString& aName,
                      bool aFolder, const QByteArray& aData);
    void removeObject(const QString& aId);
    bool handleValid(Handle aDevice) const;
    quint32 handleOf(int aPhone, quint32 aObject) { return mPhones[aPhone].mSession.handleOf(aObject); }
    // The object a session's id names: the root, or an object the session has been told of;
    // false when the id names nothing in this session.
    bool objectOf(int aPhone, quint32 aId, quint32& aObject, bool& aRoot) const;
    int phoneOf(Handle aDevice) const { return mOpen.value(aDevice, -1); }
    bool sameName(const QString& aOne, const QString& aOther) const
    {
        return QString::compare(aOne, aOther, Qt::CaseInsensitive) == 0;
    }

    QMutex mMutex;
    QList<Phone> mPhones;
    QList<MtpRawDevice> mMassStorage;
    QList<Storage> mStorages;
    // Ordered by id, which is the order of creation: the phone lists in that order.
    QMap<quint32, Object> mObjects;
    // Children of each folder ("<storage>/<folder id>"), in order of creation.
    QHash<QString, QList<quint32>> mChildren;
    quint32 mNextObject = 100;
    QHash<Handle, int> mOpen;
    Handle mNextHandle = 1;
    QHash<QString, int> mCalls;
    QHash<QString, int> mFailNext;
    QHash<QString, int> mFolderListings;
    QSet<QString> mFailingNames;
    int mSendsFailingButKept = 0;
    qint64 mSendLimit = -1;
    qint64 mSent = 0;
    std::function<void()> mListHook;
    std::function<void()> mSendHook;
    QHash<QString, int> mDropped;
    int mOverlaps = 0;
    // Per export folder: the object id behind each file written there.
    QHash<QString, QMap<QString, QString>> mExported;
};
