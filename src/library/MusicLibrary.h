#pragma once

#include "library/LibrarySource.h"
#include "tracks/PlaylistEntry.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QWaitCondition>

#include <atomic>
#include <memory>

class LibraryWatcher;
class QThread;
class Track;
class TrackList;

// The music library as the rest of the program sees it: playlist and podcast names, the tracks
// of a playlist or of the whole library, podcast episodes and album art, over whatever kind of
// library stands behind it (LibrarySource). Every operation reads the library (cheap when it
// has not changed). A library being rewritten is read again a few times, 250 ms apart; every
// read that fails in the end emits readFailed() with its reason, every good one readSucceeded().
// Operations may run on any thread, but one instance must not run two operations at once.
class MusicLibrary : public QObject
{
    Q_OBJECT

public:
    static constexpr int kFailure = -8000;
    static constexpr int kPlaylistNotFound = -8001;
    // Reads of a busy library: about three seconds in all, longer than a player takes to write
    // its library (and than a freshly written file that does not parse counts as unfinished).
    static constexpr int kBusyTries = 12;
    static constexpr int kBusyWaitMs = 250;

    // The library LibraryFactory::locate() finds, looked for again on every read, so that a
    // library chosen meanwhile is the one read.
    explicit MusicLibrary(QObject* aParent = nullptr);
    // Always aSource (tests put a fake source behind it).
    explicit MusicLibrary(std::shared_ptr<LibrarySource> aSource, QObject* aParent = nullptr);
    ~MusicLibrary() override;

    // Reads the library now; false when it cannot be read (lastError() says why).
    bool read();
    // Reads the library in a worker thread; backgroundReadFinished() tells the outcome.
    void readInBackground();
    // Whether any read of this object has succeeded.
    bool hasBeenRead() const { return mHasBeenRead.load(); }
    // Whether the last read that succeeded left parts of the library unread (a file cut short,
    // an unreadable track): tracks missing from it may still be in the library.
    bool lastReadIncomplete() const { return mLastReadIncomplete.load(); }
    LibraryReadError lastError() const;
    // The file or folder read last; empty when no library was found.
    QString location() const;

    // The user's own playlists, in the library's order; empty when the library cannot be read.
    QStringList playlistNames();
    // The podcast shows; empty when the library cannot be read.
    QStringList podcastNames();
    // The bytes of the tracks of the playlist of that name; -1 when there is none.
    qint64 playlistSize(const QString& aName);

    // Adds the tracks of the playlist aName (the last one of that name; the whole library when
    // aName is empty) to aTracks, copy-protected ones to aDrmTracks, and their indexes and
    // dates added to aEntry. Tracks without a local file are left out, videos too when
    // aIgnoreVideos. 0, kFailure (library unreadable) or kPlaylistNotFound.
    int tracks(const QString& aName, TrackList& aTracks, qint64& aSize, bool aConvert,
               TrackList& aDrmTracks, PlaylistEntry& aEntry, bool aIgnoreVideos);
    // Appends one entry per requested podcast name and adds its episodes to aTracks.
    // 0 or kFailure.
    int podcasts(const QStringList& aNames, QList<PlaylistEntry>& aEntries, TrackList& aTracks);
    // Saves the album art of the library's track aTrack (found by its persistent id,
    // Track::iTunesId()) as CORVO/temp_art.jpg, .png or .bmp; empty when there is none.
    QString artworkFile(const Track& aTrack);

    // Starts telling libraryChanged() (in this object's thread, which runs an event loop).
    void startWatching();

    // The persistent id as Track::iTunesId() holds it, and back (0 when not one).
    static QString idText(quint64 aPersistentId);
    static quint64 idOf(const QString& aText);

signals:
    void libraryChanged();
    void readFailed(const QString& aReason);
    void readSucceeded();
    void backgroundReadFinished(bool aReadable);

private:
    std::shared_ptr<const LibraryContent> readContent();
    std::shared_ptr<LibrarySource> currentSource(LibraryReadError& aError);
    void waitBeforeRetry();
    void updateWatch();
    bool makeTrack(const LibrarySource& aSource, const LibraryTrack& aItem, bool aConvert,
                   Track& aTrack) const;

    const bool mFixedSource;
    mutable QMutex mMutex;
    QWaitCondition mStopCondition;
    std::shared_ptr<LibrarySource> mSource;
    LibraryReadError mLastError;
    std::atomic<bool> mHasBeenRead{false};
    std::atomic<bool> mLastReadIncomplete{false};
    std::atomic<bool> mStopping{false};
    // Tracks by persistent id, for the content they were made from.
    std::shared_ptr<const LibraryContent> mIndexedContent;
    QHash<quint64, qint32> mIndexById;
    QSet<QString> mFoldersWithoutArt;
    LibraryWatcher* mWatcher = nullptr;
    QThread* mReadThread = nullptr;
};
