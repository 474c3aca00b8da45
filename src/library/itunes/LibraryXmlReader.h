#pragma once

#include "library/itunes/LibrarySnapshot.h"

#include <QHash>
#include <QString>
#include <QXmlStreamReader>

#include <memory>

class ByteRangeDevice;
class QFile;
class QIODevice;

// Reads an iTunes library file ("iTunes Library.xml", an XML property list with a "Tracks"
// dictionary and a "Playlists" array) in one streaming pass. Values of the wrong type, unknown
// keys and playlist items naming missing tracks are skipped; only a file that is not a well-formed
// property list, or that has neither tracks nor playlists, is refused.
class LibraryXmlReader
{
public:
    // Parses aDevice. aLibraryPath is recorded in the snapshot. False with errorString() set when
    // the file is refused.
    bool read(QIODevice* aDevice, const QString& aLibraryPath);
    // Like read(), for an open file: a large one is read by two threads, each taking about half
    // of the "Tracks" dictionary. The result is the serial read's; whenever the split cannot be
    // shown to be exact (odd encodings, entities, a damaged file) the file is read serially.
    bool readFile(QFile& aFile, const QString& aLibraryPath);
    // Whether the last readFile() used the split read.
    bool readInParallel() const { return mReadInParallel; }
    // Files from this size on are split (tests lower it).
    static void setParallelMinimumBytes(qint64 aBytes);
    std::shared_ptr<const LibrarySnapshot> takeSnapshot() { return std::move(mSnapshot); }
    const QString& errorString() const { return mError; }

    // An ISO 8601 date as the automation's day count (days since 1899-12-30, UTC); 0 when the
    // text is not a date.
    static double automationDate(QStringView aIso);

private:
    struct PendingPlaylist
    {
        LibraryPlaylist mPlaylist;
        QList<qint64> mTrackIds;
        bool mMaster = false;
    };

    void reset();
    bool readPlist();
    bool readSplit(QFile& aFile);
    static qint64 findSplitPoint(int aFd, qint64 aFrom, qint64 aFileSize);
    void readRootDict();
    void readTracks();
    void readTrack(const QString& aKey);
    void readPlaylists();
    void readPlaylist();
    void readPlaylistItems(QList<qint64>& aTrackIds);
    bool nextKey(QString& aKey);
    bool readTextInto(QString& aBuffer);
    QString readString();
    bool readInteger(qint64& aValue);
    bool readBool(bool& aValue);
    QString intern(const QString& aValue);
    QString readInternedString();
    void build(const QString& aLibraryPath);

    QXmlStreamReader mXml;
    QString mKey;
    QString mScratch;
    QString mError;
    QString mMusicFolder;
    bool mMusicFolderSeen = false;
    // In a split read: the first part's device, the characters QXmlStreamReader does not count
    // (a byte order mark), and whether the "Tracks" dictionary closed at the made-up end.
    ByteRangeDevice* mSplitDevice = nullptr;
    qint64 mSplitUnitsBefore = 0;
    bool mSplitReached = false;
    bool mReadInParallel = false;
    bool mHaveTracks = false;
    bool mHavePlaylists = false;
    std::vector<LibraryTrack> mTracks;
    QHash<qint64, qint32> mIndexById;
    std::vector<PendingPlaylist> mPlaylists;
    QHash<QString, QString> mInterned;
    qint32 mMissingItems = 0;
    std::shared_ptr<const LibrarySnapshot> mSnapshot;
};
