#include "library/itunes/LibrarySnapshotCache.h"

#include "app/DebugLog.h"
#include "library/itunes/LibraryXmlReader.h"

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <QThreadPool>

#include <atomic>
#include <cerrno>
#include <sys/stat.h>

using namespace itunes;

namespace {

struct FileStamp
{
    qint64 mSize = -1;
    qint64 mModifiedNs = 0;
    quint64 mInode = 0;

    bool operator==(const FileStamp&) const = default;
};

struct CacheEntry
{
    FileStamp mStamp;
    std::shared_ptr<const LibrarySnapshot> mSnapshot;
};

QMutex sMutex;
QHash<QString, CacheEntry> sEntries;
std::function<void(const QString&)> sAfterReadHook;
QString sLastRefusal;
std::atomic<int> sSettleTimeMs{2000};

// 0 on success, else the errno of stat.
int stampOf(const QString& aPath, FileStamp* aStamp)
{
    struct stat info {};
    if (::stat(QFile::encodeName(aPath).constData(), &info) != 0)
        return errno ? errno : ENOENT;
    aStamp->mSize = qint64(info.st_size);
    aStamp->mModifiedNs = qint64(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec;
    aStamp->mInode = quint64(info.st_ino);
    return 0;
}

HResult resultForErrno(int aErrno)
{
    return (aErrno == EACCES || aErrno == EPERM) ? kAccessDenied : kFileNotFound;
}

} // namespace

HResult LibrarySnapshotCache::acquire(const QString& aPath,
                                      std::shared_ptr<const LibrarySnapshot>* aSnapshot)
{
    LogScope scope("LibrarySnapshotCache::acquire");
    logValue("libraryPath", aPath);
    FileStamp before;
    if (const int err = stampOf(aPath, &before); err != 0) {
        logValue("Library file not found or not accessible, errno", err);
        return resultForErrno(err);
    }
    QMutexLocker lock(&sMutex);
    const auto found = sEntries.constFind(aPath);
    if (found != sEntries.constEnd() && found->mStamp == before) {
        *aSnapshot = found->mSnapshot;
        return kOk;
    }
    // The stale parse is of no further use here; holders of it keep it alive.
    sEntries.remove(aPath);

    QFile file(aPath);
    if (!file.open(QIODevice::ReadOnly)) {
        logValue("Could not open library file", file.errorString());
        return file.error() == QFileDevice::PermissionsError ? kAccessDenied : kFileNotFound;
    }
    LibraryXmlReader reader;
    const bool parsed = reader.readFile(file, aPath);
    file.close();
    if (sAfterReadHook)
        sAfterReadHook(aPath);

    FileStamp after;
    const int afterErr = stampOf(aPath, &after);
    if (afterErr != 0 || !(after == before)) {
        // Rewritten (or renamed over) while we read it: read it again when it has settled.
        logMessage("Library file changed while it was read");
        return kCallRejected;
    }
    if (!parsed) {
        const qint64 ageMs =
            QDateTime::currentMSecsSinceEpoch() - before.mModifiedNs / 1000000LL;
        if (ageMs >= 0 && ageMs < sSettleTimeMs.load()) {
            logMessage("Library file does not parse and was just modified - treating as busy");
            return kCallRejected;
        }
        logValue("Library file is not usable", reader.errorString());
        sLastRefusal = reader.errorString();
        return kInvalidData;
    }
    CacheEntry entry;
    entry.mStamp = before;
    entry.mSnapshot = reader.takeSnapshot();
    *aSnapshot = entry.mSnapshot;
    // A sync's album-art lookup searches the library: the search index is built meanwhile, on
    // a spare core, rather than when the first track waits for it.
    QThreadPool::globalInstance()->start(
        [snapshot = entry.mSnapshot]() { snapshot->searchIndex(); });
    sEntries.insert(aPath, std::move(entry));
    return kOk;
}

QString LibrarySnapshotCache::lastRefusal()
{
    QMutexLocker lock(&sMutex);
    return sLastRefusal;
}

void LibrarySnapshotCache::clear()
{
    QMutexLocker lock(&sMutex);
    sEntries.clear();
}

int LibrarySnapshotCache::settleTimeMs()
{
    return sSettleTimeMs.load();
}

void LibrarySnapshotCache::setSettleTimeMs(int aMilliseconds)
{
    sSettleTimeMs.store(aMilliseconds);
}

void LibrarySnapshotCache::setAfterReadHook(std::function<void(const QString&)> aHook)
{
    QMutexLocker lock(&sMutex);
    sAfterReadHook = std::move(aHook);
}
