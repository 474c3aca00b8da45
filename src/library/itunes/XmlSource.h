#pragma once

#include "library/itunes/ITunesAutomation.h"
#include "library/itunes/XmlLibraryContext.h"

// The library source: the one source a library file describes.
class XmlSource : public itunes::IITSource
{
public:
    explicit XmlSource(std::shared_ptr<XmlLibraryContext> aContext);
    itunes::HResult getName(QString* aName) override;
    itunes::HResult getKind(qint32* aKind) override;
    itunes::HResult getPlaylists(std::shared_ptr<itunes::IITPlaylistCollection>* aPlaylists) override;

private:
    std::shared_ptr<XmlLibraryContext> mContext;
};

class XmlSourceCollection : public itunes::IITSourceCollection
{
public:
    explicit XmlSourceCollection(std::shared_ptr<XmlLibraryContext> aContext);
    itunes::HResult getCount(qint32* aCount) override;
    itunes::HResult getItem(qint32 aIndex, std::shared_ptr<itunes::IITSource>* aItem) override;

private:
    std::shared_ptr<XmlLibraryContext> mContext;
};
