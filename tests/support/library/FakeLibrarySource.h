#pragma once

#include "library/LibrarySource.h"

#include <QHash>
#include <QMutex>

#include <atomic>

// A library source whose content and failures a test sets: as a real source, a read gives the
// content or an error with its reason, and a file path only for tracks that have a file.
class FakeLibrarySource : public LibrarySource
{
public:
    explicit FakeLibrarySource(std::shared_ptr<const LibraryContent> aContent);

    void setContent(std::shared_ptr<const LibraryContent> aContent);
    // The next aTimes reads fail with aKind (aTimes < 0: every read).
    void failReads(LibraryReadError::Kind aKind, int aTimes, const QString& aReason);
    // The album art of the track with this persistent id.
    void setArtwork(quint64 aPersistentId, const LibraryArtwork& aArtwork);
    void setWatchedPaths(const QStringList& aPaths) { mWatched = aPaths; }

    int reads() const { return mReads.load(); }
    int artworkLookups() const { return mArtworkLookups.load(); }

    QString kindName() const override { return QStringLiteral("Test"); }
    QString location() const override { return QStringLiteral("/test/library"); }
    LibraryRead read() override;
    // The location as it is: the tests give local paths.
    QString filePath(const LibraryTrack& aTrack) const override;
    LibraryArtwork artwork(const LibraryTrack& aTrack) const override;
    QStringList watchedPaths() const override { return mWatched; }

    // A track with a local file at aPath; its persistent id is aId.
    static LibraryTrack track(quint64 aId, const QString& aName, const QString& aAlbum,
                              const QString& aPath);

private:
    mutable QMutex mMutex;
    std::shared_ptr<const LibraryContent> mContent;
    LibraryReadError::Kind mFailKind = LibraryReadError::Kind::None;
    int mFailTimes = 0;
    QString mFailReason;
    QHash<quint64, LibraryArtwork> mArtwork;
    QStringList mWatched;
    std::atomic<int> mReads{0};
    mutable std::atomic<int> mArtworkLookups{0};
};
