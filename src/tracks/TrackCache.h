#pragma once

#include "tracks/TrackCacheFormat.h"
#include "tracks/TrackFileWindow.h"
#include "tracks/TrackRecordReader.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <memory>

class SettingsSnapshot;
class Track;
class TrackList;

// The per-phone record of what the system has put on the phone: a cache file of tagged track
// records and a persistent-ids file holding the phones' file identifiers as raw UTF-16 text.
// Records are appended and their flags updated in place; nothing is ever rewritten as a whole.
// Every operation returns 0 or one of the TrackCacheResult codes.
class TrackCache
{
public:
    TrackCache();
    ~TrackCache();
    TrackCache(const TrackCache&) = delete;
    TrackCache& operator=(const TrackCache&) = delete;

    // Opens the cache that aSettings name for the phone; -5001 when a new cache was made, -5003
    // without a settings file, -6000 for a phone that is not set up.
    qint32 open(const SettingsSnapshot& aSettings, const QString& aUniqueDeviceId);
    // Opens the cache file at aCacheFilePath and its persistent-ids file beside it.
    qint32 openFile(const QString& aCacheFilePath);
    // The same with file objects that name the two files but are not open yet.
    qint32 openFiles(std::unique_ptr<QFile> aCacheFile, std::unique_ptr<QFile> aIdsFile);
    qint32 close();
    bool isOpen() const { return mCacheFile != nullptr; }

    qint32 readHeader();
    qint32 readTrack(Track& aTrack);
    qint32 readAndAddTrack(TrackList& aTrackList);
    // Reads the header and up to aMaxCount records (-1: all) into aTrackList.
    qint32 updateTrackList(TrackList& aTrackList, qint32 aMaxCount = -1);

    // Records a track that was copied to the phone.
    qint32 addTrack(const Track& aTrack);
    // Records that a track was deleted from the phone; its record stays.
    qint32 removeDeletedTrack(const Track& aTrack);

    qint32 setTotalSizeOfUploadedFiles(qint64 aSize);
    qint32 incrementTotalSizeOfUploadedFiles(qint64 aBytes);
    // Clamps at 0.
    qint32 decrementTotalSizeOfUploadedFiles(qint64 aBytes);
    qint64 totalSizeOfUploadedFiles() const { return mTotalSizeOfUploadedFiles; }

    qint32 writeHeader();
    // The integrity value is the cache file's size; aCacheSize spares asking the file for it.
    qint32 writeIntegrityValue(qint64 aCacheSize = -1);
    // Empties the cache file and writes a new header; the persistent ids stay.
    qint32 clear();

    QString cacheFilePath() const;
    static QString persistentIdsFilePath(const QString& aCacheFilePath);
    // The place of a cache file named in the settings file: always inside the CORVO folder
    // (a name from elsewhere keeps only its file name); empty when no usable name is left.
    static QString resolveCacheFilePath(const QString& aCacheFileName);

private:
    void resetState();
    qint32 writeAt(qint64 aOffset, const QByteArray& aBytes);
    qint32 appendRecord(const QByteArray& aBytes, qint64& aNewSize);
    qint32 appendDeviceId(const QByteArray& aBytes, qint64& aOffset);
    qint32 readAt(qint64 aOffset, qint64 aCount, QByteArray& aBytes);
    qint32 readFlagsAt(qint64 aFlagsPosition, qint32& aFlags);
    qint32 checkDeviceIdReferenceAt(qint64 aPosition);
    qint32 rewriteTotal(qint64 aNewTotal);
    // The integrity value (aCacheSize, or the file's size when negative) and the total size
    // grown by aAddedBytes.
    qint32 writeHeaderValues(qint64 aCacheSize, qint64 aAddedBytes);
    // The files' sizes, kept as they are written rather than asked of the file each time.
    qint64 cacheFileEnd();
    qint64 idsFileEnd();

    std::unique_ptr<QFile> mCacheFile;
    std::unique_ptr<QFile> mIdsFile;
    // -1 when not known.
    qint64 mCacheEnd = -1;
    qint64 mIdsEnd = -1;
    TrackFileWindow mCacheWindow;
    TrackFileWindow mIdsWindow;
    TrackRecordReader mReader;
    qint64 mTotalSizeOfUploadedFiles = 0;
    // Where the items behind tags 1002 and 1003 start; 0 until the header was read or written.
    qint64 mTotalSizeItemOffset = 0;
    qint64 mIntegrityItemOffset = 0;
};
