#include "library/EmbeddedArtworkReader.h"

#include "app/DebugLog.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>

#include <aifffile.h>
#include <attachedpictureframe.h>
#include <fileref.h>
#include <flacfile.h>
#include <flacpicture.h>
#include <id3v2tag.h>
#include <mp4coverart.h>
#include <mp4file.h>
#include <mp4tag.h>
#include <mpegfile.h>
#include <opusfile.h>
#include <vorbisfile.h>
#include <wavfile.h>
#include <xiphcomment.h>

using EmbeddedPicture = EmbeddedArtworkReader::Picture;

namespace {

QByteArray toBytes(const TagLib::ByteVector& aVector)
{
    return QByteArray(aVector.data(), qsizetype(aVector.size()));
}

void addId3Pictures(TagLib::ID3v2::Tag* aTag, QList<EmbeddedPicture>& aPictures)
{
    if (!aTag)
        return;
    const TagLib::ID3v2::FrameList frames = aTag->frameListMap()["APIC"];
    for (TagLib::ID3v2::Frame* frame : frames) {
        auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame);
        if (!picture)
            continue;
        const QByteArray data = toBytes(picture->picture());
        aPictures.append({data, EmbeddedArtworkReader::formatOf(
                                    data, QString::fromStdString(picture->mimeType().to8Bit()))});
    }
}

void addFlacPictures(const TagLib::List<TagLib::FLAC::Picture*>& aList,
                     QList<EmbeddedPicture>& aPictures)
{
    for (TagLib::FLAC::Picture* picture : aList) {
        const QByteArray data = toBytes(picture->data());
        aPictures.append({data, EmbeddedArtworkReader::formatOf(
                                    data, QString::fromStdString(picture->mimeType().to8Bit()))});
    }
}

void addMp4Pictures(TagLib::MP4::Tag* aTag, QList<EmbeddedPicture>& aPictures)
{
    if (!aTag || !aTag->contains("covr"))
        return;
    const TagLib::MP4::CoverArtList covers = aTag->item("covr").toCoverArtList();
    for (const TagLib::MP4::CoverArt& cover : covers) {
        const QByteArray data = toBytes(cover.data());
        QString mime;
        switch (cover.format()) {
        case TagLib::MP4::CoverArt::JPEG: mime = QStringLiteral("image/jpeg"); break;
        case TagLib::MP4::CoverArt::PNG: mime = QStringLiteral("image/png"); break;
        case TagLib::MP4::CoverArt::BMP: mime = QStringLiteral("image/bmp"); break;
        default: break;
        }
        aPictures.append({data, EmbeddedArtworkReader::formatOf(data, mime)});
    }
}

} // namespace

qint32 EmbeddedArtworkReader::formatOf(const QByteArray& aData, const QString& aMimeType)
{
    if (aData.startsWith("\xFF\xD8\xFF"))
        return LibraryArtwork::Jpeg;
    if (aData.startsWith("\x89PNG\r\n\x1A\n"))
        return LibraryArtwork::Png;
    if (aData.startsWith("BM"))
        return LibraryArtwork::Bmp;
    if (aData.size() >= 8)
        return LibraryArtwork::None;
    const QString mime = aMimeType.toLower();
    if (mime == QLatin1String("image/jpeg") || mime == QLatin1String("image/jpg"))
        return LibraryArtwork::Jpeg;
    if (mime == QLatin1String("image/png"))
        return LibraryArtwork::Png;
    if (mime == QLatin1String("image/bmp"))
        return LibraryArtwork::Bmp;
    return LibraryArtwork::None;
}

QList<EmbeddedPicture> EmbeddedArtworkReader::read(const QString& aPath)
{
    LogScope scope("EmbeddedArtworkReader::read");
    QList<EmbeddedPicture> pictures;
    const QByteArray encoded = QFile::encodeName(aPath);
    TagLib::FileRef ref(encoded.constData(), false);
    if (ref.isNull()) {
        logValue("TagLib cannot read", aPath);
        return pictures;
    }
    TagLib::File* file = ref.file();
    if (auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(file)) {
        addId3Pictures(mpeg->ID3v2Tag(false), pictures);
    } else if (auto* mp4 = dynamic_cast<TagLib::MP4::File*>(file)) {
        addMp4Pictures(mp4->tag(), pictures);
    } else if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(file)) {
        addFlacPictures(flac->pictureList(), pictures);
        if (pictures.isEmpty() && flac->hasXiphComment())
            addFlacPictures(flac->xiphComment()->pictureList(), pictures);
        if (pictures.isEmpty() && flac->hasID3v2Tag())
            addId3Pictures(flac->ID3v2Tag(), pictures);
    } else if (auto* vorbis = dynamic_cast<TagLib::Ogg::Vorbis::File*>(file)) {
        if (vorbis->tag())
            addFlacPictures(vorbis->tag()->pictureList(), pictures);
    } else if (auto* opus = dynamic_cast<TagLib::Ogg::Opus::File*>(file)) {
        if (opus->tag())
            addFlacPictures(opus->tag()->pictureList(), pictures);
    } else if (auto* aiff = dynamic_cast<TagLib::RIFF::AIFF::File*>(file)) {
        if (aiff->hasID3v2Tag())
            addId3Pictures(aiff->tag(), pictures);
    } else if (auto* wav = dynamic_cast<TagLib::RIFF::WAV::File*>(file)) {
        if (wav->hasID3v2Tag())
            addId3Pictures(wav->ID3v2Tag(), pictures);
    }
    logValue("pictures", qint64(pictures.size()));
    return pictures;
}

LibraryArtwork EmbeddedArtworkReader::artworkOf(const QString& aPath)
{
    LibraryArtwork artwork;
    if (aPath.isEmpty())
        return artwork;
    for (const Picture& picture : read(aPath)) {
        if (picture.mFormat != LibraryArtwork::None) {
            artwork.mFormat = LibraryArtwork::Format(picture.mFormat);
            artwork.mData = picture.mData;
            return artwork;
        }
    }
    return coverBeside(aPath);
}

LibraryArtwork EmbeddedArtworkReader::coverBeside(const QString& aPath)
{
    LibraryArtwork artwork;
    const QDir folder = QFileInfo(aPath).absoluteDir();
    // The names players and rippers write; any case, since they come from every system.
    const QStringList names = folder.entryList(QDir::Files | QDir::Readable);
    for (const char* base : {"cover", "folder", "front"}) {
        for (const QString& name : names) {
            const qsizetype dot = name.lastIndexOf(u'.');
            if (dot <= 0 || name.left(dot).compare(QLatin1String(base), Qt::CaseInsensitive) != 0)
                continue;
            QFile file(folder.filePath(name));
            // Album art is a picture of a few hundred kilobytes; anything huge is not one.
            if (file.size() > kMaximumCoverBytes || !file.open(QIODevice::ReadOnly))
                continue;
            const QByteArray data = file.readAll();
            const qint32 format = formatOf(data, QString());
            if (format == LibraryArtwork::None)
                continue;
            logValue("Cover file beside the track", file.fileName());
            artwork.mFormat = LibraryArtwork::Format(format);
            artwork.mData = data;
            return artwork;
        }
    }
    return artwork;
}
