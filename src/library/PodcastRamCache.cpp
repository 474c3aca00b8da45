#include "library/PodcastRamCache.h"

#include "app/DebugLog.h"
#include "library/MusicLibrary.h"

PodcastRamCache& PodcastRamCache::instance()
{
    static PodcastRamCache cache;
    return cache;
}

PodcastRamCache::PodcastRamCache(QObject* aParent)
    : QThread(aParent)
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

void PodcastRamCache::setSource(std::shared_ptr<LibrarySource> aSource)
{
    QMutexLocker lock(&mMutex);
    mSource = std::move(aSource);
}

void PodcastRamCache::run()
{
    LogScope scope("PodcastRamCache::run");
    std::shared_ptr<LibrarySource> source;
    {
        QMutexLocker lock(&mMutex);
        source = mSource;
    }
    const auto library = source ? std::make_unique<MusicLibrary>(source)
                                : std::make_unique<MusicLibrary>();
    const QStringList names = library->podcastNames();
    {
        QMutexLocker lock(&mMutex);
        mPodcastNames = names;
    }
    emit updated();
}
