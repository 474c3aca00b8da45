#include "library/itunes/XmlArtwork.h"

#include "app/DebugLog.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

using namespace itunes;

XmlArtwork::XmlArtwork(EmbeddedArtworkReader::Picture aPicture)
    : mPicture(std::move(aPicture))
{
}

HResult XmlArtwork::getFormat(qint32* aFormat)
{
    if (!aFormat)
        return kInvalidPointer;
    *aFormat = mPicture.mFormat;
    return kOk;
}

HResult XmlArtwork::saveArtworkToFile(const QString& aFullPath)
{
    LogScope scope("XmlArtwork::saveArtworkToFile");
    if (aFullPath.isEmpty())
        return kInvalidArgument;
    QDir().mkpath(QFileInfo(aFullPath).absolutePath());
    QSaveFile file(aFullPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(mPicture.mData) != mPicture.mData.size()
        || !file.commit()) {
        logValue("Could not write artwork file", aFullPath);
        return kWriteFault;
    }
    return kOk;
}

XmlArtworkCollection::XmlArtworkCollection(QList<EmbeddedArtworkReader::Picture> aPictures)
    : mPictures(std::move(aPictures))
{
}

HResult XmlArtworkCollection::getCount(qint32* aCount)
{
    if (!aCount)
        return kInvalidPointer;
    *aCount = qint32(mPictures.size());
    return kOk;
}

HResult XmlArtworkCollection::getItem(qint32 aIndex, std::shared_ptr<IITArtwork>* aItem)
{
    if (!aItem)
        return kInvalidPointer;
    if (aIndex < 1 || aIndex > mPictures.size())
        return kInvalidArgument;
    *aItem = std::make_shared<XmlArtwork>(mPictures.at(aIndex - 1));
    return kOk;
}
