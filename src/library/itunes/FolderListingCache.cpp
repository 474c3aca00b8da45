#include "library/itunes/FolderListingCache.h"

#include "app/DebugLog.h"

#include <QFile>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>

namespace {

qint64 nanoseconds(const timespec& aTime)
{
    return qint64(aTime.tv_sec) * 1'000'000'000 + aTime.tv_nsec;
}

qint64 now()
{
    timespec time {};
    ::clock_gettime(CLOCK_REALTIME, &time);
    return nanoseconds(time);
}

} // namespace

QString FolderListing::foldName(const QString& aName)
{
    return aName.normalized(QString::NormalizationForm_C).toCaseFolded();
}

QString FolderListing::foldedMatch(const QString& aName) const
{
    std::call_once(mFoldedBuilt, [this]() {
        QStringList names(mNames.cbegin(), mNames.cend());
        // Names that fold alike resolve to the one sorted last, whatever order the disk gave.
        std::sort(names.begin(), names.end(), [](const QString& aLeft, const QString& aRight) {
            const int order = aLeft.compare(aRight, Qt::CaseInsensitive);
            return order != 0 ? order < 0 : aLeft < aRight;
        });
        mFolded.reserve(names.size());
        for (const QString& name : std::as_const(names))
            mFolded.insert(foldName(name), name);
    });
    return mFolded.value(foldName(aName));
}

FolderListingCache& FolderListingCache::instance()
{
    static FolderListingCache cache;
    return cache;
}

bool FolderListingCache::stampOf(const QString& aFolder, Stamp* aStamp)
{
    struct stat info {};
    if (::stat(QFile::encodeName(aFolder).constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return false;
    aStamp->mDevice = quint64(info.st_dev);
    aStamp->mInode = quint64(info.st_ino);
    aStamp->mModified = nanoseconds(info.st_mtim);
    aStamp->mChanged = nanoseconds(info.st_ctim);
    return true;
}

std::shared_ptr<FolderListing> FolderListingCache::read(const QString& aFolder)
{
    // readdir itself: a library has tens of thousands of files, and the entry's own name and
    // type are all that is needed.
    const std::unique_ptr<DIR, int (*)(DIR*)> folder(
        ::opendir(QFile::encodeName(aFolder).constData()), ::closedir);
    if (!folder)
        return nullptr;
    auto listing = std::make_shared<FolderListing>();
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(folder.get());
        if (!entry)
            break;
        const char* const raw = entry->d_name;
        if (std::strcmp(raw, ".") == 0 || std::strcmp(raw, "..") == 0)
            continue;
        const QString name = QFile::decodeName(raw);
        listing->mNames.insert(name);
        // The type comes with the entry on most file systems; otherwise it is asked for.
        bool link = entry->d_type == DT_LNK;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat info {};
            link = ::fstatat(::dirfd(folder.get()), raw, &info, AT_SYMLINK_NOFOLLOW) != 0
                   || S_ISLNK(info.st_mode);
        }
        if (link)
            listing->mLinks.insert(name);
    }
    if (errno != 0)
        return nullptr;
    return listing;
}

std::shared_ptr<const FolderListing> FolderListingCache::current(const QString& aFolder)
{
    Stamp before;
    if (!stampOf(aFolder, &before)) {
        QMutexLocker lock(&mMutex);
        forget(aFolder);
        return nullptr;
    }
    {
        QMutexLocker lock(&mMutex);
        const auto known = mEntries.constFind(aFolder);
        if (known != mEntries.constEnd() && known->mStamp == before)
            return known->mListing;
    }
    const qint64 readAt = now();
    std::shared_ptr<const FolderListing> listing = read(aFolder);
    if (!listing)
        return nullptr;
    Stamp after;
    QMutexLocker lock(&mMutex);
    ++mReads;
    // Changed while it was read, or so recently that a change to come may leave the same
    // modification time: good for this answer, not for the next. (Setting the time back
    // changes the change time, which the stamp holds too.)
    const bool settled = stampOf(aFolder, &after) && after == before
                         && before.mModified < readAt - kSettleNanoseconds;
    if (settled)
        keep(aFolder, Entry {before, listing});
    else
        forget(aFolder);
    return listing;
}

void FolderListingCache::forget(const QString& aFolder)
{
    const auto old = mEntries.find(aFolder);
    if (old == mEntries.end())
        return;
    mNames -= old->mListing->mNames.size();
    mEntries.erase(old);
}

void FolderListingCache::keep(const QString& aFolder, const Entry& aEntry)
{
    forget(aFolder);
    if (mEntries.size() >= kMaxFolders || mNames + aEntry.mListing->mNames.size() > kMaxNames) {
        logValue("FolderListingCache: dropping folder listings", qint64(mEntries.size()));
        mEntries.clear();
        mNames = 0;
    }
    mEntries.insert(aFolder, aEntry);
    mNames += aEntry.mListing->mNames.size();
}

void FolderListingCache::clear()
{
    QMutexLocker lock(&mMutex);
    mEntries.clear();
    mNames = 0;
}

qint64 FolderListingCache::readCount() const
{
    QMutexLocker lock(&mMutex);
    return mReads;
}

qint32 FolderListingCache::folderCount() const
{
    QMutexLocker lock(&mMutex);
    return qint32(mEntries.size());
}
