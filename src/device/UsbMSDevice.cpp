#include "device/UsbMSDevice.h"

#include "app/DebugLog.h"
#include "device/MetadataFileWriter.h"
#include "device/MountedChecker.h"
#include "device/PhoneHintFile.h"
#include "device/PhoneNames.h"
#include "device/PhonePath.h"
#include "device/PlaylistWriter.h"
#include "tracks/PlaylistEntry.h"
#include "tracks/Track.h"
#include "tracks/TrackList.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStringBuilder>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

const QString kCorvo = QStringLiteral("/CORVO/");
const QString kPlaylistFolder = QStringLiteral("/Playlists_CDZ");
// The id is a short ASCII string; the rest of a longer file is not read.
constexpr qint64 kMaxIdFileSize = 256;
// Only the start of a playlist goes to the log.

// The bytes of the volume at aRootPath that aBlocks counts (all blocks, or those available to
// the user). When the volume cannot be asked, logs it and leaves aBytes as it was.
void queryVolumeBytes(const QString& aRootPath, fsblkcnt_t statvfs::*aBlocks, quint64& aBytes)
{
    struct statvfs stat {};
    if (::statvfs(QFile::encodeName(aRootPath).constData(), &stat) == 0)
        aBytes = quint64(stat.*aBlocks) * stat.f_frsize;
    else
        logMessage("Free space query failed");
}

// The id up to the first blank or control character: an id file that gained a line end or
// padding keeps naming the same phone.
QString idFromFileContent(const QByteArray& aContent)
{
    QByteArray id = aContent;
    for (qsizetype i = 0; i < id.size(); ++i) {
        const uchar c = uchar(id.at(i));
        if (c <= 0x20 || c == 0x7f) {
            id.truncate(i);
            break;
        }
    }
    return QString::fromLatin1(id);
}

// Logs the result's code as the operation's answer.
PhoneResult returned(const PhoneResult& aResult)
{
    logReturn(aResult.code());
    return aResult;
}

PhoneResult folderNotCreated(int aError)
{
    return aError != 0 ? PhoneResult::failed(PhoneResult::kFolderNotCreated, aError)
                       : PhoneResult::failed(PhoneResult::kFolderNotCreated,
                                             QStringLiteral("a folder on the phone could not be created"));
}

} // namespace

UsbMSDevice::UsbMSDevice(const QString& aRootPath, const QString& aFriendlyName, bool aMounted)
    : mFriendlyName(aFriendlyName), mUniqueDeviceId(QString::fromLatin1(kTempDeviceId)),
      mRootPath(aRootPath),
      mCopier(
          mFiles, [this](const QString& aPath, int aFlags) { return openCopyTarget(aPath, aFlags); },
          [this](int aTarget, const char* aData, qint64 aSize) {
              return writeCopyChunk(aTarget, aData, aSize);
          })
{
    LogScope scope("UsbMSDevice::UsbMSDevice");
    if (!mRootPath.endsWith(QLatin1Char('/')))
        mRootPath += QLatin1Char('/');
    mFiles.setRootPath(mRootPath);
    logValue("mRootPath", mRootPath);
    if (aMounted) {
        ReadOrGenerateUniqueDeviceId();
        mIdRead = true;
        ReadDeviceInfo();
    }
}

UsbMSDevice::~UsbMSDevice()
{
    FinalizeSync();
}

QString UsbMSDevice::LocalPath(const QString& aPhonePath) const
{
    return PhonePath::localPath(QStringView(mRootPath).chopped(1), aPhonePath);
}

void UsbMSDevice::ReadOrGenerateUniqueDeviceId()
{
    LogScope scope("UsbMSDevice::ReadOrGenerateUniqueDeviceId");
    const QString id =
        idFromFileContent(mFiles.readFile(kCorvo + QStringLiteral("uniqueid"), kMaxIdFileSize));
    mUniqueDeviceId = id.isEmpty() ? QString::fromLatin1(kTempDeviceId) : id;
    logValue("mUniqueDeviceId", mUniqueDeviceId);
}

void UsbMSDevice::ReadDeviceInfo()
{
    LogScope scope("UsbMSDevice::ReadDeviceInfo");
    const QString path = kCorvo + QStringLiteral("android.xml");
    bool ok = false;
    // A file too large to be a description is not read into memory; one byte more than the
    // limit makes ParseAndroidInfo treat it as such.
    const QByteArray content = mFiles.readFile(path, kMaxAndroidInfoSize + 1, &ok);
    if (!ok) {
        logValue("Could not open device info", path);
        return;
    }
    ParseAndroidInfo(content);
}

