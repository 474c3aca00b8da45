#include "device/PhoneFileCopier.h"

#include "app/DebugLog.h"
#include "device/PhoneFileAccess.h"
#include "device/PhoneNames.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 kCopyChunkSize = 1 << 20;

} // namespace

PhoneFileCopier::PhoneFileCopier(const PhoneFileAccess& aFiles, OpenTarget aOpen,
                                 WriteChunk aWrite)
    : mFiles(aFiles), mOpen(std::move(aOpen)), mWrite(std::move(aWrite))
{
}

QString PhoneFileCopier::partialPath(const QString& aPath)
{
    // The hidden name of a long file name is cut to fit too.
    const qsizetype slash = aPath.lastIndexOf(QLatin1Char('/'));
    return aPath.left(slash + 1)
         + PhoneNames::FitName(QLatin1String(kPartialPrefix) + aPath.mid(slash + 1));
}

qint64 PhoneFileCopier::writeAll(int aTarget, const char* aData, qint64 aSize)
{
    qint64 written = 0;
    while (written < aSize) {
        const ssize_t count = ::write(aTarget, aData + written, size_t(aSize - written));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return written > 0 ? written : -1;
        written += count;
    }
    return written;
}

bool PhoneFileCopier::copyIntoPlace(const QString& aSourceFilePath, const QString& aTargetPath,
                                    bool aReplace, qint64* aBytesCopied, bool* aTargetExists)
{
    if (aTargetExists)
        *aTargetExists = false;
    mError = 0;
    LogScope scope("UsbMSDevice::copyIntoPlace");
    // A new file is written under its own name: on a phone's file system a rename per track
    // costs about as much as copying a small track. A copy that fails is removed at once, and
    // one cut short by a crash is shorter than its source, which the next run sees
    // (UploadTrack). A file that replaces another is written beside it under a hidden name and
    // renamed when complete, so that the old one stays until the new one is whole.
    const QString targetPath = mFiles.relativePath(aTargetPath);
    if (targetPath.isEmpty()) {
        logValue("Copy target is not inside the phone root; refused", aTargetPath);
        errno = EINVAL;
        logReturn(false);
        return false;
    }
    const QString writePath = aReplace ? partialPath(targetPath) : targetPath;

    // Plain descriptors: a sync copies thousands of small files, and the buffering and status
    // checks of QFile cost more than the copy itself.
    const int source = ::open(QFile::encodeName(aSourceFilePath).constData(), O_RDONLY | O_CLOEXEC);
    if (source < 0) {
        logValue("Could not open source", aSourceFilePath);
        if (aTargetExists && !aReplace)
            *aTargetExists = mFiles.exists(targetPath);
        logReturn(false);
        return false;
    }
    // Without aReplace an existing file is never touched (O_EXCL); with it, truncating also
    // clears a partial copy an earlier run left under the hidden name.
    const int target = mOpen(
        writePath, O_WRONLY | O_CREAT | O_CLOEXEC | (aReplace ? O_TRUNC : O_EXCL));
    bool ok = target >= 0;
    if (!ok) {
        failed(errno);
        if (aTargetExists && !aReplace)
            *aTargetExists = errno == EEXIST;
        logValue("Could not create", writePath);
    }
    if (mBuffer.isEmpty())
        mBuffer.resize(kCopyChunkSize);
    qint64 copied = 0;
    while (ok) {
        const ssize_t count = ::read(source, mBuffer.data(), size_t(mBuffer.size()));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0) {
            ok = count == 0;
            if (!ok)
                logValue("Read failed", aSourceFilePath);
            break;
        }
        if (mWrite(target, mBuffer.constData(), count) != count) {
            failed(errno);
            logValue("Write failed", QString::fromLocal8Bit(std::strerror(errno)));
            ok = false;
        }
        copied += count;
    }
    ::close(source);
    // A phone that went away under the open file (the cable pulled and the mount gone) may
    // still have taken every write.
    struct stat written {};
    if (ok && (::fstat(target, &written) != 0 || written.st_nlink == 0)) {
        logValue("The copy is no longer on the phone", writePath);
        failed(ENODEV);
        ok = false;
    }
    // No flush to the medium here: a flush per track multiplies the time of a sync over a slow
    // USB link, and the phone is flushed when the user ejects it (which the window reminds of).
    // A failed close is a failed write (a full medium on some file systems).
    if (target >= 0 && ::close(target) != 0 && ok) {
        failed(errno);
        logValue("Write failed", QString::fromLocal8Bit(std::strerror(errno)));
        ok = false;
    }
    if (ok && aReplace) {
        ok = mFiles.rename(writePath, targetPath);
        if (!ok) {
            failed(errno);
            logValue("Could not rename the copy to", aTargetPath);
        }
    }
    // Only what this copy created goes: never a file that was there before.
    if (!ok && target >= 0) {
        const int error = errno;
        mFiles.removeFile(writePath);
        errno = error;
    }
    if (ok && aBytesCopied)
        *aBytesCopied = copied;
    logReturn(ok);
    return ok;
}

bool PhoneFileCopier::writeIntoPlace(const QString& aTargetPath, const QByteArray& aContent)
{
    mError = 0;
    LogScope scope("UsbMSDevice::writeIntoPlace");
    const QString targetPath = mFiles.relativePath(aTargetPath);
    if (targetPath.isEmpty()) {
        logValue("Target is not inside the phone root; refused", aTargetPath);
        errno = EINVAL;
        logReturn(false);
        return false;
    }
    const QString writePath = partialPath(targetPath);
    // Whatever sits under the hidden name is a leftover (or planted): it goes, and the new file
    // is created afresh.
    mFiles.removeFile(writePath);
    const int target = mOpen(writePath, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC);
    bool ok = target >= 0
              && (aContent.isEmpty()
                  || mWrite(target, aContent.constData(), aContent.size())
                         == aContent.size());
    if (target >= 0 && ::close(target) != 0)
        ok = false;
    // The rename replaces a link at the target; it is never written through.
    if (ok)
        ok = mFiles.rename(writePath, targetPath);
    if (!ok) {
        const int error = errno;
        failed(error);
        logValue("Could not write", aTargetPath);
        if (target >= 0)
            mFiles.removeFile(writePath);
        errno = error;
    }
    logReturn(ok);
    return ok;
}
