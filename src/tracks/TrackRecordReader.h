#pragma once

#include <QString>

class TrackFileWindow;

// What the header of a cache file says, and where its rewritable items stand.
struct TrackCacheHeader
{
    qint32 mVersion = 0;
    qint64 mTotalSize = 0;
    qint32 mIntegrityValue = 0;
    // Offsets just behind tags 1002 and 1003 (where their items start); 0 until seen.
    qint64 mTotalSizeItemOffset = 0;
    qint64 mIntegrityItemOffset = 0;
};

// One record of a cache file as stored.
struct TrackRecord
{
    QString mTrackName;
    QString mAlbumName;
    QString mArtistName;
    QString mPath;
    qint32 mTrackNumber = 0;
    qint32 mFlags = 0;
    bool mHasFlags = false;
    qint64 mSizeOnDevice = 0;
    qint64 mDeviceIdOffset = 0;
    qint32 mDeviceIdLength = 0;
    // File offsets of the tag 7 and tag 9 of the record; 0 when absent.
    qint64 mFlagsPosition = 0;
    qint64 mDeviceIdPosition = 0;
};

// Parses the cache file format through a read window, from a current offset. Every length is
// checked against what is left of the file before it is used, so that a corrupt or hostile
// cache yields -6004 instead of a crash or a huge allocation.
class TrackRecordReader
{
public:
    explicit TrackRecordReader(TrackFileWindow& aWindow);

    qint64 offset() const { return mOffset; }
    void setOffset(qint64 aOffset) { mOffset = aOffset; }

    // From offset 0: the magic and the header items, stopping in front of the first record.
    qint32 readHeader(TrackCacheHeader& aHeader);
    // The record at the current offset; -5002 at the end of the file.
    qint32 readRecord(TrackRecord& aRecord);

    // aLength bytes of UTF-16LE text at aOffset of a window (used for the persistent ids).
    static qint32 readUtf16(TrackFileWindow& aWindow, qint64 aOffset, qint64 aLength,
                            QString& aText);

private:
    enum class Next { Item, End, Truncated, Failed };
    Next readInt32(qint32& aValue);
    qint32 readInt32Item(qint32& aValue);
    qint32 readInt64Item(qint64& aValue);
    qint32 readStringItem(QString& aText);
    qint32 badContent(const char* aWhat);

    TrackFileWindow& mWindow;
    qint64 mOffset = 0;
};
