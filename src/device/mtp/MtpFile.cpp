#include "device/mtp/MtpFile.h"

#include "app/AppPaths.h"
#include "app/DebugLog.h"
#include "device/PhoneNames.h"
#include "device/PhonePath.h"
#include "device/mtp/MtpPhone.h"
#include "device/mtp/MtpCachedConnection.h"
#include "device/mtp/MtpObject.h"

#include <QDir>
#include <QFileInfo>

MtpFile::MtpFile(MtpPhone& aDevice, const QString& aRemotePath)
    : mRemotePath(aRemotePath), mDevice(aDevice)
{
}

MtpFile::~MtpFile()
{
    close();
}

bool MtpFile::exists(const QString& aPath)
{
    logValue("aPath", aPath);
    quint32 id = 0;
    quint32 parent = 0;
    return mDevice.GetOrCreateFromPath(aPath, id, parent, false) == 0;
}

bool MtpFile::remove(const QString& aPath)
{
    quint32 id = 0;
    quint32 parent = 0;
    const int found = mDevice.GetOrCreateFromPath(aPath, id, parent, false);
    if (found != 0) {
        logValue("Error getting ID from path: ", found);
        return false;
    }
    if (mDevice.CachedDevice()->DeleteObject(id, parent, mDevice.StorageId()) != 0) {
        logMessage("Error deleting file");
        return false;
    }
    return true;
}

bool MtpFile::replace(const QString& aSourcePath, const QString& aTargetPath, int aAttempts,
                      int aType)
{
    LogScope scope("MtpFile::replace");
    QStringList parts = PhonePath::split(aTargetPath);
    if (parts.isEmpty()) {
        logReturn(false);
        return false;
    }
    const QString name = parts.takeLast();
    // The prefix of the mass-storage phones' partial copies, so that leftovers look alike.
    const QString temporaryName = PhoneNames::FitName(QStringLiteral(".pellmar-partial-") + name);
    const QString temporary =
        parts.isEmpty() ? temporaryName : parts.join(QLatin1Char('/')) + QLatin1Char('/') + temporaryName;
    // copy() first removes what an interrupted earlier attempt left under the temporary name.
    bool done = copy(aSourcePath, temporary, aAttempts, aType);
    quint32 id = 0;
    quint32 parent = 0;
    if (done && mDevice.GetOrCreateFromPath(temporary, id, parent, false) != 0)
        done = false;
    if (done) {
        // The old file goes only now that the new one is whole.
        remove(aTargetPath);
        if (mDevice.CachedDevice()->RenameObject(id, name, parent, mDevice.StorageId()) != 0) {
            logMessage("The phone refused the rename - sending under the final name");
            remove(temporary);
            done = copy(aSourcePath, aTargetPath, aAttempts, aType);
        }
    } else {
        remove(temporary);
    }
    logReturn(done);
    return done;
}

bool MtpFile::mkpath(const QString& aPath)
{
    quint32 id = 0;
    quint32 parent = 0;
    if (mDevice.GetOrCreateFromPath(aPath, id, parent, true) != 0) {
        logMessage("Error creating directories");
        return false;
    }
    logValue("Directory created: id", qint64(id));
    return true;
}

