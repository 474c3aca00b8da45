#include "library/itunes/ITunesXmlCache.h"

#include "app/DebugLog.h"
#include "library/itunes/LibraryXmlReader.h"

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QMutex>

#include <atomic>
#include <cerrno>
#include <sys/stat.h>

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
    std::shared_ptr<const LibraryContent> mContent;
    QString mMusicFolder;
};

QMutex sMutex;
QHash<QString, CacheEntry> sEntries;
std::function<void(const QString&)> sAfterReadHook;
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

ITunesXmlCache::Result failure(LibraryReadError::Kind aKind, const QString& aReason)
{
    ITunesXmlCache::Result result;
    result.mError.mKind = aKind;
    result.mError.mReason = aReason;
    return result;
}

ITunesXmlCache::Result unusable(const QString& aReason)
{
    return failure(LibraryReadError::Kind::Unusable, aReason);
}

ITunesXmlCache::Result busy()
{
    return failure(LibraryReadError::Kind::Busy,
                   QStringLiteral("the library file is being rewritten"));
}

QString reasonForErrno(const QString& aPath, int aErrno)
{
    return (aErrno == EACCES || aErrno == EPERM)
               ? QStringLiteral("the library file %1 cannot be opened").arg(aPath)
               : QStringLiteral("the library file %1 does not exist").arg(aPath);
}

} // namespace

ITunesXmlCache::Result ITunesXmlCache::acquire(const QString& aPath)
{
    LogScope scope("ITunesXmlCache::acquire");
    logValue("libraryPath", aPath);
    FileStamp before;
    if (const int err = stampOf(aPath, &before); err != 0) {
        logValue("Library file not found or not accessible, errno", err);
        return unusable(reasonForErrno(aPath, err));
    }
    QMutexLocker lock(&sMutex);
    const auto found = sEntries.constFind(aPath);
    if (found != sEntries.constEnd() && found->mStamp == before) {
        Result result;
        result.mContent = found->mContent;
        result.mMusicFolder = found->mMusicFolder;
        return result;
    }
    // The stale parse is of no further use here; holders of it keep it alive.
    sEntries.remove(aPath);

    QFile file(aPath);
    if (!file.open(QIODevice::ReadOnly)) {
        logValue("Could not open library file", file.errorString());
        return unusable(reasonForErrno(
            aPath, file.error() == QFileDevice::PermissionsError ? EACCES : ENOENT));
    }
    LibraryXmlReader reader;
    const bool parsed = reader.readFile(file);
    file.close();
    if (sAfterReadHook)
        sAfterReadHook(aPath);

    FileStamp after;
    const int afterErr = stampOf(aPath, &after);
    if (afterErr != 0 || !(after == before)) {
        // Rewritten (or renamed over) while we read it: read it again when it has settled.
        logMessage("Library file changed while it was read");
        return busy();
    }
    if (!parsed) {
        const qint64 ageMs =
            QDateTime::currentMSecsSinceEpoch() - before.mModifiedNs / 1000000LL;
        if (ageMs >= 0 && ageMs < sSettleTimeMs.load()) {
            logMessage("Library file does not parse and was just modified - treating as busy");
            return busy();
        }
        logValue("Library file is not usable", reader.errorString());
        return unusable(reader.errorString());
    }
    CacheEntry entry;
    entry.mStamp = before;
    entry.mContent = reader.takeContent();
    entry.mMusicFolder = reader.musicFolder();
    Result result;
    result.mContent = entry.mContent;
    result.mMusicFolder = entry.mMusicFolder;
    sEntries.insert(aPath, std::move(entry));
    return result;
}

void ITunesXmlCache::clear()
{
    QMutexLocker lock(&sMutex);
    sEntries.clear();
}

int ITunesXmlCache::settleTimeMs()
{
    return sSettleTimeMs.load();
}

void ITunesXmlCache::setSettleTimeMs(int aMilliseconds)
{
    sSettleTimeMs.store(aMilliseconds);
}

void ITunesXmlCache::setAfterReadHook(std::function<void(const QString&)> aHook)
{
    QMutexLocker lock(&sMutex);
    sAfterReadHook = std::move(aHook);
}
