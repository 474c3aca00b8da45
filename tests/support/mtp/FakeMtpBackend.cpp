#include "mtp/FakeMtpBackend.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace {

// The root's key among the store's own object ids.
const QString kRoot = QString::number(MtpBackend::kRootFolderId);
constexpr qint64 kProgressChunk = 64 * 1024;

} // namespace

int FakeMtpBackend::addPhone(const QString& aVendor, const QString& aProduct, const QString& aSerial,
                             const QString& aFriendlyName)
{
    QMutexLocker locker(&mMutex);
    Phone phone;
    phone.mRaw.mVendor = aVendor;
    phone.mRaw.mProduct = aProduct;
    phone.mRaw.mId = QStringLiteral("1:%1").arg(mPhones.size() + 1);
    phone.mSerial = aSerial;
    phone.mFriendlyName = aFriendlyName;
    mPhones.append(phone);
    return int(mPhones.size() - 1);
}

void FakeMtpBackend::addMassStorageDevice(const QString& aVendor, const QString& aProduct)
{
    QMutexLocker locker(&mMutex);
    MtpRawDevice device;
    device.mVendor = aVendor;
    device.mProduct = aProduct;
    device.mId = QStringLiteral("2:%1").arg(mMassStorage.size() + 1);
    device.mMassStorage = true;
    mMassStorage.append(device);
}

quint32 FakeMtpBackend::addStorage(int aPhone, const QString& aDescription, quint64 aCapacity,
                                   quint64 aFreeSpace)
{
    QMutexLocker locker(&mMutex);
    Storage storage;
    storage.mPhone = aPhone;
    storage.mId = 0x10001u + quint32(aPhone) * 0x10000u + quint32(mStorages.size());
    storage.mDescription = aDescription;
    storage.mCapacity = aCapacity;
    storage.mFreeSpace = aFreeSpace;
    mStorages.append(storage);
    return storage.mId;
}

void FakeMtpBackend::removePhone(int aPhone)
{
    QMutexLocker locker(&mMutex);
    mPhones[aPhone].mAttached = false;
}

void FakeMtpBackend::setBusy(int aPhone, bool aBusy)
{
    QMutexLocker locker(&mMutex);
    mPhones[aPhone].mBusy = aBusy;
}

void FakeMtpBackend::setLocked(int aPhone, bool aLocked)
{
    QMutexLocker locker(&mMutex);
    mPhones[aPhone].mLocked = aLocked;
}

void FakeMtpBackend::setFreeSpace(quint32 aStorageId, quint64 aBytes)
{
    QMutexLocker locker(&mMutex);
    for (Storage& storage : mStorages) {
        if (storage.mId == aStorageId)
            storage.mFreeSpace = aBytes;
    }
}

quint64 FakeMtpBackend::freeSpace(quint32 aStorageId)
{
    QMutexLocker locker(&mMutex);
    for (const Storage& storage : std::as_const(mStorages)) {
        if (storage.mId == aStorageId)
            return storage.mFreeSpace;
    }
    return 0;
}

QString FakeMtpBackend::childId(quint32 aStorageId, const QString& aParentId,
                                const QString& aName) const
{
    // The phone's storage compares names without case, as FAT, exFAT and Android's shared
    // storage do.
    for (const quint32 id : mChildren.value(folderKey(aStorageId, aParentId))) {
        const Object& object = *mObjects.constFind(id);
        if (sameName(object.mName, aName))
            return object.mId;
    }
    return QString();
}

QString FakeMtpBackend::resolve(quint32 aStorageId, const QString& aPath) const
{
    QString current = kRoot;
    for (const QString& part : aPath.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        current = childId(aStorageId, current, part);
        if (current.isEmpty())
            return QString();
    }
    return current;
}

QString FakeMtpBackend::pathOf(const Object& aObject) const
{
    QString path = aObject.mName;
    QString parent = aObject.mParentId;
    while (parent != kRoot) {
        const Object& folder = *mObjects.constFind(parent.toUInt());
        path = folder.mName + QLatin1Char('/') + path;
        parent = folder.mParentId;
    }
    return path;
}

QString FakeMtpBackend::newObject(quint32 aStorageId, const QString& aParentId,
                                  const QString& aName, bool aFolder, const QByteArray& aData)
{
    Object object;
    object.mId = QString::number(mNextObject++);
    object.mParentId = aParentId;
    object.mStorageId = aStorageId;
    object.mName = aName;
    object.mFolder = aFolder;
    object.mData = aData;
    mObjects.insert(object.mId.toUInt(), object);
    mChildren[folderKey(aStorageId, aParentId)].append(object.mId.toUInt());
    for (Storage& storage : mStorages) {
        if (storage.mId == aStorageId)
            storage.mFreeSpace -= std::min<quint64>(storage.mFreeSpace, quint64(aData.size()));
    }
    return object.mId;
}

