#include "device/mtp/MtpPhone.h"

#include "app/AppPaths.h"
#include "app/DebugLog.h"
#include "device/PhoneNames.h"
#include "device/PhonePath.h"
#include "device/PlaylistWriter.h"
#include "device/mtp/MtpPhoneParent.h"
#include "device/mtp/MtpFile.h"
#include "device/mtp/MtpCachedConnection.h"
#include "device/mtp/MtpConnection.h"
#include "device/mtp/MtpStorage.h"
#include "tracks/PlaylistEntry.h"
#include "tracks/Track.h"
#include "tracks/TrackList.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QStringBuilder>
#include <QThread>
#include <QCoreApplication>

#include <cerrno>
#include <cstdio>

namespace {

const QString kCorvo = QStringLiteral("/CORVO/");
const QString kPlaylistFolder = QStringLiteral("Playlists_CDZ");
constexpr quint32 kRoot = MtpBackend::kRootFolderId;

QString fileNameOf(const QString& aPath)
{
    return aPath.mid(std::max(aPath.lastIndexOf(QLatin1Char('/')), aPath.lastIndexOf(QLatin1Char('\\'))) + 1);
}

// Logs the result's code as the operation's answer.
PhoneResult returned(const PhoneResult& aResult)
{
    logReturn(aResult.code());
    return aResult;
}

} // namespace

MtpPhone::MtpPhone(MtpPhoneParent* aParent, MtpStorage* aStorage)
    : mParent(aParent), mStorage(aStorage), mUniqueDeviceId(QString::fromLatin1(kTempDeviceId))
{
    LogScope scope("DeviceMtpMac::DeviceMtpMac");
    const MtpRawDevice& raw = CachedDevice()->GetDevice()->RawDevice();
    if (!raw.mFriendlyName.isEmpty()) {
        mFriendlyName = raw.mFriendlyName + QLatin1Char(' ');
    } else {
        std::printf("Device: (NULL) or empty\n");
        if (!raw.mProduct.isEmpty())
            mFriendlyName += raw.mProduct + QLatin1Char(' ');
        if (!raw.mVendor.isEmpty())
            mFriendlyName += raw.mVendor + QLatin1Char(' ');
    }
    mFriendlyName += mStorage->Description();
    logValue("mFriendlyName", mFriendlyName);
    CacheAndroidVersion();
    ReadOrGenerateUniqueDeviceId();
}

MtpPhone::~MtpPhone() = default;

MtpCachedConnection* MtpPhone::CachedDevice() const
{
    return mParent->MtpDevice();
}

quint32 MtpPhone::StorageId() const
{
    return mStorage->Id();
}

void MtpPhone::SetReopenPolicy(int aAttempts, int aDelayMs)
{
    mReopenAttempts = aAttempts;
    mReopenDelayMs = aDelayMs;
}

bool MtpPhone::OnWindowThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app && app->inherits("QGuiApplication") && QThread::currentThread() == app->thread();
}

bool MtpPhone::OwnedByAnotherRun() const
{
    QThread* run = mRunThread.load();
    return run && run != QThread::currentThread();
}

void MtpPhone::reopen()
{
    CachedDevice()->Reopen(mReopenAttempts, mReopenDelayMs);
}

MtpBackend::Progress MtpPhone::TransferProgress(const QString& aName)
{
    return [this, aName](quint64 aSent, quint64 aTotal) {
        if (mTransferObserver)
            mTransferObserver(aName, aSent, aTotal);
        return !CancelRequested();
    };
}

void MtpPhone::CacheAndroidVersion()
{
    LogScope scope("DeviceMtpMac::CacheAndroidVersion");
    const QString path = kCorvo + QStringLiteral("android.xml");
    MtpFile file(*this, path);
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray content = file.readAll();
        file.close();
        ParseAndroidInfo(content);
        return;
    }
    logMessage("Could not open android file");
    if (file.exists(path)) {
        logMessage("However, the file does exist, so continue");
        mAndroidVersion = 10;
        mScreenPixels = 400000;
    } else {
        mAndroidVersion = -1;
    }
}