void UsbMSDevice::SetCheckedIdentity(const QString& aUniqueDeviceId, int aAndroidVersion,
                                     int aScreenPixels)
{
    const bool temporary = aUniqueDeviceId.isEmpty()
                           || aUniqueDeviceId == QLatin1String(kTempDeviceId);
    if (!temporary || mUniqueDeviceId == QLatin1String(kTempDeviceId))
        mUniqueDeviceId = temporary ? QString::fromLatin1(kTempDeviceId) : aUniqueDeviceId;
    mAndroidVersion = aAndroidVersion;
    mScreenPixels = aScreenPixels;
    mIdRead = true;
    mIdentityChecked = true;
}

bool UsbMSDevice::IsMounted()
{
    LogScope scope("UsbMSDevice::IsMounted");
    const bool mounted = MountedChecker::QueryMounted(mRootPath);
    if (mounted && !mIdRead) {
        ReadOrGenerateUniqueDeviceId();
        mIdRead = true;
        ReadDeviceInfo();
    }
    logReturn(mounted);
    return mounted;
}

bool UsbMSDevice::StillConnected()
{
    // An unplugged phone leaves its mount point behind as an empty folder of the computer's
    // own disk, another device; a folder put in the place of the phone's is another folder;
    // a phone folder deleted mid-run is gone altogether. Asked before every track, so the
    // id file is only looked for here (its content cannot change while the root stays).
    struct stat root {};
    struct stat id {};
    bool connected = mRootDevice != 0 && mFiles.status(QString(), root)
                     && root.st_dev == mRootDevice && root.st_ino == mRootInode;
    if (connected && mUniqueDeviceId != QLatin1String(kTempDeviceId))
        connected = ::fstatat(AT_FDCWD,
                              QFile::encodeName(mRootPath + QStringLiteral("CORVO/uniqueid")).constData(),
                              &id, AT_SYMLINK_NOFOLLOW)
                        == 0
                    && S_ISREG(id.st_mode);
    if (!connected)
        logValue("The phone is no longer at", mRootPath);
    return connected;
}

QString UsbMSDevice::FriendlyName()
{
    logValue("mFriendlyName", mFriendlyName);
    return mFriendlyName;
}

int UsbMSDevice::GetStorageCapacity(quint64& aCapacity)
{
    LogScope scope("UsbMSDevice::GetStorageCapacity");
    queryVolumeBytes(mRootPath, &statvfs::f_blocks, aCapacity);
    logReturn(0);
    return 0;
}

int UsbMSDevice::GetFreeStorageSpace(quint64& aFreeSpace)
{
    LogScope scope("UsbMSDevice::GetFreeStorageSpace");
    queryVolumeBytes(mRootPath, &statvfs::f_bavail, aFreeSpace);
    logReturn(0);
    return 0;
}

int UsbMSDevice::openCopyTarget(const QString& aPath, int aFlags)
{
    return mFiles.openFile(aPath, aFlags);
}

qint64 UsbMSDevice::writeCopyChunk(int aTarget, const char* aData, qint64 aSize)
{
    return PhoneFileCopier::writeAll(aTarget, aData, aSize);
}

bool UsbMSDevice::ensureFolder(const QString& aFolder)
{
    if (mKnownFolders.contains(aFolder))
        return true;
    const QString folder = mFiles.relativePath(aFolder);
    // Once per folder and run: hidden partial copies a crash left here are cleared.
    if (folder.isNull()) {
        errno = EINVAL;
        return false;
    }
    if (mFiles.isFolder(folder)) {
        const QStringList names = mFiles.entries(folder);
        for (const QString& name : names) {
            if (!name.startsWith(QLatin1String(PhoneFileCopier::kPartialPrefix)))
                continue;
            logValue("Removing partial copy of an earlier run", aFolder + QLatin1Char('/') + name);
            mFiles.removeFile(folder + QLatin1Char('/') + name);
        }
    } else if (!mFiles.makeFolders(folder)) {
        return false;
    }
    mKnownFolders.insert(aFolder);
    return true;
}

