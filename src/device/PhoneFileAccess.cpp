#include "device/PhoneFileAccess.h"

#include "app/DebugLog.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// Parts of a relative path; false (errno EINVAL) when a part is "..".
bool splitPath(const QString& aPath, QStringList& aParts)
{
    aParts.clear();
    qsizetype from = 0;
    for (qsizetype i = 0; i <= aPath.size(); ++i) {
        if (i < aPath.size() && aPath[i] != u'/' && aPath[i] != u'\\')
            continue;
        const QStringView part = QStringView(aPath).sliced(from, i - from);
        from = i + 1;
        if (part == u"..") {
            errno = EINVAL;
            return false;
        }
        if (!part.isEmpty() && part != u".")
            aParts.append(part.toString());
    }
    return true;
}

// Closes aFd without disturbing errno.
void closeKeepingError(int aFd)
{
    const int error = errno;
    ::close(aFd);
    errno = error;
}

} // namespace

PhoneFileAccess::PhoneFileAccess(const QString& aRootPath)
{
    setRootPath(aRootPath);
}

PhoneFileAccess::~PhoneFileAccess()
{
    forgetOpenFolder();
}

void PhoneFileAccess::forgetOpenFolder() const
{
    const std::lock_guard lock(mMutex);
    if (mOpenFolder >= 0)
        ::close(mOpenFolder);
    mOpenFolder = -1;
    mOpenFolderParts.clear();
}

void PhoneFileAccess::setRootPath(const QString& aRootPath)
{
    const std::lock_guard lock(mMutex);
    forgetOpenFolder();
    mRootPath = aRootPath;
    while (mRootPath.size() > 1 && mRootPath.endsWith(QLatin1Char('/')))
        mRootPath.chop(1);
}

QString PhoneFileAccess::relativePath(const QString& aLocalPath) const
{
    if (aLocalPath == mRootPath)
        return QLatin1String("");
    if (aLocalPath.size() > mRootPath.size() && aLocalPath.startsWith(mRootPath)
        && aLocalPath[mRootPath.size()] == u'/')
        return aLocalPath.mid(mRootPath.size() + 1);
    return QString();
}

void PhoneFileAccess::logFailure(const char* aWhat, const QString& aPath) const
{
    const int error = errno;
    // ELOOP and ENOTDIR are what a link (or a file) met where a folder or file was expected
    // gives; say so, since that is the case a user or a developer would look for.
    if (error == ELOOP || error == ENOTDIR)
        logValue("A link or a file stands in the way on the phone; refused", aPath);
    logValue(aWhat, aPath + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error)));
    errno = error;
}