void MtpPhone::ReadOrGenerateUniqueDeviceId()
{
    LogScope scope("DeviceMtpMac::ReadOrGenerateUniqueDeviceId");
    logMessage("Looking for file");
    const QString path = kCorvo + QStringLiteral("uniqueid");
    MtpFile file(*this, path);
    mUniqueDeviceId = QString::fromLatin1(kTempDeviceId);
    if (!file.exists(path)) {
        logMessage("Can't find ID file, use temporary value");
        return;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        logMessage("Error getting ID file - assigning temp value");
        return;
    }
    // The id up to the first blank: a file that gained a line end keeps naming the same phone.
    const QString id = QString::fromLatin1(file.readAll().left(256)).simplified().section(QLatin1Char(' '), 0, 0);
    file.close();
    if (!id.isEmpty())
        mUniqueDeviceId = id;
    logValue("Got ID file, mUniqueDeviceId", mUniqueDeviceId);
}

int MtpPhone::GetOrCreateFromNameAndParent(quint32 aParentId, const QString& aName,
                                           quint32& aObjectId, bool aAnyType, bool aCreate)
{
    return Lookup(aParentId, aName, aObjectId, aAnyType, aCreate, nullptr, nullptr);
}

int MtpPhone::Lookup(quint32 aParentId, const QString& aName, quint32& aObjectId,
                         bool aAnyType, bool aCreate, QString* aPhoneName, bool* aAbsent)
{
    logValue("aParentId", qint64(aParentId));
    logValue("aName", aName);
    if (aAbsent)
        *aAbsent = false;
    const QString nameToFind = aName.normalized(QString::NormalizationForm_C);
    logValue("nameToFind", nameToFind);
    // The phone's shared storage and its cards compare names without case: "ABBA" is the
    // folder "Abba" that is there already, and creating it beside that one would fail.
    const auto find = [&](const QList<MtpObject>& aFiles) -> const MtpObject* {
        const MtpObject* caseless = nullptr;
        for (const MtpObject& file : aFiles) {
            if (!aAnyType && file.mType == MtpObject::kFolder)
                continue;
            if (file.mName == nameToFind || file.mName == aName)
                return &file;
            if (!caseless && file.mName.normalized(QString::NormalizationForm_C)
                                     .compare(nameToFind, Qt::CaseInsensitive) == 0)
                caseless = &file;
        }
        return caseless;
    };
    const auto found = [&](const MtpObject& aFile) {
        aObjectId = aFile.mId;
        if (aPhoneName)
            *aPhoneName = aFile.mName;
        logValue("Match found, aFolderId", qint64(aObjectId));
        return 0;
    };
    QList<MtpObject> files;
    const int listed = CachedDevice()->GetFilesAndFolders(StorageId(), aParentId, files);
    if (!files.isEmpty())
        logValue("Files found", int(files.size()));
    if (const MtpObject* file = find(files))
        return found(*file);
    if (aCreate) {
        logMessage("No match found so try to create the folder");
        const quint32 id = CachedDevice()->CreateFolder(aParentId, StorageId(), aName);
        if (id != 0) {
            aObjectId = id;
            if (aPhoneName)
                *aPhoneName = aName;
            logValue("Folder created with id", qint64(id));
            return 0;
        }
        logMessage("Could not create folder");
        // The phone refuses a name it has: the listing may have left it out. Ask afresh.
        QList<MtpObject> fresh;
        CachedDevice()->ForgetFolder(aParentId, StorageId());
        CachedDevice()->GetFilesAndFolders(StorageId(), aParentId, fresh);
        if (const MtpObject* file = find(fresh))
            return found(*file);
        return kNotFound;
    }
    // Only a complete listing shows that something is not there.
    if (aAbsent)
        *aAbsent = listed == 0;
    return kNotFound;
}

