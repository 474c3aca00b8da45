#include "library/itunes/XmlTrack.h"

#include "library/itunes/EmbeddedArtworkReader.h"
#include "library/itunes/XmlArtwork.h"

using namespace itunes;

XmlTrack::XmlTrack(std::shared_ptr<XmlLibraryContext> aContext, qint32 aTrackIndex)
    : mContext(std::move(aContext))
    , mTrackIndex(aTrackIndex)
{
}

const LibraryTrack& XmlTrack::track() const
{
    return mContext->mSnapshot->tracks()[size_t(mTrackIndex)];
}

HResult XmlTrack::giveString(const QString& aValue, QString* aOut) const
{
    if (!aOut)
        return kInvalidPointer;
    *aOut = aValue;
    return kOk;
}

HResult XmlTrack::getName(QString* aName)
{
    return giveString(track().mName, aName);
}

HResult XmlTrack::getArtist(QString* aArtist)
{
    return giveString(track().mArtist, aArtist);
}

HResult XmlTrack::getAlbum(QString* aAlbum)
{
    return giveString(track().mAlbum, aAlbum);
}

HResult XmlTrack::getSize(qint64* aSize)
{
    if (!aSize)
        return kInvalidPointer;
    *aSize = track().mSize;
    return kOk;
}

HResult XmlTrack::getCompilation(bool* aCompilation)
{
    if (!aCompilation)
        return kInvalidPointer;
    *aCompilation = track().mCompilation;
    return kOk;
}

HResult XmlTrack::getTrackNumber(qint32* aTrackNumber)
{
    if (!aTrackNumber)
        return kInvalidPointer;
    *aTrackNumber = track().mTrackNumber;
    return kOk;
}

HResult XmlTrack::getArtwork(std::shared_ptr<IITArtworkCollection>* aArtwork)
{
    if (!aArtwork)
        return kInvalidPointer;
    QList<EmbeddedArtworkReader::Picture> pictures;
    if (track().isFileTrack())
        pictures = EmbeddedArtworkReader::read(mContext->mResolver.resolve(track().mLocation));
    *aArtwork = std::make_shared<XmlArtworkCollection>(std::move(pictures));
    return kOk;
}

HResult XmlTrack::queryFileOrCDTrack(std::shared_ptr<IITFileOrCDTrack>* aFileTrack)
{
    if (!aFileTrack)
        return kInvalidPointer;
    // Streams, cloud tracks and tracks without a location have no local file.
    if (!track().isFileTrack())
        return kNoInterface;
    *aFileTrack = shared_from_this();
    return kOk;
}

HResult XmlTrack::getLocation(QString* aLocation)
{
    if (!aLocation)
        return kInvalidPointer;
    *aLocation = mContext->mResolver.resolve(track().mLocation);
    return kOk;
}

HResult XmlTrack::getDateAdded(double* aDate)
{
    if (!aDate)
        return kInvalidPointer;
    *aDate = track().mDateAdded;
    return kOk;
}

HResult XmlTrack::getPodcast(bool* aPodcast)
{
    if (!aPodcast)
        return kInvalidPointer;
    *aPodcast = track().mPodcast;
    return kOk;
}

HResult XmlTrack::getProtected(bool* aProtected)
{
    if (!aProtected)
        return kInvalidPointer;
    *aProtected = track().mProtected;
    return kOk;
}

XmlTrackCollection::XmlTrackCollection(std::shared_ptr<XmlLibraryContext> aContext,
                                       QList<qint32> aTrackIndexes)
    : mContext(std::move(aContext))
    , mTrackIndexes(std::move(aTrackIndexes))
{
}

HResult XmlTrackCollection::getCount(qint32* aCount)
{
    if (!aCount)
        return kInvalidPointer;
    *aCount = qint32(mTrackIndexes.size());
    return kOk;
}

HResult XmlTrackCollection::getItem(qint32 aIndex, std::shared_ptr<IITTrack>* aItem)
{
    if (!aItem)
        return kInvalidPointer;
    if (aIndex < 1 || aIndex > mTrackIndexes.size())
        return kInvalidArgument;
    *aItem = std::make_shared<XmlTrack>(mContext, mTrackIndexes.at(aIndex - 1));
    return kOk;
}