int PhoneFileAccess::walk(const QStringList& aParts, qsizetype aCount, bool aCreate) const
{
    if (aCount > 0 && mOpenFolder >= 0 && mOpenFolderParts.size() == aCount
        && std::equal(mOpenFolderParts.cbegin(), mOpenFolderParts.cend(), aParts.cbegin()))
        return mOpenFolder;
    // The root itself may be a link the user chose; it is never made.
    int fd = ::open(QFile::encodeName(mRootPath).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (qsizetype i = 0; i < aCount && fd >= 0; ++i) {
        const QByteArray name = QFile::encodeName(aParts.at(i));
        int next = ::openat(fd, name.constData(), kFolderFlags);
        if (next < 0 && errno == ENOENT && aCreate) {
            if (::mkdirat(fd, name.constData(), 0777) == 0 || errno == EEXIST)
                next = ::openat(fd, name.constData(), kFolderFlags);
        }
        closeKeepingError(fd);
        fd = next;
    }
    if (fd >= 0 && aCount > 0) {
        forgetOpenFolder();
        mOpenFolder = fd;
        mOpenFolderParts = aParts.mid(0, aCount);
    }
    return fd;
}

void PhoneFileAccess::releaseFolder(int aFd) const
{
    if (aFd >= 0 && aFd != mOpenFolder)
        closeKeepingError(aFd);
}

int PhoneFileAccess::ownedFolder(int aFd) const
{
    if (aFd < 0 || aFd != mOpenFolder)
        return aFd;
    // A fresh open, not a dup: a dup shares the directory offset, so listing it once would
    // leave the folder kept open at its end, and the next listing would come back empty.
    return ::openat(aFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

int PhoneFileAccess::openParent(const QString& aPath, bool aCreate, QByteArray& aName) const
{
    QStringList parts;
    if (!splitPath(aPath, parts))
        return -1;
    if (parts.isEmpty()) {
        errno = EINVAL;
        return -1;
    }
    aName = QFile::encodeName(parts.constLast());
    return walk(parts, parts.size() - 1, aCreate);
}

int PhoneFileAccess::openFolder(const QString& aPath, bool aCreate) const
{
    const std::lock_guard lock(mMutex);
    QStringList parts;
    const int fd = splitPath(aPath, parts) ? ownedFolder(walk(parts, parts.size(), aCreate)) : -1;
    if (fd < 0)
        logFailure("Could not open folder", aPath);
    return fd;
}

bool PhoneFileAccess::makeFolders(const QString& aPath) const
{
    const std::lock_guard lock(mMutex);
    QStringList parts;
    const int fd = splitPath(aPath, parts) ? walk(parts, parts.size(), true) : -1;
    if (fd < 0) {
        logFailure("Could not open folder", aPath);
        return false;
    }
    releaseFolder(fd);
    return true;
}

int PhoneFileAccess::openFile(const QString& aPath, int aFlags, mode_t aMode) const
{
    const std::lock_guard lock(mMutex);
    QByteArray name;
    const int parent = openParent(aPath, false, name);
    if (parent < 0) {
        logFailure("Could not open", aPath);
        return -1;
    }
    // A file this call creates is a plain new file; anything else may be what a user or a
    // link planted, and is opened non-blocking (a FIFO must not hang the run) and checked.
    const bool created = (aFlags & (O_CREAT | O_EXCL)) == (O_CREAT | O_EXCL);
    const int fd = ::openat(parent, name.constData(),
                            aFlags | O_NOFOLLOW | O_CLOEXEC | (created ? 0 : O_NONBLOCK), aMode);
    releaseFolder(parent);
    if (fd < 0) {
        logFailure("Could not open", aPath);
        return -1;
    }
    if (created)
        return fd;
    struct stat info {};
    const bool statted = ::fstat(fd, &info) == 0;
    if (!statted || !S_ISREG(info.st_mode)) {
        if (statted)
            errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        closeKeepingError(fd);
        logFailure("Not a plain file", aPath);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool PhoneFileAccess::openFile(QFile& aFile, const QString& aPath, QIODevice::OpenMode aMode) const
{
    int flags = 0;
    if (aMode.testFlag(QIODevice::ReadOnly) && aMode.testFlag(QIODevice::WriteOnly))
        flags = O_RDWR | O_CREAT;
    else if (aMode.testFlag(QIODevice::WriteOnly))
        flags = O_WRONLY | O_CREAT;
    else
        flags = O_RDONLY;
    // As QFile does: writing alone replaces the content unless appending.
    if (aMode.testFlag(QIODevice::Truncate)
        || (flags == (O_WRONLY | O_CREAT) && !aMode.testFlag(QIODevice::Append)))
        flags |= O_TRUNC;
    if (aMode.testFlag(QIODevice::Append))
        flags |= O_APPEND;
    if (aMode.testFlag(QIODevice::NewOnly))
        flags |= O_EXCL;
    const int fd = openFile(aPath, flags);
    if (fd < 0)
        return false;
    aFile.setFileName(mRootPath + QLatin1Char('/') + aPath);
    if (!aFile.open(fd, aMode & ~(QIODevice::Truncate | QIODevice::NewOnly),
                    QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}

bool PhoneFileAccess::status(const QString& aPath, struct stat& aStatus) const
{
    const std::lock_guard lock(mMutex);
    QStringList parts;
    if (!splitPath(aPath, parts))
        return false;
    if (parts.isEmpty())
        return ::stat(QFile::encodeName(mRootPath).constData(), &aStatus) == 0;
    const int parent = walk(parts, parts.size() - 1, false);
    if (parent < 0)
        return false;
    const bool ok = ::fstatat(parent, QFile::encodeName(parts.constLast()).constData(), &aStatus,
                              AT_SYMLINK_NOFOLLOW)
                    == 0;
    releaseFolder(parent);
    return ok;
}

bool PhoneFileAccess::isFile(const QString& aPath) const
{
    struct stat info {};
    return status(aPath, info) && S_ISREG(info.st_mode);
}

bool PhoneFileAccess::isFolder(const QString& aPath) const
{
    struct stat info {};
    return status(aPath, info) && S_ISDIR(info.st_mode);
}

bool PhoneFileAccess::exists(const QString& aPath) const
{
    struct stat info {};
    return status(aPath, info);
}

bool PhoneFileAccess::removeFile(const QString& aPath) const
{
    const std::lock_guard lock(mMutex);
    QByteArray name;
    const int parent = openParent(aPath, false, name);
    bool ok = false;
    if (parent >= 0) {
        struct stat info {};
        if (::fstatat(parent, name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
            if (S_ISDIR(info.st_mode))
                errno = EISDIR;
            else
                ok = ::unlinkat(parent, name.constData(), 0) == 0;
        }
        releaseFolder(parent);
    }
    if (!ok)
        logFailure("Could not remove", aPath);
    return ok;
}

bool PhoneFileAccess::rename(const QString& aFrom, const QString& aTo) const
{
    const std::lock_guard lock(mMutex);
    QByteArray fromName;
    QByteArray toName;
    // Its own descriptor: reaching the other folder may replace the one kept open.
    const int fromParent = ownedFolder(openParent(aFrom, false, fromName));
    const int toParent = fromParent >= 0 ? openParent(aTo, true, toName) : -1;
    const bool ok =
        toParent >= 0 && ::renameat(fromParent, fromName.constData(), toParent, toName.constData()) == 0;
    releaseFolder(toParent);
    if (fromParent >= 0 && fromParent != toParent)
        releaseFolder(fromParent);
    if (!ok)
        logFailure("Could not rename", aFrom + QStringLiteral(" -> ") + aTo);
    return ok;
}

QStringList PhoneFileAccess::entries(const QString& aFolder, bool* aOk) const
{
    QStringList names;
    const int fd = openFolder(aFolder, false);
    DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (fd >= 0 && !dir)
        ::close(fd);
    if (aOk)
        *aOk = dir != nullptr;
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.append(QFile::decodeName(entry->d_name));
    }
    ::closedir(dir);
    return names;
}

QByteArray PhoneFileAccess::readFile(const QString& aPath, qint64 aMaxSize, bool* aOk) const
{
    QFile file;
    const bool ok = openFile(file, aPath, QIODevice::ReadOnly);
    if (aOk)
        *aOk = ok;
    return ok ? file.read(aMaxSize) : QByteArray();
}
