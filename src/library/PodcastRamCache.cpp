#include "library/PodcastRamCache.h"

#include "app/DebugLog.h"
#include "library/itunes/XmlITunesApp.h"

PodcastRamCache& PodcastRamCache::instance()
{
    static PodcastRamCache cache;
    return cache;
}

PodcastRamCache::PodcastRamCache(QObject* aParent)
    : QThread(aParent)
    , mFactory(&XmlITunesApp::create)
{
}

PodcastRamCache::~PodcastRamCache()
{
    wait();
}

void PodcastRamCache::podcasts(QStringList& aNames) const
{
    QMutexLocker lock(&mMutex);
    aNames = mPodcastNames;
}

void PodcastRamCache::setAppFactory(LocalMusicLibrary::AppFactory aFactory)
{
    QMutexLocker lock(&mMutex);
    mFactory = std::move(aFactory);
}

void PodcastRamCache::run()
{
    LogScope scope("PodcastRamCache::run");
    LocalMusicLibrary::AppFactory factory;
    {
        QMutexLocker lock(&mMutex);
        factory = mFactory;
    }
    LocalMusicLibrary library(factory);
    library.refreshPodcasts();
    {
        QMutexLocker lock(&mMutex);
        mPodcastNames = library.podcasts();
    }
    emit updated();
}