int MtpPhone::GetOrCreateFromPath(const QString& aPath, quint32& aObjectId, quint32& aParentId,
                                      bool aCreate)
{
    return ResolvePath(aPath, aObjectId, aParentId, aCreate, nullptr, nullptr);
}

int MtpPhone::ResolvePath(const QString& aPath, quint32& aObjectId, quint32& aParentId,
                              bool aCreate, QString* aPhonePath, bool* aAbsent)
{
    const QStringList parts = PhonePath::split(aPath);
    quint32 current = kRoot;
    aParentId = kRoot;
    if (aPhonePath)
        aPhonePath->clear();
    if (aAbsent)
        *aAbsent = false;
    for (const QString& part : parts) {
        // A stored path that climbs out of its folder names nothing on the phone.
        if (part == QLatin1String("..") || part == QLatin1String("."))
            return kNotFound;
        aParentId = current;
        quint32 next = 0;
        QString phoneName;
        const int result = Lookup(current, part, next, true, aCreate, &phoneName, aAbsent);
        if (result != 0)
            return result;
        current = next;
        if (aPhonePath)
            *aPhonePath += QLatin1Char('/') + phoneName;
    }
    aObjectId = current;
    return 0;
}

int MtpPhone::FindOrCreateDirectories(const QString& aArtist, const QString& aAlbum,
                                      quint32& aFolderId)
{
    quint32 parent = 0;
    return GetOrCreateFromPath(QStringLiteral("/Music/") % aArtist % QLatin1Char('/') % aAlbum,
                               aFolderId, parent, true);
}

QString MtpPhone::AlbumFolderPath(const Track& aTrack)
{
    QString artist;
    QString album;
    PhoneNames::GetArtistAndAlbumFolders(aTrack, artist, album);
    PhoneNames::MakeValidFileName(artist, true);
    PhoneNames::MakeValidFileName(album, true);
    QString folder = QStringLiteral("/Music");
    for (const QString* part : {&artist, &album}) {
        if (!part->isEmpty())
            folder += QLatin1Char('/') + *part;
    }
    return folder;
}

QString MtpPhone::TrackFileName(const Track& aTrack)
{
    // Named as on a mass-storage phone, so that both kinds hold a library under the same paths.
    QString fileName = fileNameOf(aTrack.path());
    if (aTrack.needsConversion()) {
        fileName = Track::convertedFileName(fileName);
    }
    return fileName;
}

int MtpPhone::GetIdFromTrack(const Track& aTrack, quint32& aObjectId)
{
    quint32 folderId = 0;
    quint32 parent = 0;
    if (GetOrCreateFromPath(AlbumFolderPath(aTrack), folderId, parent, true) != 0)
        return kNotFound;
    return GetOrCreateFromNameAndParent(folderId, TrackFileName(aTrack), aObjectId, false, false);
}

PhoneResult MtpPhone::UploadTrack(Track& aTrack)
{
    LogScope scope("DeviceMtpMac::UploadTrack");
    const QString fileName = TrackFileName(aTrack);
    if (fileName.isEmpty() || fileName == QLatin1String(".") || fileName == QLatin1String("..")) {
        logValue("Track has no usable file name", aTrack.path());
        return returned(PhoneResult::failed(PhoneResult::kSendFailed));
    }
    // The folders as the phone spells them: a folder there under another case is the same
    // folder, and the track's id and playlists name it as the phone does.
    quint32 folderId = 0;
    quint32 folderParent = 0;
    QString folderPath;
    if (ResolvePath(AlbumFolderPath(aTrack), folderId, folderParent, true, &folderPath, nullptr) != 0) {
        logMessage("*** Could not find or create the album folder");
        return returned(PhoneResult::failed(PhoneResult::kSendFailed));
    }
    const QString remotePath = folderPath % QLatin1Char('/') % fileName;
    logValue("remotePath", remotePath);
    const QString source = aTrack.uploadSourcePath();
    MtpFile file(*this);
    if (!file.copy(source, remotePath, 5, MtpObject::kOther)) {
        logMessage("*** Failed to copy track.");
        return returned(PhoneResult::failed(PhoneResult::kSendFailed));
    }
    aTrack.setOnRemoteDevice(true);
    aTrack.setSizeOnDevice(QFileInfo(source).size());
    aTrack.setDeviceId(remotePath);
    mStorage->UseFreeSpace(quint64(aTrack.sizeOnDevice()));
    return returned(PhoneResult::ok());
}