void FakeMtpBackend::removeObject(const QString& aId)
{
    const Object object = mObjects.take(aId.toUInt());
    for (Storage& storage : mStorages) {
        if (storage.mId == object.mStorageId)
            storage.mFreeSpace += quint64(object.mData.size());
    }
    mChildren[folderKey(object.mStorageId, object.mParentId)].removeOne(aId.toUInt());
    for (const quint32 child : mChildren.take(folderKey(object.mStorageId, aId)))
        removeObject(QString::number(child));
}

QString FakeMtpBackend::putFile(quint32 aStorageId, const QString& aPath, const QByteArray& aData)
{
    QMutexLocker locker(&mMutex);
    QStringList parts = aPath.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    const QString name = parts.takeLast();
    QString parent = kRoot;
    for (const QString& part : parts) {
        QString next = childId(aStorageId, parent, part);
        if (next.isEmpty())
            next = newObject(aStorageId, parent, part, true, {});
        parent = next;
    }
    const QString existing = childId(aStorageId, parent, name);
    if (!existing.isEmpty())
        removeObject(existing);
    return newObject(aStorageId, parent, name, false, aData);
}

void FakeMtpBackend::removePath(quint32 aStorageId, const QString& aPath)
{
    QMutexLocker locker(&mMutex);
    const QString id = resolve(aStorageId, aPath);
    if (!id.isEmpty())
        removeObject(id);
}

bool FakeMtpBackend::hasPath(quint32 aStorageId, const QString& aPath)
{
    QMutexLocker locker(&mMutex);
    return !resolve(aStorageId, aPath).isEmpty();
}

QByteArray FakeMtpBackend::fileData(quint32 aStorageId, const QString& aPath)
{
    QMutexLocker locker(&mMutex);
    const QString id = resolve(aStorageId, aPath);
    return id.isEmpty() ? QByteArray() : mObjects.value(id.toUInt()).mData;
}

QMap<QString, QByteArray> FakeMtpBackend::files(quint32 aStorageId)
{
    QMutexLocker locker(&mMutex);
    QMap<QString, QByteArray> result;
    for (const Object& object : std::as_const(mObjects)) {
        if (object.mStorageId != aStorageId || object.mFolder)
            continue;
        const QString path = pathOf(object);
        // Two objects under one name would be a fault of the layer: show both.
        result.insert(result.contains(path) ? path + QStringLiteral(" (second object)") : path,
                      object.mData);
    }
    return result;
}

QStringList FakeMtpBackend::namesIn(quint32 aStorageId, const QString& aFolderPath)
{
    QMutexLocker locker(&mMutex);
    const QString folder = resolve(aStorageId, aFolderPath);
    QStringList names;
    if (folder.isEmpty())
        return names;
    for (const quint32 id : mChildren.value(folderKey(aStorageId, folder)))
        names.append(mObjects.constFind(id)->mName);
    return names;
}

void FakeMtpBackend::exportTo(quint32 aStorageId, const QString& aFolder)
{
    QMap<QString, const Object*> now;
    QMutexLocker locker(&mMutex);
    for (const Object& object : std::as_const(mObjects)) {
        if (object.mStorageId == aStorageId && !object.mFolder)
            now.insert(pathOf(object), &object);
    }
    QMap<QString, QString>& exported = mExported[aFolder];
    const QDir root(aFolder);
    QDirIterator it(aFolder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!now.contains(root.relativeFilePath(path)))
            QFile::remove(path);
    }
    QMap<QString, QString> ids;
    for (auto object = now.cbegin(); object != now.cend(); ++object) {
        const QString path = root.filePath(object.key());
        ids.insert(object.key(), object.value()->mId);
        if (exported.value(object.key()) == object.value()->mId && QFileInfo::exists(path))
            continue;
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(object.value()->mData);
    }
    exported = ids;
}

void FakeMtpBackend::failNext(const QString& aOperation, int aCount)
{
    QMutexLocker locker(&mMutex);
    mFailNext[aOperation] = aCount;
}

void FakeMtpBackend::failSendsOf(const QString& aName, bool aFail)
{
    QMutexLocker locker(&mMutex);
    if (aFail)
        mFailingNames.insert(aName);
    else
        mFailingNames.remove(aName);
}

