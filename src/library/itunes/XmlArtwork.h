#pragma once

#include "library/itunes/EmbeddedArtworkReader.h"
#include "library/itunes/ITunesAutomation.h"

#include <QList>

// One picture embedded in a track's file.
class XmlArtwork : public itunes::IITArtwork
{
public:
    explicit XmlArtwork(EmbeddedArtworkReader::Picture aPicture);
    itunes::HResult getFormat(qint32* aFormat) override;
    itunes::HResult saveArtworkToFile(const QString& aFullPath) override;

private:
    EmbeddedArtworkReader::Picture mPicture;
};

// The pictures embedded in a track's file, in file order.
class XmlArtworkCollection : public itunes::IITArtworkCollection
{
public:
    explicit XmlArtworkCollection(QList<EmbeddedArtworkReader::Picture> aPictures);
    itunes::HResult getCount(qint32* aCount) override;
    itunes::HResult getItem(qint32 aIndex, std::shared_ptr<itunes::IITArtwork>* aItem) override;

private:
    QList<EmbeddedArtworkReader::Picture> mPictures;
};
