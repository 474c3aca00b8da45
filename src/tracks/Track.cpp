#include "tracks/Track.h"

#include "app/AppPaths.h"
#include "app/DebugLog.h"

#include <algorithm>
#include <charconv>

Track::Track(const QString& aTrackName, const QString& aAlbumName, const QString& aArtistName,
             qint32 aTrackNumberOnAlbum, const QString& aPath, bool aOnLocalSyncPlaylist,
             bool aOnRemoteDevice, bool aInCache, const QString& aDeviceId)
    : mTrackName(aTrackName), mAlbumName(aAlbumName), mArtistName(aArtistName), mPath(aPath),
      mTrackNumberOnAlbum(aTrackNumberOnAlbum), mDeviceId(aDeviceId),
      mOnLocalSyncPlaylist(aOnLocalSyncPlaylist), mOnRemoteDevice(aOnRemoteDevice),
      mInCache(aInCache)
{
}

void Track::set(const QString& aTrackName, const QString& aAlbumName, const QString& aArtistName,
                qint32 aTrackNumberOnAlbum, const QString& aPath, bool aOnLocalSyncPlaylist,
                bool aOnRemoteDevice, bool aInCache, const QString& aDeviceId,
                qint32 aFlagsFilePosition, qint64 aSizeOnDevice)
{
    mTrackName = aTrackName;
    mAlbumName = aAlbumName;
    mArtistName = aArtistName;
    mTrackNumberOnAlbum = aTrackNumberOnAlbum;
    mPath = aPath;
    mOnLocalSyncPlaylist = aOnLocalSyncPlaylist;
    mOnRemoteDevice = aOnRemoteDevice;
    mInCache = aInCache;
    mDeviceId = aDeviceId;
    mFlagsFilePosition = aFlagsFilePosition;
    mSizeOnDevice = aSizeOnDevice;
}

qint64 Track::sizeOnDevice() const
{
    return mDeviceId.isEmpty() ? 0 : mSizeOnDevice;
}

namespace {

// The position of the dot that starts the extension of aPath's last part, or -1.
qsizetype extensionDot(QStringView aPath)
{
    const qsizetype nameStart = std::max(aPath.lastIndexOf(u'/'), aPath.lastIndexOf(u'\\')) + 1;
    const qsizetype dot = aPath.lastIndexOf(u'.');
    return dot >= nameStart ? dot : -1;
}

} // namespace

QString Track::fileExtension() const
{
    const qsizetype dot = extensionDot(mPath);
    return dot < 0 ? QString() : mPath.mid(dot + 1);
}

bool Track::needsConversion() const
{
    return mConvertToMp3
           && fileExtension().compare(QLatin1String("mp3"), Qt::CaseInsensitive) != 0;
}

QString Track::convertedFileName(const QString& aFileName)
{
    const qsizetype dot = extensionDot(aFileName);
    return (dot < 0 ? aFileName + u'.' : aFileName.left(dot + 1)) + QLatin1String("mp3");
}

QString Track::conversionOutputPath()
{
    return AppPaths::corvoFolder() + QStringLiteral("/temp.mp3");
}

QString Track::uploadSourcePath() const
{
    return needsConversion() ? conversionOutputPath() : mPath;
}

QString Track::uniqueId() const
{
    // Built in one allocation: the id of every track is computed on every merge.
    char number[16];
    const auto converted = std::to_chars(number, number + sizeof number, mTrackNumberOnAlbum);
    const QLatin1StringView digits(number, converted.ptr);
    const bool mp3 = needsConversion() || mConverted
                     || (mPath.size() > 3
                         && QStringView(mPath).right(3).compare(QLatin1String("mp3"),
                                                                Qt::CaseInsensitive) == 0);
    QString id;
    id.reserve(mTrackName.size() + mAlbumName.size() + mArtistName.size() + digits.size()
               + (mp3 ? 3 : 0));
    id.append(mTrackName).append(mAlbumName).append(mArtistName).append(digits);
    if (mp3)
        id.append(QLatin1String("mp3"));
    return id;
}

void Track::dump() const
{
    if (!DebugLog::instance().isOpen())
        return;
    logMessage("        Track:");
    logValue("            mTrackName", mTrackName);
    logValue("            mAlbumName", mAlbumName);
    logValue("            mArtistName", mArtistName);
    logValue("            mPath", mPath);
    logValue("            mTrackNumberOnAlbum", mTrackNumberOnAlbum);
    logValue("            mITunesId", mITunesId);
    logValue("            mDeviceId", mDeviceId);
    logValue("            mSizeOnDevice", qint64(qint32(mSizeOnDevice & 0xffffffff)));
    logValue("\t\t\t mDateAdded", qint64(qint32(mDateAdded & 0xffffffff)));
    logMessage(mOnLocalSyncPlaylist ? "            mOnLocalSyncPlaylist: true"
                                    : "            mOnLocalSyncPlaylist: false");
    logMessage(mOnRemoteDevice ? "            mOnRemoteDevice: true"
                               : "            mOnRemoteDevice: false");
    logMessage(mInCache ? "            mInCache: true" : "            mInCache: false");
    logValue("            mFlagsFilePosition", mFlagsFilePosition);
}