void FakeMtpBackend::failSendsButKeep(int aCount)
{
    QMutexLocker locker(&mMutex);
    mSendsFailingButKept = aCount;
}

void FakeMtpBackend::setSendLimit(qint64 aBytes)
{
    QMutexLocker locker(&mMutex);
    mSendLimit = aBytes;
    mSent = 0;
}

void FakeMtpBackend::setListHook(std::function<void()> aHook)
{
    QMutexLocker locker(&mMutex);
    mListHook = std::move(aHook);
}

int FakeMtpBackend::calls(const QString& aOperation)
{
    QMutexLocker locker(&mMutex);
    return mCalls.value(aOperation);
}

int FakeMtpBackend::totalCalls()
{
    QMutexLocker locker(&mMutex);
    int total = 0;
    for (const int count : std::as_const(mCalls))
        total += count;
    return total;
}

void FakeMtpBackend::resetCalls()
{
    QMutexLocker locker(&mMutex);
    mCalls.clear();
    mFolderListings.clear();
}

QHash<QString, int> FakeMtpBackend::folderListings()
{
    QMutexLocker locker(&mMutex);
    return mFolderListings;
}

bool FakeMtpBackend::countAndFail(const char* aOperation)
{
    const QString operation = QString::fromLatin1(aOperation);
    ++mCalls[operation];
    int& failures = mFailNext[operation];
    if (failures > 0) {
        --failures;
        return true;
    }
    return false;
}

bool FakeMtpBackend::handleValid(Handle aDevice) const
{
    const auto open = mOpen.constFind(aDevice);
    return open != mOpen.cend() && mPhones.at(open.value()).mAttached
           && mPhones.at(open.value()).mOpenHandle == aDevice;
}

bool FakeMtpBackend::objectOf(int aPhone, quint32 aId, quint32& aObject, bool& aRoot) const
{
    aRoot = aId == MtpBackend::kRootFolderId;
    if (aRoot)
        return true;
    return mPhones.at(aPhone).mSession.objectOf(aId, aObject) && mObjects.contains(aObject);
}

FakeMtpBackend::CallScope::CallScope(FakeMtpBackend& aBackend, Handle aDevice) : mBackend(aBackend)
{
    QMutexLocker locker(&mBackend.mMutex);
    mPhone = mBackend.phoneOf(aDevice);
    if (mPhone < 0)
        return;
    if (mBackend.mPhones[mPhone].mInCall++ > 0) {
        mOverlapped = true;
        ++mBackend.mOverlaps;
    }
}

FakeMtpBackend::CallScope::~CallScope()
{
    QMutexLocker locker(&mBackend.mMutex);
    if (mPhone >= 0)
        --mBackend.mPhones[mPhone].mInCall;
}

void FakeMtpBackend::setSendHook(std::function<void()> aHook)
{
    QMutexLocker locker(&mMutex);
    mSendHook = std::move(aHook);
}

void FakeMtpBackend::dropFromListing(const QString& aName, int aCount)
{
    QMutexLocker locker(&mMutex);
    mDropped[aName] = aCount;
}

int FakeMtpBackend::overlappingCalls()
{
    QMutexLocker locker(&mMutex);
    return mOverlaps;
}

int FakeMtpBackend::sessions(int aPhone)
{
    QMutexLocker locker(&mMutex);
    return mPhones.at(aPhone).mSessions;
}

int FakeMtpBackend::listRawDevices(QList<MtpRawDevice>& aDevices)
{
    std::function<void()> hook;
    {
        QMutexLocker locker(&mMutex);
        hook = mListHook;
    }
    if (hook)
        hook();
    QMutexLocker locker(&mMutex);
    aDevices.clear();
    if (countAndFail(kList))
        return -1;
    for (const Phone& phone : std::as_const(mPhones)) {
        if (phone.mAttached)
            aDevices.append(phone.mRaw);
    }
    aDevices.append(mMassStorage);
    return 0;
}

MtpBackend::Handle FakeMtpBackend::openDevice(const MtpRawDevice& aDevice, OpenResult& aResult)
{
    QMutexLocker locker(&mMutex);
    aResult = OpenResult::Failed;
    if (countAndFail(kOpen))
        return 0;
    for (qsizetype i = 0; i < mPhones.size(); ++i) {
        Phone& phone = mPhones[i];
        if (phone.mRaw.mId != aDevice.mId || !phone.mAttached)
            continue;
        // An interface claimed by a session still open is busy, for this process too.
        if (phone.mBusy || phone.mOpenHandle != 0) {
            aResult = OpenResult::Busy;
            return 0;
        }
        const Handle handle = mNextHandle++;
        mOpen.insert(handle, int(i));
        // A new session: the phone numbers its objects afresh.
        phone.mOpenHandle = handle;
        ++phone.mSessions;
        phone.mSession.restart();
        aResult = OpenResult::Opened;
        return handle;
    }
    return 0;
}

