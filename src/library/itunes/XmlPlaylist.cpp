#include "library/itunes/XmlPlaylist.h"

#include "library/itunes/TrackSearchIndex.h"
#include "library/itunes/XmlTrack.h"

#include <algorithm>
#include <vector>

using namespace itunes;

XmlPlaylist::XmlPlaylist(std::shared_ptr<XmlLibraryContext> aContext, qint32 aPlaylistIndex)
    : mContext(std::move(aContext))
    , mPlaylistIndex(aPlaylistIndex)
{
}

const LibraryPlaylist& XmlPlaylist::playlist() const
{
    return mContext->mSnapshot->playlists()[size_t(mPlaylistIndex)];
}

HResult XmlPlaylist::getName(QString* aName)
{
    if (!aName)
        return kInvalidPointer;
    *aName = playlist().mName;
    return kOk;
}

HResult XmlPlaylist::getKind(qint32* aKind)
{
    if (!aKind)
        return kInvalidPointer;
    *aKind = playlist().mKind;
    return kOk;
}

HResult XmlPlaylist::getSize(double* aSize)
{
    if (!aSize)
        return kInvalidPointer;
    *aSize = playlist().mSize;
    return kOk;
}

HResult XmlPlaylist::getTracks(std::shared_ptr<IITTrackCollection>* aTracks)
{
    if (!aTracks)
        return kInvalidPointer;
    *aTracks = std::make_shared<XmlTrackCollection>(mContext, playlist().mTrackIndexes);
    return kOk;
}

HResult XmlPlaylist::search(const QString& aText, qint32 aSearchField,
                            std::shared_ptr<IITTrackCollection>* aTracks)
{
    if (!aTracks)
        return kInvalidPointer;
    if (aSearchField != kSearchFieldAll)
        return kInvalidArgument;
    const std::vector<qint32> found = mContext->mSnapshot->searchIndex().tracksWithAllWords(
        aText.split(QChar(u' '), Qt::SkipEmptyParts));
    const LibraryPlaylist& list = playlist();
    QList<qint32> matches;
    if (list.mAscending) {
        // Both lists rise: the playlist's order is the found order, and each found track is
        // looked up rather than every track of the playlist walked.
        for (const qint32 index : found) {
            if (std::binary_search(list.mTrackIndexes.cbegin(), list.mTrackIndexes.cend(), index))
                matches.append(index);
        }
    } else if (!found.empty()) {
        std::vector<bool> isFound(mContext->mSnapshot->tracks().size(), false);
        for (const qint32 index : found)
            isFound[size_t(index)] = true;
        for (const qint32 index : list.mTrackIndexes) {
            if (isFound[size_t(index)])
                matches.append(index);
        }
    }
    *aTracks = std::make_shared<XmlTrackCollection>(mContext, std::move(matches));
    return kOk;
}

HResult XmlPlaylist::queryUserPlaylist(std::shared_ptr<IITUserPlaylist>* aUserPlaylist)
{
    if (!aUserPlaylist)
        return kInvalidPointer;
    if (playlist().mKind != kPlaylistKindUser)
        return kNoInterface;
    *aUserPlaylist = shared_from_this();
    return kOk;
}

HResult XmlPlaylist::getSpecialKind(qint32* aSpecialKind)
{
    if (!aSpecialKind)
        return kInvalidPointer;
    *aSpecialKind = playlist().mSpecialKind;
    return kOk;
}

XmlPlaylistCollection::XmlPlaylistCollection(std::shared_ptr<XmlLibraryContext> aContext)
    : mContext(std::move(aContext))
{
}

HResult XmlPlaylistCollection::getCount(qint32* aCount)
{
    if (!aCount)
        return kInvalidPointer;
    *aCount = qint32(mContext->mSnapshot->playlists().size());
    return kOk;
}

HResult XmlPlaylistCollection::getItem(qint32 aIndex, std::shared_ptr<IITPlaylist>* aItem)
{
    if (!aItem)
        return kInvalidPointer;
    if (aIndex < 1 || aIndex > qint32(mContext->mSnapshot->playlists().size()))
        return kInvalidArgument;
    *aItem = std::make_shared<XmlPlaylist>(mContext, aIndex - 1);
    return kOk;
}
