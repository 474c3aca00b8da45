#pragma once

#include "library/itunes/ITunesAutomation.h"
#include "library/itunes/XmlLibraryContext.h"

#include <QList>

// One track of the library file. Tracks with a file location are also file tracks.
class XmlTrack : public itunes::IITFileOrCDTrack, public std::enable_shared_from_this<XmlTrack>
{
public:
    XmlTrack(std::shared_ptr<XmlLibraryContext> aContext, qint32 aTrackIndex);

    itunes::HResult getName(QString* aName) override;
    itunes::HResult getArtist(QString* aArtist) override;
    itunes::HResult getAlbum(QString* aAlbum) override;
    itunes::HResult getSize(qint64* aSize) override;
    itunes::HResult getCompilation(bool* aCompilation) override;
    itunes::HResult getTrackNumber(qint32* aTrackNumber) override;
    itunes::HResult getArtwork(std::shared_ptr<itunes::IITArtworkCollection>* aArtwork) override;
    itunes::HResult queryFileOrCDTrack(std::shared_ptr<itunes::IITFileOrCDTrack>* aFileTrack) override;
    itunes::HResult getLocation(QString* aLocation) override;
    itunes::HResult getDateAdded(double* aDate) override;
    itunes::HResult getPodcast(bool* aPodcast) override;
    itunes::HResult getProtected(bool* aProtected) override;

private:
    const LibraryTrack& track() const;
    itunes::HResult giveString(const QString& aValue, QString* aOut) const;

    std::shared_ptr<XmlLibraryContext> mContext;
    qint32 mTrackIndex;
};

// Tracks of a playlist or of a search, in order.
class XmlTrackCollection : public itunes::IITTrackCollection
{
public:
    XmlTrackCollection(std::shared_ptr<XmlLibraryContext> aContext, QList<qint32> aTrackIndexes);

    itunes::HResult getCount(qint32* aCount) override;
    itunes::HResult getItem(qint32 aIndex, std::shared_ptr<itunes::IITTrack>* aItem) override;

private:
    std::shared_ptr<XmlLibraryContext> mContext;
    QList<qint32> mTrackIndexes;
};
