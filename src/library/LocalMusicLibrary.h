#pragma once

#include "library/LocalLibraryInitialiseThread.h"
#include "library/itunes/ITunesAutomation.h"
#include "tracks/PlaylistEntry.h"

#include <QList>
#include <QMutex>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QWaitCondition>

#include <atomic>
#include <functional>
#include <memory>

class ITunesEventHandler;
class Track;
class TrackList;

// The program's only access to the iTunes library: playlist and podcast names, the tracks of a
// playlist, podcast episodes and album art. Every call into the library goes through one retry
// policy: the two "not responding" codes are retried for as long as they occur (each emits
// iTunesFailure()), any other failure at most 9 times in all, 250 ms apart.
// Each operation makes its own application object, so operations may run on any thread; one
// instance must not run two operations at once.
class LocalMusicLibrary : public QObject
{
    Q_OBJECT

public:
    using AppFactory = std::function<itunes::HResult(std::shared_ptr<itunes::IiTunes>*)>;
    using RetryWait = std::function<void(int aMilliseconds)>;

    static constexpr int kFailure = -8000;
    static constexpr int kPlaylistNotFound = -8001;
    static constexpr int kNullPointer = -8002;
    static constexpr int kRetryWaitMs = 250;

    // Reads the iTunes library file (XmlITunesApp).
    explicit LocalMusicLibrary(QObject* aParent = nullptr);
    // Reads whatever aFactory creates (tests use a fake application).
    explicit LocalMusicLibrary(AppFactory aFactory, QObject* aParent = nullptr);
    ~LocalMusicLibrary() override;

    // Use this library file instead of searching for one (the command line's --library).
    // Process-wide, so that private instances (the podcast cache) read the same file.
    static void setLibraryPath(const QString& aPath);
    // Replaces the 250 ms wait between retries (tests).
    void setRetryWait(RetryWait aWait);

    void initialiseInNewThread();
    void initialise();
    bool isInitialised() const { return mInitialised.load(); }
    LocalLibraryInitialiseThread& initialiseThread() { return mInitialiseThread; }

    const QStringList& playlists() const { return mPlaylistNames; }
    const QStringList& podcasts() const { return mPodcastNames; }

    // True when the list of playlist names differs from the one of the previous call.
    bool refreshPlaylists();
    void refreshPodcasts();

    // The playlist named aName (the last one of that name), or with an empty name the Music
    // playlist (the first playlist when there is none). 0, kFailure or kPlaylistNotFound.
    int getPlaylist(const QString& aName, std::shared_ptr<itunes::IITPlaylist>& aPlaylist,
                    qint64& aSize);
    // Adds the file tracks of a playlist to aTracks (copy-protected ones to aDrmTracks) and their
    // indexes and dates added to aEntry. 0 or kFailure.
    int getAllTracks(const QString& aName, TrackList& aTracks, qint64& aSize, bool aConvert,
                     TrackList& aDrmTracks, PlaylistEntry& aEntry, bool aIgnoreVideos);
    // Appends one entry per requested podcast name and adds its episodes to aTracks.
    void getPodcasts(const QStringList& aNames, QList<PlaylistEntry>& aEntries,
                     TrackList& aTracks);
    // Saves the track's album art as CORVO/temp_art.jpg, .png or .bmp; empty when there is none.
    QString generateArtwork(const Track& aTrack);

    // Connects to the library's events (each becomes localLibraryEvent()). Returns the result
    // of creating the application object.
    itunes::HResult listenForITunesEvents();
    itunes::HResult OnITunesEventInvoke(qint32 aDispatchId);

signals:
    void initialisationComplete();
    void iTunesFailure();
    void iTunesOkay();
    void localLibraryEvent();

private:
    bool retryDecision(itunes::HResult aResult, int& aRetryCounter);
    void waitBeforeRetry();
    template <typename Call>
    itunes::HResult plainCall(Call aCall);
    template <typename T, typename Call>
    itunes::HResult pointerCall(std::shared_ptr<T>& aOut, Call aCall);
    template <typename Call>
    itunes::HResult stringCall(QString& aOut, Call aCall);

    itunes::HResult createApp(std::shared_ptr<itunes::IiTunes>& aApp);
    int getPlaylistCollection(std::shared_ptr<itunes::IITPlaylistCollection>& aPlaylists);
    // A user playlist's special kind, or -1 when it is not a user playlist or cannot be read.
    qint32 userSpecialKind(itunes::IITPlaylist& aPlaylist, const char* aFoundMessage);
    void forEachPodcastsPlaylist(const std::function<bool(itunes::IITPlaylist&)>& aVisit);
    int readPlaylistTracks(itunes::IITPlaylist& aPlaylist, TrackList& aTracks, qint64& aSize,
                           bool aConvert, TrackList& aDrmTracks, PlaylistEntry& aEntry,
                           bool aIgnoreVideos);
    // aProtected: an audiobook file that the library marks copy-protected.
    bool readTrack(itunes::IITTrack& aItem, bool aConvert, Track& aTrack, bool& aProtected);
    QString saveMatchingArtwork(itunes::IITTrack& aTrack);

    QMutex mMutex;
    QWaitCondition mRetryCondition;
    QStringList mPlaylistNames;
    QStringList mPodcastNames;
    QStringList mPreviousPlaylistNames;
    std::atomic<bool> mInitialised{false};
    LocalLibraryInitialiseThread mInitialiseThread;
    ITunesEventHandler* mEventHandler = nullptr;
    QSet<QString> mFoldersWithoutArt;

    AppFactory mFactory;
    RetryWait mRetryWait;
    // Set while the object is being destroyed: a library that never answers must not keep the
    // program from exiting.
    std::atomic<bool> mStopping{false};
};