bool MtpFile::copy(const QString& aSourcePath, const QString& aTargetPath, int aAttempts, int aType)
{
    LogScope scope("MtpFile::copy");
    logValue("aSourcePath", aSourcePath);
    logValue("aTargetPath", aTargetPath);
    // The phone refuses to create an object under a name that exists: the old one goes first.
    logMessage("Remove the file if it's already there");
    remove(aTargetPath);

    QStringList parts = PhonePath::split(aTargetPath);
    if (parts.isEmpty() || !QFileInfo(aSourcePath).isFile()) {
        logReturn(false);
        return false;
    }
    const QString name = parts.takeLast();
    const QString folderPath = QLatin1Char('/') + parts.join(QLatin1Char('/'));
    quint32 folderId = 0;
    quint32 folderParent = 0;
    if (mDevice.GetOrCreateFromPath(folderPath, folderId, folderParent, true) != 0) {
        logReturn(false);
        return false;
    }
    MtpCachedConnection* cached = mDevice.CachedDevice();
    bool sent = false;
    for (int attempt = aAttempts - 1; attempt >= 0 && !sent; --attempt) {
        MtpObject file;
        file.mSize = quint64(QFileInfo(aSourcePath).size());
        file.mName = name;
        file.mType = aType;
        file.mParentId = folderId;
        file.mStorageId = mDevice.StorageId();
        logValue("Track does not exists on device, so sending track, retries", attempt);
        const int result = cached->SendFile(aSourcePath, file, mDevice.TransferProgress(name));
        if (result == 0) {
            logValue("Sent track, New track ID", qint64(file.mId));
            sent = true;
            break;
        }
        logValue("*** Error sending file", result);
        // A cancelled transfer is not tried again; the phone drops the partial object.
        if (mDevice.CancelRequested())
            break;
        logMessage("Checking again to see if the track is there, sometimes we get a failure but "
                   "the track was copied anyway...");
        // The cached listing cannot know: ask the phone again.
        cached->ForgetFolder(folderId, mDevice.StorageId());
        quint32 leftId = 0;
        quint32 leftParent = 0;
        const int tempErr = mDevice.GetOrCreateFromPath(aTargetPath, leftId, leftParent, false);
        logValue("tempErr", tempErr);
        if (tempErr == 0) {
            logValue("Track was copied even though we got an error: TrackId", qint64(leftId));
            logMessage("However... there could be problems with it, so delete then retry");
            if (cached->DeleteObject(leftId, leftParent, mDevice.StorageId()) != 0)
                logMessage("Could not delete track.");
        }
    }
    logReturn(sent);
    return sent;
}

bool MtpFile::open(QIODevice::OpenMode aMode)
{
    LogScope scope("MtpFile::open");
    if (mLocalFile) {
        logMessage("File is already open");
        return false;
    }
    const QString folder = AppPaths::corvoFolder();
    QDir().mkpath(folder);
    for (int n = 0;; ++n) {
        mLocalPath = folder + QStringLiteral("/temp") + QString::number(n);
        if (!QFileInfo::exists(mLocalPath))
            break;
    }
    if (aMode & (QIODevice::ReadOnly | QIODevice::Append)) {
        quint32 id = 0;
        quint32 parent = 0;
        const int found = mDevice.GetOrCreateFromPath(mRemotePath, id, parent, false);
        if (found == 0) {
            logMessage("Reading data into local file");
            if (mDevice.CachedDevice()->GetFile(id, mLocalPath) != 0) {
                // Whatever arrived is not the file.
                QFile::remove(mLocalPath);
                logMessage("Could not fetch the remote file");
                return false;
            }
        } else {
            logValue("Result when getting file", found);
            if (aMode != QIODevice::ReadOnly)
                logMessage("Clearing error");
        }
    }
    mLocalFile = std::make_unique<QFile>(mLocalPath);
    mOpen = mLocalFile->open(aMode | QIODevice::ReadWrite);
    if (!mOpen) {
        mLocalFile.reset();
        QFile::remove(mLocalPath);
        return false;
    }
    mMode = aMode;
    return true;
}

bool MtpFile::close()
{
    if (!mLocalFile)
        return true;
    mLocalFile->close();
    mLocalFile.reset();
    mOpen = false;
    bool ok = true;
    if (mMode & QIODevice::WriteOnly) {
        if (!copy(mLocalPath, mRemotePath, 5, MtpObject::kOther)) {
            logValue("MtpFile::close Error copying file", 11005);
            ok = false;
        }
    }
    QFile::remove(mLocalPath);
    mMode = QIODevice::NotOpen;
    return ok;
}

QByteArray MtpFile::readAll()
{
    return mLocalFile ? mLocalFile->readAll() : QByteArray();
}

bool MtpFile::write(const QByteArray& aBytes)
{
    return mLocalFile && mLocalFile->write(aBytes) > 0;
}
