#pragma once

#include "library/LibrarySource.h"

#include <QMutex>
#include <QStringList>
#include <QThread>

#include <memory>

// Collects the podcast names once, in a worker thread with a private library, and keeps them in
// memory for the playlist settings page. One instance for the program (instance()).
class PodcastRamCache : public QThread
{
    Q_OBJECT

public:
    static PodcastRamCache& instance();

    explicit PodcastRamCache(QObject* aParent = nullptr);
    ~PodcastRamCache() override;

    // Copies the podcast names collected by the last run into aNames.
    void podcasts(QStringList& aNames) const;
    // The source the private library reads (tests); the library the program uses by default.
    void setSource(std::shared_ptr<LibrarySource> aSource);

signals:
    void updated();

protected:
    void run() override;

private:
    mutable QMutex mMutex;
    QStringList mPodcastNames;
    std::shared_ptr<LibrarySource> mSource;
};