PhoneResult UsbMSDevice::CopyFile(const QString& aSourceFilePath,
                                  const QString& aDestinationPath, bool aReplace)
{
    LogScope scope("UsbMSDevice::CopyFile");
    logValue("aSourceFilePath", aSourceFilePath);
    logValue("aDestinationPath", aDestinationPath);
    const QString destination = LocalPath(aDestinationPath);
    if (destination.isEmpty() || destination.size() < mRootPath.size()) {
        logMessage("Destination leaves the phone root; refused");
        return returned(PhoneResult::failed(PhoneResult::kCopyFailed));
    }
    const QString relative = mFiles.relativePath(destination);
    if (!mFiles.makeFolders(relative.left(std::max<qsizetype>(0, relative.lastIndexOf(u'/'))))) {
        const int error = errno;
        logMessage("Error making remote path");
        return returned(folderNotCreated(error));
    }
    // With replace the old file goes only when the new one is complete: a failed copy keeps it.
    PhoneResult result;
    if ((aReplace || !mFiles.exists(relative))
        && !mCopier.copyIntoPlace(aSourceFilePath, destination, aReplace))
        result = PhoneResult::failed(PhoneResult::kCopyFailed, mCopier.error());
    return returned(result);
}

bool UsbMSDevice::SetModificationTime(const QString& aPath, const QDateTime& aTime)
{
    const QString relative = mFiles.relativePath(LocalPath(aPath));
    if (relative.isEmpty() || !aTime.isValid())
        return false;
    const int fd = mFiles.openFile(relative, O_RDONLY);
    if (fd < 0)
        return false;
    const qint64 ms = aTime.toMSecsSinceEpoch();
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT; // the access time stays
    times[1].tv_sec = time_t(ms / 1000);
    times[1].tv_nsec = long(ms % 1000) * 1000000;
    const bool ok = ::futimens(fd, times) == 0;
    ::close(fd);
    if (!ok)
        logValue("Could not set the time of", aPath);
    return ok;
}

void UsbMSDevice::PrepareForSync()
{
    LogScope scope("UsbMSDevice::PrepareForSync");
    mCreatedPlaylists.clear();
    // Folders are checked again each run: the user may have deleted some in between.
    mKnownFolders.clear();
    mFiles.forgetOpenFolder();
    struct stat root {};
    mRootDevice = mFiles.status(QString(), root) ? root.st_dev : 0;
    mRootInode = mRootDevice != 0 ? root.st_ino : 0;
    logValue("mRootDevice", qint64(mRootDevice));
    if (mMetadataFile)
        return;
    mFiles.makeFolders(kCorvo);
    int n = 0;
    while (mFiles.exists(kCorvo + QStringLiteral("metadata%1.xml").arg(n)))
        ++n;
    auto file = std::make_unique<QFile>();
    const QString name = kCorvo + QStringLiteral("metadata%1.xml").arg(n);
    logValue("metadataFile", LocalPath(name));
    if (!mFiles.openFile(*file, name, QIODevice::ReadWrite | QIODevice::Truncate)) {
        logMessage("Could not create metadata file");
        return;
    }
    mMetadataFile = std::move(file);
    mMetadataWriter = std::make_unique<MetadataFileWriter>(mMetadataFile.get());
}

void UsbMSDevice::FinalizeSync()
{
    LogScope scope("UsbMSDevice::FinalizeSync");
    if (mMetadataWriter) {
        mMetadataWriter->finish();
        mMetadataFile->close();
        mMetadataWriter.reset();
        mMetadataFile.reset();
    }
}

void UsbMSDevice::writeMetadataTrack(const Track& aTrack)
{
    if (mMetadataWriter)
        mMetadataWriter->writeTrack(aTrack);
}

