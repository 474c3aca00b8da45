#include "library/itunes/LibraryFileWatcher.h"

#include "app/DebugLog.h"

#include <QDateTime>
#include <QFileInfo>

using namespace itunes;

LibraryFileWatcher::LibraryFileWatcher(const QString& aLibraryPath)
    : mPath(QFileInfo(aLibraryPath).absoluteFilePath())
{
    connect(&mWatcher, &QFileSystemWatcher::fileChanged, this, &LibraryFileWatcher::onFileChanged);
    connect(&mWatcher, &QFileSystemWatcher::directoryChanged, this,
            &LibraryFileWatcher::onDirectoryChanged);
    const QString folder = QFileInfo(mPath).absolutePath();
    if (QFileInfo(folder).isDir())
        mWatcher.addPath(folder);
    rearm();
    mLastStamp = currentStamp();
}

LibraryFileWatcher::~LibraryFileWatcher()
{
    const auto sinks = mSinks;
    mSinks.clear();
    for (IITEventSink* sink : sinks)
        sink->release();
}

QString LibraryFileWatcher::currentStamp() const
{
    const QFileInfo info(mPath);
    if (!info.exists())
        return QString();
    return QString::number(info.size()) + u'/'
           + QString::number(info.lastModified().toMSecsSinceEpoch()) + u'/'
           + QString::number(info.metadataChangeTime().toMSecsSinceEpoch());
}

void LibraryFileWatcher::rearm()
{
    if (QFileInfo::exists(mPath) && !mWatcher.files().contains(mPath))
        mWatcher.addPath(mPath);
}

HResult LibraryFileWatcher::advise(IITEventSink* aSink, quint32* aCookie)
{
    if (!aSink || !aCookie)
        return kInvalidPointer;
    aSink->addRef();
    const quint32 cookie = mNextCookie++;
    mSinks.insert(cookie, aSink);
    *aCookie = cookie;
    return kOk;
}

HResult LibraryFileWatcher::unadvise(quint32 aCookie)
{
    IITEventSink* sink = mSinks.take(aCookie);
    if (!sink)
        return kInvalidArgument;
    sink->release();
    return kOk;
}

void LibraryFileWatcher::onFileChanged(const QString& aPath)
{
    if (aPath != mPath)
        return;
    // A file renamed over the watched one ends the watch; set it on the new file.
    rearm();
    mLastStamp = currentStamp();
    notify();
}

void LibraryFileWatcher::onDirectoryChanged(const QString&)
{
    rearm();
    const QString stamp = currentStamp();
    if (stamp == mLastStamp)
        return;
    mLastStamp = stamp;
    notify();
}

void LibraryFileWatcher::notify()
{
    logMessage("iTunes library file changed");
    // A sink may unadvise from inside invoke; hold references over the calls.
    const QList<IITEventSink*> sinks = mSinks.values();
    for (IITEventSink* sink : sinks)
        sink->addRef();
    for (IITEventSink* sink : sinks)
        sink->invoke(0);
    for (IITEventSink* sink : sinks)
        sink->release();
}
