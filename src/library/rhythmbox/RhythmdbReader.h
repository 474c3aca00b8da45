#pragma once

#include "library/LibraryContent.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>

#include <vector>

class QIODevice;

// Reads Rhythmbox's database, "rhythmdb.xml": the entries of type "song" (the music) and the
// downloaded entries of type "podcast-post" (grouped into one show per feed). Streams, feeds and
// import errors are left out. The file is read as a stream, so a file cut short gives every
// entry before the cut.
class RhythmdbReader
{
public:
    // False with errorString() set when aDevice holds no Rhythmbox database at all.
    bool read(QIODevice* aDevice);

    const std::vector<LibraryTrack>& tracks() const { return mTracks; }
    std::vector<LibraryTrack> takeTracks() { return std::move(mTracks); }
    // The songs, in the file's order.
    const QList<qint32>& songs() const { return mSongs; }
    // One show per feed, its episodes from the oldest post to the newest.
    std::vector<LibraryPlaylist> podcasts() const;
    // The song whose location is aLocation (as the file writes it); -1 when there is none.
    qint32 songAt(const QString& aLocation) const;

    // What could not be read, one line each.
    const QStringList& warnings() const { return mWarnings; }
    // True when entries may be missing: the file was cut short or damaged part way.
    bool incomplete() const { return mIncomplete; }
    const QString& errorString() const { return mError; }

    // Rhythmbox's "date" (a day count from 1 January of year 1) as a year; 0 when unset.
    static qint32 yearOfDate(qint64 aDayNumber);

private:
    struct Entry
    {
        LibraryTrack mTrack;
        QString mMountpoint;
        qint64 mStatus = 0;
        qint64 mPostTime = 0;
    };
    enum class EntryKind { Song, PodcastPost, Other };

    void readEntry(EntryKind aKind);
    void setProperty(Entry& aEntry, QStringView aName, const QString& aText);
    void keep(Entry&& aEntry, EntryKind aKind);
    const QString& shared(const QString& aText);

    QXmlStreamReader mXml;
    std::vector<LibraryTrack> mTracks;
    QList<qint32> mSongs;
    // The post time of each kept episode, by track index.
    QHash<qint32, qint64> mPostTimes;
    QHash<QString, qint32> mIndexByLocation;
    QSet<QString> mStrings;
    QStringList mWarnings;
    QString mError;
    bool mIncomplete = false;
    qint32 mNotDownloaded = 0;
};
