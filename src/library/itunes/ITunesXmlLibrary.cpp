#include "library/itunes/ITunesXmlLibrary.h"

#include "library/EmbeddedArtworkReader.h"
#include "library/itunes/ITunesXmlCache.h"
#include "library/itunes/TrackLocationResolver.h"

#include <QFileInfo>
#include <QMutexLocker>

ITunesXmlLibrary::ITunesXmlLibrary(const QString& aLibraryPath)
    : mPath(aLibraryPath)
{
}

ITunesXmlLibrary::~ITunesXmlLibrary() = default;

QString ITunesXmlLibrary::kindName() const
{
    return QStringLiteral("iTunes");
}

QString ITunesXmlLibrary::location() const
{
    return mPath;
}

LibraryRead ITunesXmlLibrary::read()
{
    ITunesXmlCache::Result result = ITunesXmlCache::acquire(mPath);
    LibraryRead read;
    read.mError = result.mError;
    if (!result.mContent)
        return read;
    read.mContent = result.mContent;
    QMutexLocker lock(&mMutex);
    if (result.mContent != mContent || !mResolver) {
        // A new parse may name another music folder; the folder listings are shared anyway.
        mContent = result.mContent;
        mResolver = std::make_unique<TrackLocationResolver>(mPath, result.mMusicFolder);
    }
    return read;
}

QString ITunesXmlLibrary::filePath(const LibraryTrack& aTrack) const
{
    if (aTrack.mRemote)
        return QString();
    QMutexLocker lock(&mMutex);
    if (!mResolver)
        mResolver = std::make_unique<TrackLocationResolver>(mPath, QString());
    return mResolver->resolve(aTrack.mLocation);
}

LibraryArtwork ITunesXmlLibrary::artwork(const LibraryTrack& aTrack) const
{
    return EmbeddedArtworkReader::artworkOf(filePath(aTrack));
}

QStringList ITunesXmlLibrary::watchedPaths() const
{
    return {QFileInfo(mPath).absoluteFilePath()};
}