PhoneResult UsbMSDevice::UploadTrack(Track& aTrack)
{
    LogScope scope("UsbMSDevice::UploadTrack");
    QString artist;
    QString album;
    PhoneNames::GetArtistAndAlbumFolders(aTrack, artist, album);
    // The last part of the path, whichever separator it has.
    const QStringView path(aTrack.path());
    QString fileName =
        path.sliced(std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\')) + 1).toString();

    QString remoteDirectory;
    remoteDirectory.reserve(8 + artist.size() + album.size());
    remoteDirectory += QLatin1StringView("/Music");
    for (const QString* part : {&artist, &album}) {
        if (!part->isEmpty()) {
            remoteDirectory += u'/';
            remoteDirectory += *part;
        }
    }
    logValue("remoteDirectoryPath", remoteDirectory);

    if (aTrack.needsConversion()) {
        logMessage("Changing ext to mp3");
        fileName = Track::convertedFileName(fileName);
    }
    // A control character would split a playlist line; the name must also fit the phone's
    // file system.
    fileName = PhoneNames::FitName(PhoneNames::WithoutControlCharacters(fileName));
    if (fileName.isEmpty() || fileName == QLatin1String(".") || fileName == QLatin1String("..")) {
        logValue("Track has no usable file name", aTrack.path());
        return returned(PhoneResult::failed(PhoneResult::kCopyFailed));
    }
    const QString deviceId = remoteDirectory % QLatin1Char('/') % fileName;
    logValue("persistentId", deviceId);

    PhoneResult result;
    const QString localDirectory = LocalPath(remoteDirectory);
    // The file name is one plain part, so this is LocalPath(deviceId) without a second pass.
    const QString remoteFile = localDirectory.isEmpty()
                                   ? QString()
                                   : QString(localDirectory % QLatin1Char('/') % fileName);
    const bool folderMade = ensureFolder(localDirectory);
    if (!folderMade) {
        result = folderNotCreated(errno);
        logMessage("Error making remote path");
    }
    const auto sourceMissing = [&aTrack]() {
        if (QFileInfo::exists(aTrack.path()))
            return false;
        logMessage("Source file doesn't exist");
        logValue("a_track.path()", aTrack.path());
        return true;
    };
    const QString source = aTrack.uploadSourcePath();
    qint64 sizeOnDevice = -1;
    // The copy is tried first: creating the file exclusively also tells whether one is there,
    // which spares a look-up per track. A converted track whose original is gone is not copied
    // (its conversion output may be from another track).
    bool copied = false;
    bool exists = false;
    bool tried = false;
    if (folderMade && !(aTrack.needsConversion() && !QFileInfo::exists(aTrack.path()))) {
        logMessage("Copying track");
        logValue("Converted path", source);
        tried = true;
        copied = mCopier.copyIntoPlace(source, remoteFile, false, &sizeOnDevice, &exists);
        logValue("result", copied ? "true" : "false");
    } else {
        exists = QFileInfo::exists(remoteFile);
    }
    if (exists) {
        logMessage("Destination file already exists");
        logValue("remoteFilePath", remoteFile);
        sizeOnDevice = QFileInfo(remoteFile).size();
        // A copy cut short (a crash, a pulled cable) is shorter than its source and is copied
        // again. Anything else there is taken as the track: the user may have copied the music
        // before, or the cache may be new.
        if (sizeOnDevice < QFileInfo(source).size()) {
            logMessage("Destination is shorter than the track; copying it again");
            tried = true;
            copied = mCopier.copyIntoPlace(source, remoteFile, true, &sizeOnDevice);
        } else {
            copied = true;
        }
    }
    if (!copied) {
        // A track whose file is gone is not a failed copy: nothing was there to copy.
        if (!tried || (!exists && sourceMissing()))
            return returned(result);
        const int error = mCopier.error();
        // The folder may have gone with the failure (a phone unplugged and plugged again).
        mKnownFolders.remove(localDirectory);
        mFiles.forgetOpenFolder();
        return returned(PhoneResult::failed(PhoneResult::kCopyFailed, error));
    }
    aTrack.setDeviceId(deviceId);
    aTrack.setOnRemoteDevice(true);
    aTrack.setSizeOnDevice(sizeOnDevice);
    writeMetadataTrack(aTrack);
    return returned(result);
}

PhoneResult UsbMSDevice::DeleteTrack(Track& aTrack)
{
    LogScope scope("UsbMSDevice::DeleteTrack");
    const QString id = aTrack.deviceId();
    // An id without a leading separator names a file in "CORVO".
    const QString phonePath = id.startsWith(u'/') || id.startsWith(u'\\') ? id : kCorvo + id;
    const QString fileToDelete = LocalPath(phonePath);
    logValue("fileToDelete", fileToDelete);
    if (id.isEmpty() || fileToDelete.isEmpty()) {
        logValue("Device id does not name a file inside the phone root; refused", id);
        return returned(PhoneResult::failed(PhoneResult::kDeleteFailed));
    }
    const QString relative = mFiles.relativePath(fileToDelete);
    struct stat info {};
    const bool present = mFiles.status(relative, info);
    const int lookupError = present ? 0 : errno;
    bool removed = false;
    int error = 0;
    if (!present && lookupError != ENOENT) {
        // A link where a folder should be: the track cannot be reached, so it stays recorded.
        error = lookupError;
        logValue("Track file cannot be reached without passing a link; refused", id);
    } else if (present && S_ISDIR(info.st_mode)) {
        logMessage("Device id names a folder; refused");
    } else if (present) {
        // A read-only track is made writable first, as a file manager would; only a plain
        // file, never what a link points to.
        if (S_ISREG(info.st_mode) && !(info.st_mode & S_IWUSR)) {
            const int fd = mFiles.openFile(relative, O_RDONLY);
            if (fd >= 0) {
                ::fchmod(fd, (info.st_mode & 07777) | S_IWUSR);
                ::close(fd);
            }
        }
        removed = mFiles.removeFile(relative);
        if (!removed)
            error = errno;
        logValue("reallyDeleted", removed ? "true" : "false");
        // Give a slow medium a moment between removals.
        if (mDeletedBefore)
            QThread::msleep(100);
        mDeletedBefore = true;
    } else {
        logMessage("File doesn't exist");
        removed = true;
    }
    if (!removed)
        return returned(PhoneResult::failed(PhoneResult::kDeleteFailed, error));
    aTrack.setOnRemoteDevice(false);
    return returned(PhoneResult::ok());
}

PhoneResult UsbMSDevice::SetConfigured()
{
    LogScope scope("UsbMSDevice::SetConfigured");
    const QString idPath = kCorvo + QStringLiteral("uniqueid");
    // A file without a usable id is replaced too, or the phone could never be set up.
    if (mFiles.exists(idPath)) {
        ReadOrGenerateUniqueDeviceId();
        if (mUniqueDeviceId != QLatin1String(kTempDeviceId))
            return PhoneResult::ok();
        logMessage("UID file holds no id - replacing it");
    } else {
        logMessage("UID file doesn't exist - creating one");
    }
    mUniqueDeviceId = PhoneNames::GenerateUniqueDeviceId(QDateTime::currentDateTime());
    mIdRead = true;
    const bool folderMade = mFiles.makeFolders(kCorvo);
    // The folder's failure is the reason (a read-only phone), not the missing folder after it.
    const int folderError = folderMade ? 0 : errno;
    logValue("mkpath result", folderMade ? "true" : "false");
    QFile file;
    const QByteArray id = mUniqueDeviceId.toLatin1();
    if (!mFiles.openFile(file, idPath, QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(id) != id.size() || !file.flush()) {
        const int error = folderError ? folderError : (errno ? errno : EIO);
        logMessage("Could not write UID file");
        // An id that is not on the phone names nothing: the phone is not set up.
        mUniqueDeviceId = QString::fromLatin1(kTempDeviceId);
        return PhoneResult::failed(PhoneResult::kCopyFailed, error);
    }
    return PhoneResult::ok();
}

bool UsbMSDevice::IsConfigured(const SettingsSnapshot& aSettings)
{
    if (!mIdentityChecked)
        ReadOrGenerateUniqueDeviceId();
    return Device::IsConfigured(aSettings);
}

PhoneResult UsbMSDevice::createPlaylist(const PlaylistEntry& aPlaylist,
                                        const TrackList& aTrackList, bool aForce)
{
    LogScope scope("UsbMSDevice::createPlaylist");
    logValue("playlistName", aPlaylist.mName);
    const QString baseName = PhoneNames::PlaylistFileName(aPlaylist.mName);
    if (baseName.isEmpty()) {
        logValue("Playlist name cannot be a file name", aPlaylist.mName);
        return returned(PhoneResult::failed(PhoneResult::kCopyFailed));
    }
    const QString fileName = baseName + QStringLiteral(".m3u");
    mCreatedPlaylists.insert(fileName);
    if (!mFiles.makeFolders(kPlaylistFolder)) {
        const int error = errno;
        logMessage("Error making playlist remote path");
        return returned(folderNotCreated(error));
    }
    // Also clears hidden partial playlists that an interrupted run left.
    const QString folder = LocalPath(kPlaylistFolder);
    ensureFolder(folder);
    const QString phonePath = kPlaylistFolder + QLatin1Char('/') + fileName;
    const QString path = folder + QLatin1Char('/') + fileName;

    // Only a plain file is compared: a link there is never read through.
    if (!aForce && mFiles.isFile(phonePath)
        && PlaylistWriter::matchesFile(path, aPlaylist, aTrackList))
        return returned(PhoneResult::ok());
    logMessage("Identical playlist does not already exist");
    // A link (or folder) where the playlist belongs is not ours to replace.
    if (mFiles.exists(phonePath) && !mFiles.isFile(phonePath)) {
        logValue("Playlist is not a plain file; left alone", phonePath);
        return returned(PhoneResult::failed(PhoneResult::kCopyFailed, ELOOP));
    }
    const QByteArray content = PlaylistWriter::content(aPlaylist, aTrackList);
    // The hint tells the companion app that the file changed: only when it did.
    if (!mCopier.writeIntoPlace(path, content)) {
        logMessage("Error opening playlist file");
        return returned(PhoneResult::failed(PhoneResult::kCopyFailed, mCopier.error()));
    }
    logValue("playlist content", QString::fromUtf8(content));
    PhoneHintFile(mFiles, QStringLiteral("playlisthint")).append(fileName.toUtf8() + '\n');
    return returned(PhoneResult::ok());
}

QStringList UsbMSDevice::PlaylistFiles()
{
    QStringList playlistFiles;
    for (const QString& name : mFiles.entries(kPlaylistFolder)) {
        // Plain files only: a link named like a playlist is left as it is. A partial copy is
        // not a playlist.
        if (name.endsWith(QLatin1String(".m3u"), Qt::CaseInsensitive)
            && !name.startsWith(QLatin1String(PhoneFileCopier::kPartialPrefix))
            && mFiles.isFile(kPlaylistFolder + QLatin1Char('/') + name))
            playlistFiles.append(name);
    }
    std::sort(playlistFiles.begin(), playlistFiles.end());
    return playlistFiles;
}

void UsbMSDevice::removeOldPlaylists()
{
    LogScope scope("UsbMSDevice::removeOldPlaylists");
    const QStringList playlistFiles = PlaylistFiles();

    PhoneHintFile hint(mFiles, QStringLiteral("playlisthint"));
    QSet<QString> hinted = hint.lines();
    for (const QString& name : playlistFiles) {
        logValue("*playlistFilesIterator", name);
        if (!mCreatedPlaylists.contains(name)) {
            logMessage("Playlist has not been created this time, so create an empty playlist.");
            if (!mCopier.writeIntoPlace(LocalPath(kPlaylistFolder) + QLatin1Char('/') + name,
                                QByteArrayLiteral("#EXTM3U\r\n")))
                logMessage("Could not open playlist");
        }
        if (!hinted.contains(name)) {
            hint.append(name.toUtf8() + '\n');
            hinted.insert(name);
        }
    }
}

void UsbMSDevice::uploadAlbumArt(const Track& aTrack, const QString& aLocalImagePath)
{
    LogScope scope("UsbMSDevice::uploadAlbumArt");
    QString artist;
    QString album;
    PhoneNames::GetArtistAndAlbumFolders(aTrack, artist, album);
    QString albumFolder = QStringLiteral("/Music");
    if (!artist.isEmpty())
        albumFolder += QLatin1Char('/') + artist;
    if (!album.isEmpty())
        albumFolder += QLatin1Char('/') + album;
    const QString localFolder = LocalPath(albumFolder);
    mFiles.makeFolders(albumFolder);
    const QString target = localFolder + QStringLiteral("/AlbumArt.jpg");
    // An existing picture is kept and counts as present.
    const bool present = mFiles.isFile(albumFolder + QStringLiteral("/AlbumArt.jpg"))
                         || mCopier.copyIntoPlace(aLocalImagePath, target);
    logValue("albumArtPresent", present ? "true" : "false");
    if (present)
        PhoneHintFile(mFiles, QStringLiteral("refreshhint")).append(
                         PhonePath::stored(PhonePath::fromDeviceId(aTrack.deviceId())).toUtf8() + "\r\n");
}

void UsbMSDevice::setPcSoftwareVersion(const QString& aVersion)
{
    LogScope scope("UsbMSDevice::setPcSoftwareVersion");
    mFiles.makeFolders(kCorvo);
    QFile file;
    if (mFiles.openFile(file, kCorvo + QStringLiteral("pcversion.txt"), QIODevice::ReadWrite)) {
        file.seek(0);
        file.write(aVersion.toLatin1());
    } else {
        logMessage("Could not open pcversion.txt");
    }
}
