#pragma once

#include "library/folder/FolderTrackRecord.h"

#include <QHash>
#include <QString>

#include <vector>

// What the last scan of a music folder read, kept in the application's "CORVO" folder so that
// the next scan reads again only the files whose size or modification time changed.
//
// The file ("folder-index-<16 hex digits>.dat", the digits from a hash of the folder's path) is
// little-endian: the 8 bytes "PLMFIDX1", a 32-bit format version (1), the CRC-32 of the rest and
// its length (64-bit); then the folder's path, a table of the distinct strings (count, then each
// as a byte length and UTF-8), and the records (count, then for each: the string numbers of its
// path, title, artist, album artist, album, composer and genre, its size and modification time
// in nanoseconds, flags, the unsalted id of its path, track, disc, year, duration in ms and
// compilation). A file that is
// damaged, of another version or of another folder is ignored, and the next save replaces it.
class FolderScanIndex
{
public:
    explicit FolderScanIndex(const QString& aRoot);

    // Where the index of aRoot is kept.
    static QString indexPathFor(const QString& aRoot);

    // Reads the index file; false (and an empty index) when there is none or it is unusable.
    bool load();
    // Writes the records atomically; false when the file cannot be written.
    bool save(const std::vector<FolderTrackRecord>& aRecords) const;

    // The record of a file as last read, or null.
    const FolderTrackRecord* find(const QString& aRelativePath) const;
    qsizetype size() const { return qsizetype(mRecords.size()); }
    // Hands the loaded records and their lookup by path over to the caller.
    void takeInto(std::vector<FolderTrackRecord>& aRecords, QHash<QString, qsizetype>& aByPath)
    {
        aRecords = std::move(mRecords);
        aByPath = std::move(mByPath);
        mRecords.clear();
        mByPath.clear();
    }

private:
    QString mRoot;
    QString mPath;
    std::vector<FolderTrackRecord> mRecords;
    QHash<QString, qsizetype> mByPath;
};