void FakeMtpBackend::closeDevice(Handle aDevice)
{
    QMutexLocker locker(&mMutex);
    const int phone = mOpen.contains(aDevice) ? mOpen.take(aDevice) : -1;
    if (phone >= 0 && mPhones.at(phone).mOpenHandle == aDevice) {
        mPhones[phone].mOpenHandle = 0;
        mPhones[phone].mSession.restart();
    }
}

QString FakeMtpBackend::serialNumber(Handle aDevice)
{
    QMutexLocker locker(&mMutex);
    return handleValid(aDevice) ? mPhones.at(mOpen.value(aDevice)).mSerial : QString();
}

QString FakeMtpBackend::friendlyName(Handle aDevice)
{
    QMutexLocker locker(&mMutex);
    return handleValid(aDevice) ? mPhones.at(mOpen.value(aDevice)).mFriendlyName : QString();
}

int FakeMtpBackend::listStorages(Handle aDevice, QList<MtpStorageInfo>& aStorages)
{
    const CallScope call(*this, aDevice);
    QMutexLocker locker(&mMutex);
    aStorages.clear();
    if (countAndFail(kStorages) || call.overlapped() || !handleValid(aDevice))
        return -1;
    const int phone = mOpen.value(aDevice);
    // A locked phone announces no storage; libmtp then answers -1 with nothing on its error
    // stack.
    if (mPhones.at(phone).mLocked)
        return -1;
    for (const Storage& storage : std::as_const(mStorages)) {
        if (storage.mPhone == phone)
            aStorages.append({storage.mId, storage.mCapacity, storage.mFreeSpace, storage.mDescription});
    }
    return aStorages.isEmpty() ? -1 : 0;
}

int FakeMtpBackend::listFolder(Handle aDevice, quint32 aStorageId, quint32 aFolderId,
                               QList<MtpObject>& aFiles)
{
    const CallScope call(*this, aDevice);
    QMutexLocker locker(&mMutex);
    aFiles.clear();
    // By session: a handle names one folder only within the session that issued it.
    const int asked = phoneOf(aDevice);
    ++mFolderListings[QString::number(asked >= 0 ? mPhones.at(asked).mSessions : 0) + QLatin1Char(':')
                      + QString::number(aStorageId) + QLatin1Char('/') + QString::number(aFolderId)];
    if (countAndFail(kListFolder) || call.overlapped() || !handleValid(aDevice))
        return -1;
    const int phone = mOpen.value(aDevice);
    quint32 folder = 0;
    bool root = false;
    // A handle of another session, or of a file, is refused (Invalid parent object).
    if (!objectOf(phone, aFolderId, folder, root))
        return -1;
    if (!root && (!mObjects.value(folder).mFolder || mObjects.value(folder).mStorageId != aStorageId))
        return -1;
    const QString key = folderKey(aStorageId, root ? kRoot : QString::number(folder));
    for (const quint32 id : mChildren.value(key)) {
        const Object& object = *mObjects.constFind(id);
        int& drop = mDropped[object.mName];
        if (drop > 0) {
            --drop;
            continue;
        }
        MtpObject file;
        file.mId = handleOf(phone, id);
        file.mParentId = aFolderId;
        file.mStorageId = aStorageId;
        file.mName = object.mName;
        file.mSize = quint64(object.mData.size());
        file.mType = object.mFolder ? MtpObject::kFolder
                     : object.mName.endsWith(QLatin1String(".m3u"), Qt::CaseInsensitive)
                         ? MtpObject::kPlaylist
                         : MtpObject::kOther;
        aFiles.append(file);
    }
    return 0;
}

int FakeMtpBackend::createFolder(Handle aDevice, quint32 aParentId, quint32 aStorageId,
                                 const QString& aName, quint32& aNewId)
{
    const CallScope call(*this, aDevice);
    QMutexLocker locker(&mMutex);
    aNewId = 0;
    if (countAndFail(kCreateFolder) || call.overlapped() || !handleValid(aDevice))
        return -1;
    const int phone = mOpen.value(aDevice);
    quint32 parent = 0;
    bool root = false;
    if (!objectOf(phone, aParentId, parent, root) || (!root && !mObjects.value(parent).mFolder))
        return -1;
    const QString parentKey = root ? kRoot : QString::number(parent);
    if (!childId(aStorageId, parentKey, aName).isEmpty())
        return -1;
    aNewId = handleOf(phone, newObject(aStorageId, parentKey, aName, true, {}).toUInt());
    return 0;
}

