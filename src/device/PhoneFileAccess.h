#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>

#include <mutex>

#include <sys/stat.h>

class QFile;

// File work below a phone's root folder that never goes through a symbolic link. A phone (a
// memory card, a folder) can hold links that point anywhere on the computer; every component
// of a path below the root is opened on its own without following links, so a link where a
// file or folder is expected makes that one operation fail (errno ELOOP or ENOTDIR) with a log
// line, and nothing outside the phone is read, written, created or deleted.
//
// Paths are relative to the root, "/" or "\" separated; empty parts and "." are skipped and a
// ".." part is refused (EINVAL). The root itself may be reached through a link (a mount point
// the user named) but is never created. Every call returns false or -1 with errno set on failure.
class PhoneFileAccess
{
public:
    explicit PhoneFileAccess(const QString& aRootPath = QString());
    ~PhoneFileAccess();
    PhoneFileAccess(const PhoneFileAccess&) = delete;
    PhoneFileAccess& operator=(const PhoneFileAccess&) = delete;

    // Forgets the folder kept open for the next operation (a new run, a folder that failed).
    void forgetOpenFolder() const;

    void setRootPath(const QString& aRootPath);
    // Without a trailing "/".
    const QString& rootPath() const { return mRootPath; }

    // The descriptor of a file opened with the open(2) flags aFlags (O_NOFOLLOW and O_CLOEXEC
    // are always added), or -1. Parent folders are never made here: a caller that means to
    // make them says so (makeFolders), so that a file is never created in a folder that has
    // just stood in for a phone that was pulled out.
    int openFile(const QString& aPath, int aFlags, mode_t aMode = 0666) const;
    // Opens aFile on the descriptor of openFile with the matching flags for aMode.
    bool openFile(QFile& aFile, const QString& aPath, QIODevice::OpenMode aMode) const;
    // The descriptor of a folder (O_DIRECTORY), made with its parents when aCreate; -1 on failure.
    int openFolder(const QString& aPath, bool aCreate) const;
    bool makeFolders(const QString& aPath) const;
    // The status of the entry itself (a link is reported as a link, never followed).
    bool status(const QString& aPath, struct stat& aStatus) const;
    bool isFile(const QString& aPath) const;
    bool isFolder(const QString& aPath) const;
    bool exists(const QString& aPath) const;
    // Removes a file or a link (never what a link points to); folders are refused (EISDIR).
    bool removeFile(const QString& aPath) const;
    // Renames within the phone; neither side may pass through a link.
    bool rename(const QString& aFrom, const QString& aTo) const;
    // Names in a folder (without "." and ".."), all kinds of entries; empty on failure.
    QStringList entries(const QString& aFolder, bool* aOk = nullptr) const;
    // Up to aMaxSize bytes of a file; aOk tells whether it could be read.
    QByteArray readFile(const QString& aPath, qint64 aMaxSize, bool* aOk = nullptr) const;

    // "/" separated relative form of a local path below the root, or a null string when
    // aLocalPath is not below it.
    QString relativePath(const QString& aLocalPath) const;

private:
    // Opens the folder that holds the last part of aPath and gives that part in aName.
    int openParent(const QString& aPath, bool aCreate, QByteArray& aName) const;
    // The folder's descriptor; it may be the folder kept open, so give it back with
    // releaseFolder (or take one of its own with ownedFolder) before the next walk.
    int walk(const QStringList& aParts, qsizetype aCount, bool aCreate) const;
    void releaseFolder(int aFd) const;
    int ownedFolder(int aFd) const;
    void logFailure(const char* aWhat, const QString& aPath) const;

    QString mRootPath;
    // The last folder reached, kept open: most tracks go to the folder of the one before,
    // and reaching it again component by component would cost more than the copy.
    mutable int mOpenFolder = -1;
    mutable QStringList mOpenFolderParts;
    // The window's device checks read the id files while a run copies: the folder kept open
    // must not be closed under either.
    mutable std::recursive_mutex mMutex;
};