PhoneResult MtpPhone::DeleteTrack(Track& aTrack)
{
    LogScope scope("DeviceMtpMac::DeleteTrack");
    const QString path = PhonePath::fromDeviceId(aTrack.deviceId());
    quint32 id = 0;
    quint32 parent = 0;
    bool absent = false;
    int found = aTrack.deviceId().isEmpty() ? kNotFound : ResolvePath(path, id, parent, false, nullptr, &absent);
    if (found != 0 && !aTrack.deviceId().isEmpty()) {
        // A cached listing proves nothing, and one listing may have skipped the track: it
        // counts as gone only when the phone, asked afresh, again does not show it.
        CachedDevice()->ForgetAll();
        found = ResolvePath(path, id, parent, false, nullptr, &absent);
    }
    PhoneResult result;
    if (found != 0) {
        logValue("Error getting ID of track to delete, err", found);
        if (!absent && !aTrack.deviceId().isEmpty()) {
            // Not known to be gone: it stays recorded as on the phone, for the next run.
            logMessage("*** The phone could not say whether the track is still there");
            result = PhoneResult::failed(PhoneResult::kDeleteFailed);
        }
    } else {
        logValue("About to do LIBMTP_Delete_Object", qint64(id));
        const int deleted = CachedDevice()->DeleteObject(id, parent, StorageId());
        if (deleted != 0) {
            logValue("*** Error deleteing track: trackId", qint64(id));
            result = PhoneResult::failed(PhoneResult::kDeleteFailed);
        } else
            logMessage("Track deleted");
    }
    if (result.isOk()) {
        aTrack.setOnRemoteDevice(false);
        mStorage->AddFreeSpace(quint64(std::max<qint64>(0, aTrack.sizeOnDevice())));
    }
    return returned(result);
}

PhoneResult MtpPhone::CopyFile(const QString& aSourceFilePath,
                               const QString& aDestinationPath, bool aReplace)
{
    LogScope scope("DeviceMtpMac::CopyFile");
    logValue("aSourceFilePath", aSourceFilePath);
    logValue("aDestinationFilePath", aDestinationPath);
    MtpFile file(*this);
    const bool exists = file.exists(aDestinationPath);
    PhoneResult result;
    if (!exists || aReplace) {
        if (aReplace)
            logMessage("Replace file if it exists");
        // A replaced file is sent under a temporary name and renamed when whole.
        const bool sent = aReplace
                              ? file.replace(aSourceFilePath, aDestinationPath, 5, MtpObject::kOther)
                              : file.copy(aSourceFilePath, aDestinationPath, 5, MtpObject::kOther);
        if (!sent)
            result = PhoneResult::failed(PhoneResult::kCopyFailed);
    }
    logMessage(result.isOk() ? "Copied okay" : "Copy error");
    return returned(result);
}

void MtpPhone::PrepareForSync()
{
    LogScope scope("DeviceMtpMac::PrepareForSync");
    mCreatedPlaylists.clear();
    mRunThread.store(QThread::currentThread());
    reopen();
    MtpFile(*this).remove(kCorvo + QStringLiteral("synccomplete"));
    mPrepared = true;
}

void MtpPhone::FinalizeSync()
{
    LogScope scope("DeviceMtpMac::FinalizeSync");
    if (!mPrepared)
        return;
    mPrepared = false;
    MtpFile file(*this, kCorvo + QStringLiteral("synccomplete"));
    if (!file.open(QIODevice::WriteOnly) || !file.write("sync-complete") || !file.close())
        logMessage("Could not open / create the sync-complete-file");
    mRunThread.store(nullptr);
}

