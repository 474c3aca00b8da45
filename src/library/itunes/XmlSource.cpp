#include "library/itunes/XmlSource.h"

#include "library/itunes/XmlPlaylist.h"

using namespace itunes;

XmlSource::XmlSource(std::shared_ptr<XmlLibraryContext> aContext)
    : mContext(std::move(aContext))
{
}

HResult XmlSource::getName(QString* aName)
{
    if (!aName)
        return kInvalidPointer;
    *aName = QStringLiteral("Library");
    return kOk;
}

HResult XmlSource::getKind(qint32* aKind)
{
    if (!aKind)
        return kInvalidPointer;
    *aKind = kSourceKindLibrary;
    return kOk;
}

HResult XmlSource::getPlaylists(std::shared_ptr<IITPlaylistCollection>* aPlaylists)
{
    if (!aPlaylists)
        return kInvalidPointer;
    *aPlaylists = std::make_shared<XmlPlaylistCollection>(mContext);
    return kOk;
}

XmlSourceCollection::XmlSourceCollection(std::shared_ptr<XmlLibraryContext> aContext)
    : mContext(std::move(aContext))
{
}

HResult XmlSourceCollection::getCount(qint32* aCount)
{
    if (!aCount)
        return kInvalidPointer;
    *aCount = 1;
    return kOk;
}

HResult XmlSourceCollection::getItem(qint32 aIndex, std::shared_ptr<IITSource>* aItem)
{
    if (!aItem)
        return kInvalidPointer;
    if (aIndex != 1)
        return kInvalidArgument;
    *aItem = std::make_shared<XmlSource>(mContext);
    return kOk;
}
