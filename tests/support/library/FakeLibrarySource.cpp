#include "library/FakeLibrarySource.h"

#include <QMutexLocker>

FakeLibrarySource::FakeLibrarySource(std::shared_ptr<const LibraryContent> aContent)
    : mContent(std::move(aContent))
{
}

void FakeLibrarySource::setContent(std::shared_ptr<const LibraryContent> aContent)
{
    QMutexLocker lock(&mMutex);
    mContent = std::move(aContent);
}

void FakeLibrarySource::failReads(LibraryReadError::Kind aKind, int aTimes,
                                  const QString& aReason)
{
    QMutexLocker lock(&mMutex);
    mFailKind = aKind;
    mFailTimes = aTimes;
    mFailReason = aReason;
}

void FakeLibrarySource::setArtwork(quint64 aPersistentId, const LibraryArtwork& aArtwork)
{
    QMutexLocker lock(&mMutex);
    mArtwork.insert(aPersistentId, aArtwork);
}

LibraryRead FakeLibrarySource::read()
{
    ++mReads;
    QMutexLocker lock(&mMutex);
    LibraryRead read;
    if (mFailTimes != 0) {
        if (mFailTimes > 0)
            --mFailTimes;
        read.mError.mKind = mFailKind;
        read.mError.mReason = mFailReason;
        return read;
    }
    read.mContent = mContent;
    return read;
}

QString FakeLibrarySource::filePath(const LibraryTrack& aTrack) const
{
    return aTrack.mRemote ? QString() : aTrack.mLocation;
}

LibraryArtwork FakeLibrarySource::artwork(const LibraryTrack& aTrack) const
{
    ++mArtworkLookups;
    QMutexLocker lock(&mMutex);
    return mArtwork.value(aTrack.mPersistentId);
}

LibraryTrack FakeLibrarySource::track(quint64 aId, const QString& aName, const QString& aAlbum,
                                      const QString& aPath)
{
    LibraryTrack track;
    track.mPersistentId = aId;
    track.mName = aName;
    track.mAlbum = aAlbum;
    track.mArtist = QStringLiteral("Band");
    track.mLocation = aPath;
    track.mSize = 1000;
    track.mDateAdded = 40000.5 + double(aId);
    return track;
}