bool MtpPhone::StillConnected()
{
    if (!CachedDevice()->TakeFailure())
        return true;
    LogScope scope("DeviceMtpMac::StillConnected");
    const bool there = mStorage->Refresh();
    logReturn(there);
    return there;
}

int MtpPhone::GetStorageCapacity(quint64& aCapacity)
{
    LogScope scope("DeviceMtpMac::GetStorageCapacity");
    aCapacity = mStorage->Capacity();
    logValue("aCapacity", qint64(aCapacity));
    logReturn(0);
    return 0;
}

int MtpPhone::GetFreeStorageSpace(quint64& aFreeSpace)
{
    LogScope scope("DeviceMtpMac::GetFreeStorageSpace");
    // The storage is asked again; the open session serves, reopening costs seconds on a phone.
    // During a run only the run talks to the phone: others get what the run last saw (it
    // counts what it sends and deletes). Nor does anyone wait for a phone another thread is
    // talking to: the window must never hang on a stalling phone.
    if (OwnedByAnotherRun())
        logMessage("A run has the phone: its last value");
    else if (OnWindowThread())
        logMessage("Not asked on the window's thread: the last value");
    else if (!mStorage->Refresh(false))
        logMessage("Free space query failed or phone busy");
    aFreeSpace = mStorage->FreeSpace();
    logReturn(0);
    return 0;
}

PhoneResult MtpPhone::SetConfigured()
{
    LogScope scope("DeviceMtpMac::SetConfigured");
    if (!CachedDevice()->GetDevice()->IsOpen())
        reopen();
    const QString idPath = kCorvo + QStringLiteral("uniqueid");
    MtpFile file(*this, idPath);
    if (file.exists(idPath)) {
        ReadOrGenerateUniqueDeviceId();
        if (mUniqueDeviceId != QLatin1String(kTempDeviceId))
            return PhoneResult::ok();
        logMessage("UID file holds no id - replacing it");
    } else {
        logMessage("UID file doesn't exist - creating one");
    }
    mUniqueDeviceId = PhoneNames::GenerateUniqueDeviceId(QDateTime::currentDateTime());
    logValue("mkpath result", file.mkpath(kCorvo) ? "true" : "false");
    if (!file.open(QIODevice::WriteOnly) || !file.write(mUniqueDeviceId.toLatin1()) || !file.close()) {
        logMessage("Could not write UID file");
        // An id that is not on the phone names nothing: the phone is not set up.
        mUniqueDeviceId = QString::fromLatin1(kTempDeviceId);
        return PhoneResult::failed(PhoneResult::kSendFailed);
    }
    return PhoneResult::ok();
}

