#include "library/MusicFolderBuilder.h"

#include "app/HelperLookup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>

#include <attachedpictureframe.h>
#include <fileref.h>
#include <flacfile.h>
#include <flacpicture.h>
#include <id3v2tag.h>
#include <mp4coverart.h>
#include <mp4file.h>
#include <mp4tag.h>
#include <mpegfile.h>
#include <tpropertymap.h>

namespace {

QTemporaryDir& toneFolder()
{
    static QTemporaryDir folder;
    return folder;
}

bool runFfmpeg(const QStringList& aArguments)
{
    const QString ffmpeg = HelperLookup::find(QStringLiteral("ffmpeg/ffmpeg"), QStringLiteral("ffmpeg"));
    if (ffmpeg.isEmpty())
        return false;
    QProcess process;
    process.start(ffmpeg, QStringList{"-v", "error", "-y"} + aArguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit
           && process.exitCode() == 0;
}

TagLib::String text(const QString& aText)
{
    return TagLib::String(aText.toStdWString());
}

TagLib::ByteVector bytes(const QByteArray& aData)
{
    return TagLib::ByteVector(aData.constData(), unsigned(aData.size()));
}

} // namespace

MusicFolderBuilder::MusicFolderBuilder(const QString& aRoot)
    : mRoot(aRoot)
{
    QDir().mkpath(aRoot);
}

QString MusicFolderBuilder::tone(const QString& aExtension)
{
    const QString path = toneFolder().path() + QStringLiteral("/tone.") + aExtension;
    if (QFileInfo::exists(path))
        return path;
    static const QHash<QString, QStringList> kCodecs{
        {"mp3", {"-c:a", "libmp3lame"}}, {"m4a", {"-c:a", "aac"}},
        {"flac", {"-c:a", "flac"}},      {"ogg", {"-c:a", "libvorbis"}},
        {"opus", {"-c:a", "libopus"}},   {"wav", {"-c:a", "pcm_s16le"}},
        {"aiff", {"-c:a", "pcm_s16be"}}, {"wma", {"-c:a", "wmav2"}}};
    if (!kCodecs.contains(aExtension)) {
        mError = QStringLiteral("no codec for .") + aExtension;
        return QString();
    }
    // No tags of ffmpeg's own: what a file has is what the test writes.
    const QStringList arguments = QStringList{"-f", "lavfi", "-i", "sine=frequency=440:duration=0.5",
                                              "-map_metadata", "-1", "-fflags", "+bitexact",
                                              "-flags:a", "+bitexact"}
                                  + kCodecs.value(aExtension) + QStringList{path};
    if (!runFfmpeg(arguments)) {
        mError = QStringLiteral("ffmpeg could not encode a .") + aExtension + QStringLiteral(" tone");
        return QString();
    }
    return path;
}

QString MusicFolderBuilder::addUntagged(const QString& aRelativePath)
{
    const QString source = tone(QFileInfo(aRelativePath).suffix().toLower());
    if (source.isEmpty())
        return QString();
    const QString path = mRoot + QLatin1Char('/') + aRelativePath;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile::remove(path);
    if (!QFile::copy(source, path)) {
        mError = QStringLiteral("cannot copy to ") + path;
        return QString();
    }
    QFile(path).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
    return path;
}

QString MusicFolderBuilder::addTrack(const QString& aRelativePath, const Tags& aTags)
{
    const QString path = addUntagged(aRelativePath);
    if (path.isEmpty())
        return QString();
    if (!writeTags(path, aTags)) {
        mError = QStringLiteral("TagLib could not tag ") + path;
        return QString();
    }
    return path;
}

QString MusicFolderBuilder::writeFile(const QString& aRelativePath, const QByteArray& aContent)
{
    const QString path = mRoot + QLatin1Char('/') + aRelativePath;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(aContent) != aContent.size())
        return QString();
    return path;
}

bool MusicFolderBuilder::setModified(const QString& aRelativePath, const QDateTime& aWhen)
{
    QFile file(mRoot + QLatin1Char('/') + aRelativePath);
    return file.open(QIODevice::ReadWrite) && file.setFileTime(aWhen, QFileDevice::FileModificationTime);
}

bool MusicFolderBuilder::writeTags(const QString& aPath, const Tags& aTags)
{
    const QByteArray name = QFile::encodeName(aPath);
    TagLib::FileRef ref(name.constData(), false);
    if (ref.isNull())
        return false;
    TagLib::PropertyMap properties;
    const auto set = [&](const char* aKey, const QString& aValue) {
        if (!aValue.isEmpty())
            properties.replace(aKey, TagLib::StringList(text(aValue)));
    };
    set("TITLE", aTags.mTitle);
    set("ARTIST", aTags.mArtist);
    set("ALBUMARTIST", aTags.mAlbumArtist);
    set("ALBUM", aTags.mAlbum);
    set("COMPOSER", aTags.mComposer);
    set("GENRE", aTags.mGenre);
    if (aTags.mTrack)
        set("TRACKNUMBER", QString::number(aTags.mTrack));
    if (aTags.mDisc)
        set("DISCNUMBER", QString::number(aTags.mDisc));
    if (aTags.mYear)
        set("DATE", QString::number(aTags.mYear));
    if (aTags.mCompilation)
        set("COMPILATION", QStringLiteral("1"));
    ref.file()->setProperties(properties);
    if (!aTags.mJpeg.isEmpty()) {
        if (auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(ref.file())) {
            auto* frame = new TagLib::ID3v2::AttachedPictureFrame;
            frame->setMimeType("image/jpeg");
            frame->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
            frame->setPicture(bytes(aTags.mJpeg));
            mpeg->ID3v2Tag(true)->addFrame(frame);
        } else if (auto* mp4 = dynamic_cast<TagLib::MP4::File*>(ref.file())) {
            TagLib::MP4::CoverArtList covers;
            covers.append(TagLib::MP4::CoverArt(TagLib::MP4::CoverArt::JPEG, bytes(aTags.mJpeg)));
            mp4->tag()->setItem("covr", covers);
        } else if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(ref.file())) {
            auto* picture = new TagLib::FLAC::Picture;
            picture->setMimeType("image/jpeg");
            picture->setType(TagLib::FLAC::Picture::FrontCover);
            picture->setData(bytes(aTags.mJpeg));
            flac->addPicture(picture);
        } else {
            return false;
        }
    }
    return ref.save();
}

QByteArray MusicFolderBuilder::jpeg(const char* aColour)
{
    const QString path = toneFolder().path() + QStringLiteral("/%1.jpg").arg(QLatin1String(aColour));
    if (!QFileInfo::exists(path)
        && !runFfmpeg({"-f", "lavfi", "-i", QStringLiteral("color=c=%1:s=16x16").arg(QLatin1String(aColour)),
                       "-frames:v", "1", path}))
        return QByteArray();
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
