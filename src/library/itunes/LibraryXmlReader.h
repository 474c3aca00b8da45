#pragma once

#include "library/itunes/LibraryPlistContent.h"

#include <QHash>
#include <QString>
#include <QXmlStreamReader>

#include <memory>

class QFile;
class QIODevice;

// Reads an iTunes library file ("iTunes Library.xml") into a LibraryContent. Values of the wrong type,
// unknown keys and playlist items naming missing tracks are skipped; only a file that is not a
// well-formed property list, or that has neither tracks nor playlists, is refused.
class LibraryXmlReader
{
public:
    // Parses aDevice. False with errorString() set when the file is refused.
    bool read(QIODevice* aDevice);
    // Like read(), for an open file, and with the same result. The file is first scanned in
    // memory by a strict reader of the usual shape of the file (a large one by two threads,
    // each taking about half of the "Tracks" dictionary); one it cannot read exactly is read by
    // QXmlStreamReader in one pass.
    bool readFile(QFile& aFile);
    // Which way the last readFile() went.
    bool readByScan() const { return mReadByScan; }
    bool readInParallel() const { return mReadInParallel; }
    // Files from this size on are scanned by two threads (tests lower it).
    static void setParallelMinimumBytes(qint64 aBytes);
    // Tests turn the scan off to reach the XML reader.
    static void setFastScanEnabled(bool aEnabled);
    // The content of the last successful read; its tracks without a "Persistent ID" get one
    // derived from their location.
    std::shared_ptr<const LibraryContent> takeContent() { return std::move(mContentRead); }
    // The file's "Music Folder" URL (may be empty).
    const QString& musicFolder() const { return mMusicFolder; }
    const QString& errorString() const { return mError; }

    // Where in aBytes a track of the "Tracks" dictionary seems to start; -1 when nowhere.
    static qsizetype trackStartIn(QByteArrayView aBytes);

    // A stable id for a track the file gives no "Persistent ID"; never 0.
    static quint64 derivedPersistentId(const LibraryTrack& aTrack, qint64 aTrackId);

    // An ISO 8601 date as the library's day count (days since 1899-12-30, UTC); 0 when the
    // text is not a date.
    static double automationDate(QStringView aIso);

private:
    void reset();
    bool readScan(QFile& aFile);
    // True (with mError set and the content dropped) when what was read cannot be the
    // library: taken as empty, it would have every track deleted from the phone.
    bool refuseDamaged();
    void build();
    void logResult();

    QXmlStreamReader mXml;
    QString mError;
    bool mReadInParallel = false;
    bool mReadByScan = false;
    LibraryPlistContent mContent;
    QHash<qint64, qint32> mIndexById;
    qint32 mMissingItems = 0;
    qint32 mTrackCount = 0;
    qint32 mPlaylistCount = 0;
    QString mMusicFolder;
    std::shared_ptr<const LibraryContent> mContentRead;
};