PhoneResult MtpPhone::createPlaylist(const PlaylistEntry& aPlaylist,
                                     const TrackList& aTrackList, bool aForce)
{
    LogScope scope("DeviceMtpMac::createPlaylist");
    logValue("playlistName", aPlaylist.mName);
    const QString baseName = PhoneNames::PlaylistFileName(aPlaylist.mName);
    if (baseName.isEmpty()) {
        logValue("Playlist name cannot be a file name", aPlaylist.mName);
        return returned(PhoneResult::failed(PhoneResult::kSendFailed));
    }
    const QString localPath = AppPaths::corvoFolder() + QStringLiteral("/tempplaylist.m3u");
    const PhoneResult written = PlaylistWriter::writeFile(aPlaylist, aTrackList, localPath);
    if (!written.isOk()) {
        logMessage("Error creating local copy of playlist");
        return returned(PhoneResult::failed(PhoneResult::kSendFailed, written.reason()));
    }
    quint32 folderId = 0;
    const int folderResult = GetOrCreateFromNameAndParent(kRoot, kPlaylistFolder, folderId, true, true);
    if (folderResult != 0) {
        logValue("Error creating", kPlaylistFolder);
        logValue("Error", folderResult);
    }
    const QString fileName = baseName + QStringLiteral(".m3u");
    mCreatedPlaylists.insert(fileName);
    if (folderResult == 0) {
        logMessage("Checking whether playlist already exists on device");
        logValue("playlistFolderId", qint64(folderId));
        quint32 existingId = 0;
        const int ret = GetOrCreateFromNameAndParent(folderId, fileName, existingId, false, false);
        logValue("ret", ret);
        if (ret == 0) {
            logMessage("We have an existing playlist with the same name");
            const QString fromDevice = AppPaths::corvoFolder() + QStringLiteral("/tempplaylistfromdevice.m3u");
            const int fetched = CachedDevice()->GetFile(existingId, fromDevice);
            if (fetched != 0)
                logValue("Error getting existing playlist file from the device", fetched);
            const bool identical =
                fetched == 0 && PlaylistWriter::matchesFile(fromDevice, aPlaylist, aTrackList);
            QFile::remove(fromDevice);
            if (identical)
                logMessage("The playlist on the device is identical");
            if (identical && !aForce) {
                QFile::remove(localPath);
                return returned(PhoneResult::ok());
            }
        }
    }
    // Sent after all its tracks, as a plain file: the phone's media scanner reads playlist
    // files; it no longer honours playlist objects with references. A failed send keeps the
    // old playlist.
    MtpFile file(*this);
    const bool sent = file.replace(localPath, QLatin1Char('/') + kPlaylistFolder + QLatin1Char('/') + fileName, 5,
                                MtpObject::kPlaylist);
    QFile::remove(localPath);
    if (!sent) {
        logMessage("*** Failed to copy track.");
        return returned(PhoneResult::failed(PhoneResult::kSendFailed));
    }
    return returned(PhoneResult::ok());
}

QStringList MtpPhone::PlaylistFiles()
{
    QStringList names;
    quint32 folderId = 0;
    if (GetOrCreateFromNameAndParent(kRoot, kPlaylistFolder, folderId, true, false) != 0)
        return names;
    QList<MtpObject> files;
    CachedDevice()->GetFilesAndFolders(StorageId(), folderId, files);
    for (const MtpObject& file : std::as_const(files)) {
        if (file.mType == MtpObject::kPlaylist)
            names << file.mName;
    }
    return names;
}

void MtpPhone::removeOldPlaylists()
{
    LogScope scope("DeviceMtpMac::removeOldPlaylists");
    quint32 folderId = 0;
    if (GetOrCreateFromNameAndParent(kRoot, kPlaylistFolder, folderId, true, true) != 0)
        return;
    logValue("Got playlist folder ID", qint64(folderId));
    QList<MtpObject> files;
    CachedDevice()->GetFilesAndFolders(StorageId(), folderId, files);
    for (const MtpObject& file : std::as_const(files)) {
        if (file.mType != MtpObject::kPlaylist || mCreatedPlaylists.contains(file.mName))
            continue;
        logValue("Deleting playlist", file.mName);
        // The folder's own id, so that its cached listing forgets the playlist too.
        CachedDevice()->DeleteObject(file.mId, folderId, StorageId());
    }
}

void MtpPhone::uploadAlbumArt(const Track& aTrack, const QString& aLocalImagePath)
{
    LogScope scope("DeviceMtpMac::uploadAlbumArt");
    quint32 folderId = 0;
    quint32 parent = 0;
    const QString folder = AlbumFolderPath(aTrack);
    if (GetOrCreateFromPath(folder, folderId, parent, true) != 0) {
        logMessage("Could not find or create the album folder");
        return;
    }
    // One picture per album: a picture already there is replaced, not joined by a second.
    MtpFile file(*this);
    const bool sent = file.copy(aLocalImagePath, folder + QStringLiteral("/folder.jpg"), 5,
                                MtpObject::kDocument);
    logValue("albumArtPresent", sent ? "true" : "false");
}