int FakeMtpBackend::sendFile(Handle aDevice, const QString& aLocalPath, MtpObject& aFile,
                             const Progress& aProgress)
{
    const CallScope call(*this, aDevice);
    QFile local(aLocalPath);
    if (!local.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray data = local.readAll();
    QString parentKey;
    std::function<void()> hook;
    {
        QMutexLocker locker(&mMutex);
        if (countAndFail(kSend) || call.overlapped() || !handleValid(aDevice)
            || mFailingNames.contains(aFile.mName))
            return -1;
        quint32 parent = 0;
        bool root = false;
        if (!objectOf(mOpen.value(aDevice), aFile.mParentId, parent, root)
            || (!root && !mObjects.value(parent).mFolder))
            return -1;
        parentKey = root ? kRoot : QString::number(parent);
        // The phone refuses a name that exists in the folder, under any case.
        if (!childId(aFile.mStorageId, parentKey, aFile.mName).isEmpty())
            return -1;
        for (const Storage& storage : std::as_const(mStorages)) {
            if (storage.mId == aFile.mStorageId && storage.mFreeSpace < quint64(data.size()))
                return -1;
        }
        if (mSendLimit >= 0 && mSent + data.size() > mSendLimit)
            return -1;
        hook = mSendHook;
    }
    if (hook)
        hook();
    // The transfer reports its progress outside the lock, as a real one takes time.
    for (qint64 sent = 0; aProgress;) {
        sent = std::min<qint64>(sent + kProgressChunk, data.size());
        if (!aProgress(quint64(sent), quint64(data.size())))
            return -1;
        if (sent >= data.size())
            break;
    }
    QMutexLocker locker(&mMutex);
    if (!handleValid(aDevice))
        return -1;
    mSent += data.size();
    const QString id = newObject(aFile.mStorageId, parentKey, aFile.mName, false, data);
    const quint32 handle = handleOf(mOpen.value(aDevice), id.toUInt());
    if (mSendsFailingButKept > 0) {
        --mSendsFailingButKept;
        return -1;
    }
    aFile.mId = handle;
    return 0;
}

int FakeMtpBackend::getFile(Handle aDevice, quint32 aObjectId, const QString& aLocalPath)
{
    const CallScope call(*this, aDevice);
    QByteArray data;
    {
        QMutexLocker locker(&mMutex);
        if (countAndFail(kGet) || call.overlapped() || !handleValid(aDevice))
            return -1;
        quint32 object = 0;
        bool root = false;
        if (!objectOf(mOpen.value(aDevice), aObjectId, object, root) || root
            || mObjects.value(object).mFolder)
            return -1;
        data = mObjects.value(object).mData;
    }
    QFile local(aLocalPath);
    if (!local.open(QIODevice::WriteOnly | QIODevice::Truncate) || local.write(data) != data.size())
        return -1;
    return 0;
}

int FakeMtpBackend::renameObject(Handle aDevice, quint32 aObjectId, const QString& aNewName)
{
    const CallScope call(*this, aDevice);
    QMutexLocker locker(&mMutex);
    if (countAndFail(kRename) || call.overlapped() || !handleValid(aDevice))
        return -1;
    quint32 id = 0;
    bool root = false;
    if (!objectOf(mOpen.value(aDevice), aObjectId, id, root) || root)
        return -1;
    Object& object = mObjects[id];
    // As for a new object, the phone refuses a name that exists in the folder (under any case).
    const QString taken = childId(object.mStorageId, object.mParentId, aNewName);
    if (!taken.isEmpty() && taken != object.mId)
        return -1;
    object.mName = aNewName;
    return 0;
}

int FakeMtpBackend::deleteObject(Handle aDevice, quint32 aObjectId)
{
    const CallScope call(*this, aDevice);
    QMutexLocker locker(&mMutex);
    if (countAndFail(kDelete) || call.overlapped() || !handleValid(aDevice))
        return -1;
    quint32 object = 0;
    bool root = false;
    if (!objectOf(mOpen.value(aDevice), aObjectId, object, root) || root)
        return -1;
    removeObject(QString::number(object));
    return 0;
}
