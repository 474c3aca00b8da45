#include "library/LibraryWatcher.h"

#include "app/DebugLog.h"

#include <QDateTime>
#include <QFileInfo>

LibraryWatcher::LibraryWatcher(QObject* aParent)
    : QObject(aParent)
{
    connect(&mWatcher, &QFileSystemWatcher::fileChanged, this, &LibraryWatcher::onFileChanged);
    connect(&mWatcher, &QFileSystemWatcher::directoryChanged, this,
            &LibraryWatcher::onDirectoryChanged);
}

QString LibraryWatcher::stampOf(const QString& aPath)
{
    const QFileInfo info(aPath);
    if (!info.exists())
        return QString();
    return QString::number(info.size()) + u'/'
           + QString::number(info.lastModified().toMSecsSinceEpoch()) + u'/'
           + QString::number(info.metadataChangeTime().toMSecsSinceEpoch()) + u'/'
           + QString::number(info.isDir());
}

void LibraryWatcher::watch(const QStringList& aPaths)
{
    if (aPaths == mPaths)
        return;
    if (!mWatcher.files().isEmpty())
        mWatcher.removePaths(mWatcher.files());
    if (!mWatcher.directories().isEmpty())
        mWatcher.removePaths(mWatcher.directories());
    mPaths = aPaths;
    mFilesByFolder.clear();
    mStamps.clear();
    mFolders.clear();
    for (const QString& path : aPaths) {
        const QFileInfo info(path);
        if (info.isDir()) {
            mFolders.insert(info.absoluteFilePath());
            mWatcher.addPath(info.absoluteFilePath());
            continue;
        }
        const QString file = info.absoluteFilePath();
        const QString folder = info.absolutePath();
        mFilesByFolder[folder].append(file);
        mStamps.insert(file, stampOf(file));
        if (QFileInfo(folder).isDir() && !mWatcher.directories().contains(folder))
            mWatcher.addPath(folder);
    }
    rearm();
}

void LibraryWatcher::rearm()
{
    const QStringList watched = mWatcher.files();
    for (const QStringList& files : std::as_const(mFilesByFolder)) {
        for (const QString& file : files) {
            if (QFileInfo(file).isFile() && !watched.contains(file))
                mWatcher.addPath(file);
        }
    }
}

void LibraryWatcher::onFileChanged(const QString& aPath)
{
    if (!mStamps.contains(aPath))
        return;
    // A file renamed over the watched one ends the watch; set it on the new file.
    rearm();
    mStamps.insert(aPath, stampOf(aPath));
    logValue("Library changed", aPath);
    emit changed();
}

void LibraryWatcher::onDirectoryChanged(const QString& aPath)
{
    rearm();
    bool changedNow = mFolders.contains(aPath);
    // The folder of a watched file: only a change of that file counts.
    for (const QString& file : mFilesByFolder.value(aPath)) {
        const QString stamp = stampOf(file);
        if (stamp != mStamps.value(file)) {
            mStamps.insert(file, stamp);
            changedNow = true;
        }
    }
    if (!changedNow)
        return;
    logValue("Library changed", aPath);
    emit changed();
}
