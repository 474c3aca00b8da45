#pragma once

#include "library/itunes/LibraryPlistContent.h"
#include "library/itunes/LibrarySnapshot.h"

#include <QHash>
#include <QString>
#include <QXmlStreamReader>

#include <memory>

class QFile;
class QIODevice;

// Reads an iTunes library file ("iTunes Library.xml") into a snapshot. Values of the wrong type,
// unknown keys and playlist items naming missing tracks are skipped; only a file that is not a
// well-formed property list, or that has neither tracks nor playlists, is refused.
class LibraryXmlReader
{
public:
    // Parses aDevice. aLibraryPath is recorded in the snapshot. False with errorString() set when
    // the file is refused.
    bool read(QIODevice* aDevice, const QString& aLibraryPath);
    // Like read(), for an open file, and with the same result. The file is first scanned in
    // memory by a strict reader of the usual shape of the file (a large one by two threads,
    // each taking about half of the "Tracks" dictionary); one it cannot read exactly is read by
    // QXmlStreamReader in one pass.
    bool readFile(QFile& aFile, const QString& aLibraryPath);
    // Which way the last readFile() went.
    bool readByScan() const { return mReadByScan; }
    bool readInParallel() const { return mReadInParallel; }
    // Files from this size on are scanned by two threads (tests lower it).
    static void setParallelMinimumBytes(qint64 aBytes);
    // Tests turn the scan off to reach the XML reader.
    static void setFastScanEnabled(bool aEnabled);
    std::shared_ptr<const LibrarySnapshot> takeSnapshot() { return std::move(mSnapshot); }
    const QString& errorString() const { return mError; }

    // Where in aBytes a track of the "Tracks" dictionary seems to start; -1 when nowhere.
    static qsizetype trackStartIn(QByteArrayView aBytes);

    // An ISO 8601 date as the automation's day count (days since 1899-12-30, UTC); 0 when the
    // text is not a date.
    static double automationDate(QStringView aIso);

private:
    void reset();
    bool readScan(QFile& aFile);
    // True (with mError set and the content dropped) when what was read cannot be the
    // library: taken as empty, it would have every track deleted from the phone.
    bool refuseDamaged();
    void build(const QString& aLibraryPath);
    void logResult();

    QXmlStreamReader mXml;
    QString mError;
    bool mReadInParallel = false;
    bool mReadByScan = false;
    LibraryPlistContent mContent;
    QHash<qint64, qint32> mIndexById;
    qint32 mMissingItems = 0;
    std::shared_ptr<const LibrarySnapshot> mSnapshot;
};
