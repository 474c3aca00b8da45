#include "library/itunes/XmlITunesApp.h"

#include "app/DebugLog.h"
#include "library/itunes/LibraryFileWatcher.h"
#include "library/itunes/LibraryLocator.h"
#include "library/itunes/LibrarySnapshotCache.h"
#include "library/itunes/XmlSource.h"

#include <QThread>

using namespace itunes;

HResult XmlITunesApp::create(std::shared_ptr<IiTunes>* aApp)
{
    LogScope scope("XmlITunesApp::create");
    QString path;
    QStringList tried;
    if (!LibraryLocator::locate(&path, &tried))
        return kFileNotFound;
    return createForPath(path, aApp);
}

HResult XmlITunesApp::createForPath(const QString& aLibraryPath, std::shared_ptr<IiTunes>* aApp)
{
    if (!aApp)
        return kInvalidPointer;
    std::shared_ptr<const LibrarySnapshot> snapshot;
    const HResult result = LibrarySnapshotCache::acquire(aLibraryPath, &snapshot);
    if (failed(result))
        return result;
    *aApp = std::make_shared<XmlITunesApp>(std::move(snapshot));
    return kOk;
}

void XmlITunesApp::setLibraryPath(const QString& aPath)
{
    LibraryLocator::setExplicitPath(aPath);
}

XmlITunesApp::XmlITunesApp(std::shared_ptr<const LibrarySnapshot> aSnapshot)
    : mContext(std::make_shared<XmlLibraryContext>(std::move(aSnapshot)))
{
}

HResult XmlITunesApp::getSources(std::shared_ptr<IITSourceCollection>* aSources)
{
    if (!aSources)
        return kInvalidPointer;
    *aSources = std::make_shared<XmlSourceCollection>(mContext);
    return kOk;
}

HResult XmlITunesApp::findConnectionPoint(std::shared_ptr<IITConnectionPoint>* aPoint)
{
    if (!aPoint)
        return kInvalidPointer;
    // The watcher belongs to this thread; whoever drops the last reference elsewhere hands its
    // deletion back to it.
    *aPoint = std::shared_ptr<LibraryFileWatcher>(
        new LibraryFileWatcher(mContext->mSnapshot->libraryPath()), [](LibraryFileWatcher* aWatcher) {
            if (aWatcher->thread() == QThread::currentThread())
                delete aWatcher;
            else
                aWatcher->deleteLater();
        });
    return kOk;
}
