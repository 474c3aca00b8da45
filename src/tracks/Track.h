#pragma once

#include <QString>

// One music track, podcast episode or video as a synchronisation sees it: what the library says
// about it, what the phone's track cache says about it, and where it stands in the current run.
class Track
{
public:
    Track() = default;
    Track(const QString& aTrackName, const QString& aAlbumName, const QString& aArtistName,
          qint32 aTrackNumberOnAlbum, const QString& aPath, bool aOnLocalSyncPlaylist,
          bool aOnRemoteDevice, bool aInCache, const QString& aDeviceId);

    // Full setter, used by the track cache.
    void set(const QString& aTrackName, const QString& aAlbumName, const QString& aArtistName,
             qint32 aTrackNumberOnAlbum, const QString& aPath, bool aOnLocalSyncPlaylist,
             bool aOnRemoteDevice, bool aInCache, const QString& aDeviceId,
             qint32 aFlagsFilePosition, qint64 aSizeOnDevice);

    const QString& trackName() const { return mTrackName; }
    const QString& albumName() const { return mAlbumName; }
    const QString& artistName() const { return mArtistName; }
    const QString& path() const { return mPath; }
    qint32 trackNumberOnAlbum() const { return mTrackNumberOnAlbum; }
    const QString& iTunesId() const { return mITunesId; }
    const QString& deviceId() const { return mDeviceId; }
    bool onLocalSyncPlaylist() const { return mOnLocalSyncPlaylist; }
    bool onRemoteDevice() const { return mOnRemoteDevice; }
    bool inCache() const { return mInCache; }
    qint32 flagsFilePosition() const { return mFlagsFilePosition; }
    qint64 deviceIdFilePosition() const { return mDeviceIdFilePosition; }
    qint64 rawSizeOnDevice() const { return mSizeOnDevice; }
    qint64 localSize() const { return mLocalSize; }
    qint64 dateAdded() const { return mDateAdded; }
    bool convertToMp3() const { return mConvertToMp3; }
    qint32 conversionBitRate() const { return mConversionBitRate; }
    bool converted() const { return mConverted; }
    qint32 duration() const { return mDuration; }
    bool compilation() const { return mCompilation; }

    void setTrackName(const QString& aValue) { mTrackName = aValue; }
    void setAlbumName(const QString& aValue) { mAlbumName = aValue; }
    void setArtistName(const QString& aValue) { mArtistName = aValue; }
    void setPath(const QString& aValue) { mPath = aValue; }
    void setTrackNumberOnAlbum(qint32 aValue) { mTrackNumberOnAlbum = aValue; }
    void setITunesId(const QString& aValue) { mITunesId = aValue; }
    void setDeviceId(const QString& aValue) { mDeviceId = aValue; }
    void setOnLocalSyncPlaylist(bool aValue) { mOnLocalSyncPlaylist = aValue; }
    void setOnRemoteDevice(bool aValue) { mOnRemoteDevice = aValue; }
    void setInCache(bool aValue) { mInCache = aValue; }
    void setFlagsFilePosition(qint32 aValue) { mFlagsFilePosition = aValue; }
    void setDeviceIdFilePosition(qint64 aValue) { mDeviceIdFilePosition = aValue; }
    void setSizeOnDevice(qint64 aValue) { mSizeOnDevice = aValue; }
    void setLocalSize(qint64 aValue) { mLocalSize = aValue; }
    void setDateAdded(qint64 aValue) { mDateAdded = aValue; }
    void setConvertToMp3(bool aValue) { mConvertToMp3 = aValue; }
    void setConversionBitRate(qint32 aValue) { mConversionBitRate = aValue; }
    void setConverted(bool aValue) { mConverted = aValue; }
    void setDuration(qint32 aValue) { mDuration = aValue; }
    void setCompilation(bool aValue) { mCompilation = aValue; }

    // mSizeOnDevice, or 0 while the track has no device id.
    qint64 sizeOnDevice() const;
    // The text after the last dot of the file's name, or empty when the name has no dot.
    QString fileExtension() const;
    // To be converted to MP3 and not an MP3 already.
    bool needsConversion() const;
    // aFileName with its extension replaced by "mp3" ("x.aiff" gives "x.mp3"), or with ".mp3"
    // appended when it has none: the name a converted track has on the phone.
    static QString convertedFileName(const QString& aFileName);
    // The file to copy to the phone: the conversion output when converting, else the path.
    QString uploadSourcePath() const;
    // Name, album, artist and track number, plus "mp3" for tracks that are (or become) MP3.
    QString uniqueId() const;
    // The conversion output shared by every converted track.
    static QString conversionOutputPath();

    void dump() const;

private:
    QString mTrackName;
    QString mAlbumName;
    QString mArtistName;
    QString mPath;
    qint32 mTrackNumberOnAlbum = 0;
    QString mITunesId;
    QString mDeviceId;
    bool mOnLocalSyncPlaylist = false;
    bool mOnRemoteDevice = false;
    bool mInCache = false;
    qint32 mFlagsFilePosition = 0;
    qint64 mDeviceIdFilePosition = 0;
    qint64 mSizeOnDevice = 0;
    qint64 mLocalSize = 0;
    qint64 mDateAdded = 0;
    bool mConvertToMp3 = false;
    qint32 mConversionBitRate = 0;
    bool mConverted = false;
    qint32 mDuration = 0;
    bool mCompilation = false;
};
