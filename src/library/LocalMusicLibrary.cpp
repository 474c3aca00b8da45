#include "library/LocalMusicLibrary.h"

#include "app/AppPaths.h"
#include "app/DebugLog.h"
#include "library/ITunesEventHandler.h"
#include "library/itunes/XmlITunesApp.h"
#include "tracks/Track.h"
#include "tracks/TrackList.h"

#include <QFileInfo>
#include <QHash>
#include <QMutexLocker>

using namespace itunes;

LocalMusicLibrary::LocalMusicLibrary(QObject* aParent)
    : LocalMusicLibrary(AppFactory(&XmlITunesApp::create), aParent)
{
}

LocalMusicLibrary::LocalMusicLibrary(AppFactory aFactory, QObject* aParent)
    : QObject(aParent)
    , mInitialiseThread(this)
    , mFactory(std::move(aFactory))
{
}

LocalMusicLibrary::~LocalMusicLibrary()
{
    mStopping = true;
    {
        QMutexLocker lock(&mMutex);
        mRetryCondition.wakeAll();
    }
    mInitialiseThread.wait();
    if (mEventHandler) {
        mEventHandler->disconnect();
        mEventHandler->release();
        mEventHandler = nullptr;
    }
}

void LocalMusicLibrary::setLibraryPath(const QString& aPath)
{
    XmlITunesApp::setLibraryPath(aPath);
}

void LocalMusicLibrary::setRetryWait(RetryWait aWait)
{
    mRetryWait = std::move(aWait);
}

// ---- Retry policy -------------------------------------------------------------------------

void LocalMusicLibrary::waitBeforeRetry()
{
    if (mRetryWait) {
        mRetryWait(kRetryWaitMs);
        return;
    }
    QMutexLocker lock(&mMutex);
    if (!mStopping)
        mRetryCondition.wait(&mMutex, kRetryWaitMs);
}

bool LocalMusicLibrary::retryDecision(HResult aResult, int& aRetryCounter)
{
    if (!failed(aResult)) {
        emit iTunesOkay();
        return false;
    }
    logValue("*** Retrying, error", aResult);
    if (aResult == kCallRejected || aResult == kServerExecFailure) {
        emit iTunesFailure();
        logMessage("Expected iTunes not responding error - always retry...");
    } else {
        logValue("Unexpected iTunes error, aRetryCounter", aRetryCounter);
        if (aRetryCounter >= 8) {
            ++aRetryCounter;
            return false;
        }
    }
    if (mStopping)
        return false;
    waitBeforeRetry();
    logMessage("Retrying...");
    ++aRetryCounter;
    return true;
}

template <typename Call>
HResult LocalMusicLibrary::plainCall(Call aCall)
{
    int counter = 0;
    HResult result = kOk;
    do {
        result = aCall();
    } while (retryDecision(result, counter));
    return result;
}

template <typename T, typename Call>
HResult LocalMusicLibrary::pointerCall(std::shared_ptr<T>& aOut, Call aCall)
{
    int counter = 0;
    for (;;) {
        aOut.reset();
        HResult result = aCall(&aOut);
        if (!failed(result)) {
            if (!aOut) {
                logMessage("*** Null pointer returned from iTunes (but no error)");
                return kNullPointer;
            }
            return result;
        }
        logValue("*** ptr getting error returned from iTunes", result);
        if (!retryDecision(result, counter))
            return result;
    }
}

template <typename Call>
HResult LocalMusicLibrary::stringCall(QString& aOut, Call aCall)
{
    int counter = 0;
    for (;;) {
        aOut = QString();
        HResult result = aCall(&aOut);
        if (!failed(result)) {
            if (aOut.isNull()) {
                logMessage("*** Null string returned from iTunes - changing to empty string");
                aOut = QStringLiteral("");
            }
            return result;
        }
        logValue("*** string getting error returned from iTunes", result);
        if (!retryDecision(result, counter))
            return result;
    }
}

HResult LocalMusicLibrary::createApp(std::shared_ptr<IiTunes>& aApp)
{
    return pointerCall(aApp, [this](std::shared_ptr<IiTunes>* aOut) { return mFactory(aOut); });
}

// ---- Start-up -----------------------------------------------------------------------------

void LocalMusicLibrary::initialiseInNewThread()
{
    LogScope scope("LocalMusicLibrary::initialiseInNewThread");
    mInitialiseThread.start(QThread::InheritPriority);
}

void LocalMusicLibrary::initialise()
{
    LogScope scope("LocalMusicLibrary::initialise");
    if (mInitialised) {
        logMessage("Already initiaized");
        return;
    }
    logMessage("Attempting to create iTunesApp");
    std::shared_ptr<IiTunes> app;
    const HResult result = createApp(app);
    logValue("CoCreateInstance(CLSID_iTunesApp returns:", result);
    if (!failed(result)) {
        logMessage("Created iTunesApp");
        mInitialised = true;
        emit initialisationComplete();
    }
}

// ---- Playlists ----------------------------------------------------------------------------

int LocalMusicLibrary::getPlaylistCollection(std::shared_ptr<IITPlaylistCollection>& aPlaylists)
{
    LogScope scope("LocalMusicLibrary::getPlaylistCollection");
    std::shared_ptr<IiTunes> app;
    if (failed(createApp(app))) {
        logMessage("Could not create iTunesApp");
        return kFailure;
    }
    std::shared_ptr<IITSourceCollection> sources;
    HResult result = pointerCall(sources, [&](auto* aOut) { return app->getSources(aOut); });
    if (result != kOk) {
        logMessage("Could not get sources");
        return kFailure;
    }
    qint32 sourceCount = 0;
    if (failed(plainCall([&] { return sources->getCount(&sourceCount); }))) {
        logMessage("Could not get source count");
        return kFailure;
    }
    logValue("intSourceCount", sourceCount);
    std::shared_ptr<IITSource> library;
    for (qint32 index = 1; index <= sourceCount && !library; ++index) {
        logValue("Trying source index", index);
        std::shared_ptr<IITSource> source;
        if (failed(pointerCall(source, [&](auto* aOut) { return sources->getItem(index, aOut); })))
            continue;
        qint32 kind = kSourceKindUnknown;
        if (!failed(plainCall([&] { return source->getKind(&kind); }))
            && kind == kSourceKindLibrary) {
            logMessage("Found local library");
            library = source;
        }
    }
    if (!library) {
        logMessage("Failure or local library not found");
        return kFailure;
    }
    if (failed(pointerCall(aPlaylists, [&](auto* aOut) { return library->getPlaylists(aOut); }))) {
        logMessage("Could not get playlists from source");
        return kFailure;
    }
    return 0;
}

qint32 LocalMusicLibrary::userSpecialKind(IITPlaylist& aPlaylist, const char* aFoundMessage)
{
    std::shared_ptr<IITUserPlaylist> user;
    if (failed(aPlaylist.queryUserPlaylist(&user)) || !user)
        return -1;
    logMessage("Got user playlist");
    qint32 specialKind = 0;
    if (failed(plainCall([&] { return user->getSpecialKind(&specialKind); })))
        return -1;
    logValue(aFoundMessage, specialKind);
    return specialKind;
}

int LocalMusicLibrary::getPlaylist(const QString& aName, std::shared_ptr<IITPlaylist>& aPlaylist,
                                   qint64& aSize)
{
    LogScope scope("LocalMusicLibrary::getPlaylist");
    logValue("aPlaylistName", aName);
    const auto fail = [](const char* aWhy) {
        logMessage(aWhy);
        logReturn(kFailure);
        return kFailure;
    };
    std::shared_ptr<IITPlaylistCollection> playlists;
    if (getPlaylistCollection(playlists) != 0) {
        return fail("Could not get playlist collection");
    }
    qint32 count = 0;
    if (failed(plainCall([&] { return playlists->getCount(&count); }))) {
        return fail("Could not get playlist count");
    }
    std::shared_ptr<IITPlaylist> item;
    bool found = false;
    // From the last to the first: of two playlists with one name, the later one wins.
    for (qint32 index = count; index >= 1 && !found; --index) {
        if (failed(pointerCall(item, [&](auto* aOut) { return playlists->getItem(index, aOut); }))) {
            return fail("Failure getting playlist collection item");
        }
        if (aName.isEmpty()) {
            if (userSpecialKind(*item, "Got playlist special kind") == kSpecialKindMusic) {
                logMessage("Found special Music playlist");
                found = true;
            }
        } else {
            QString name;
            if (failed(stringCall(name, [&](QString* aOut) { return item->getName(aOut); }))) {
                return fail("Failed getting playlist name");
            }
            found = name == aName;
        }
    }
    if (!found && !aName.isEmpty()) {
        logReturn(kPlaylistNotFound);
        return kPlaylistNotFound;
    }
    if (!item) {
        // No playlists at all: there is no library playlist to fall back on.
        return fail("Last error");
    }
    double size = 0;
    if (failed(plainCall([&] { return item->getSize(&size); }))) {
        return fail("Could not get playlist size");
    }
    aPlaylist = item;
    aSize = qint64(size);
    logReturn(0);
    return 0;
}

bool LocalMusicLibrary::refreshPlaylists()
{
    LogScope scope("LocalMusicLibrary::refreshPlaylists");
    mPlaylistNames.clear();
    mPodcastNames.clear();
    std::shared_ptr<IITPlaylistCollection> playlists;
    if (getPlaylistCollection(playlists) != 0) {
        logMessage("Failed to get playlist collection");
        return false;
    }
    qint32 count = 0;
    if (failed(plainCall([&] { return playlists->getCount(&count); }))) {
        logMessage("Failed to get playlist count");
        return false;
    }
    for (qint32 index = 1; index <= count; ++index) {
        logMessage("Looking for playlists...");
        logValue("playlist_index", index);
        std::shared_ptr<IITPlaylist> item;
        if (failed(pointerCall(item, [&](auto* aOut) { return playlists->getItem(index, aOut); }))) {
            logMessage("Unable to get playlist");
            continue;
        }
        qint32 kind = kPlaylistKindUnknown;
        if (failed(plainCall([&] { return item->getKind(&kind); })) || kind != kPlaylistKindUser)
            continue;
        logMessage("User playlist found");
        if (userSpecialKind(*item, "Got special kind") != kSpecialKindNone)
            continue;
        QString name;
        if (failed(stringCall(name, [&](QString* aOut) { return item->getName(aOut); })))
            continue;
        logMessage("Adding playlist");
        logValue("name", name);
        mPlaylistNames.append(name);
    }
    const bool changed = mPlaylistNames != mPreviousPlaylistNames;
    mPreviousPlaylistNames = mPlaylistNames;
    logReturn(changed);
    return changed;
}

// Calls aVisit with each Podcasts playlist of the library, in order, until it returns false.
void LocalMusicLibrary::forEachPodcastsPlaylist(const std::function<bool(IITPlaylist&)>& aVisit)
{
    std::shared_ptr<IITPlaylistCollection> playlists;
    if (getPlaylistCollection(playlists) != 0) {
        logMessage("Failed to get playlist collection");
        return;
    }
    qint32 count = 0;
    if (failed(plainCall([&] { return playlists->getCount(&count); }))) {
        logMessage("Failed to get playlist count");
        return;
    }
    for (qint32 index = 1; index <= count; ++index) {
        std::shared_ptr<IITPlaylist> item;
        if (failed(pointerCall(item, [&](auto* aOut) { return playlists->getItem(index, aOut); }))) {
            logMessage("Unable to get playlist");
            continue;
        }
        qint32 kind = kPlaylistKindUnknown;
        if (failed(plainCall([&] { return item->getKind(&kind); })) || kind != kPlaylistKindUser)
            continue;
        if (userSpecialKind(*item, "Got special kind") != kSpecialKindPodcasts)
            continue;
        if (!aVisit(*item))
            return;
    }
}

void LocalMusicLibrary::refreshPodcasts()
{
    LogScope scope("LocalMusicLibrary::refreshPodcasts");
    mPodcastNames.clear();
    QSet<QString> albums;
    forEachPodcastsPlaylist([&](IITPlaylist& aPodcasts) {
        logMessage("Got podcasts playlist");
        std::shared_ptr<IITTrackCollection> tracks;
        if (failed(pointerCall(tracks, [&](auto* aOut) { return aPodcasts.getTracks(aOut); }))) {
            logMessage("Failed to get tracks from playlist");
            return false;
        }
        logMessage("Got track collections");
        qint32 trackCount = 0;
        if (failed(plainCall([&] { return tracks->getCount(&trackCount); }))) {
            logMessage("Failed to get playlist count");
            return false;
        }
        for (qint32 trackIndex = 1; trackIndex <= trackCount; ++trackIndex) {
            logValue("Getting track", trackIndex);
            std::shared_ptr<IITTrack> track;
            if (failed(pointerCall(track, [&](auto* aOut) {
                    return tracks->getItem(trackIndex, aOut);
                }))) {
                logMessage("Error getting track");
                continue;
            }
            QString album;
            if (failed(stringCall(album, [&](QString* aOut) { return track->getAlbum(aOut); }))) {
                logMessage("Error getting album");
                continue;
            }
            // An episode without an album names no podcast; an empty name would also match the
            // empty placeholder that stands for "no podcasts" in the settings.
            if (album.isEmpty() || albums.contains(album))
                continue;
            albums.insert(album);
            mPodcastNames.append(album);
        }
        return true;
    });
}

// ---- Tracks -------------------------------------------------------------------------------

int LocalMusicLibrary::getAllTracks(const QString& aName, TrackList& aTracks, qint64& aSize,
                                    bool aConvert, TrackList& aDrmTracks, PlaylistEntry& aEntry,
                                    bool aIgnoreVideos)
{
    LogScope scope("LocalMusicLibrary::getAllTracks");
    aEntry.mName = aName;
    std::shared_ptr<IITPlaylist> playlist;
    qint64 size = 0;
    if (getPlaylist(aName, playlist, size) != 0) {
        logMessage("Failed to get playlist");
        logReturn(kFailure);
        return kFailure;
    }
    const int result = readPlaylistTracks(*playlist, aTracks, aSize, aConvert, aDrmTracks, aEntry,
                                          aIgnoreVideos);
    logReturn(result);
    return result;
}

bool LocalMusicLibrary::readTrack(IITTrack& aItem, bool aConvert, Track& aTrack,
                                  bool& aProtected)
{
    aProtected = false;
    std::shared_ptr<IITFileOrCDTrack> file;
    if (failed(aItem.queryFileOrCDTrack(&file)) || !file) {
        logMessage("Error getting file info");
        return false;
    }
    QString name, artist, album, location;
    qint64 size = 0;
    bool compilation = false;
    double dateAdded = 0;
    qint32 trackNumber = 0;
    if (failed(stringCall(name, [&](QString* aOut) { return file->getName(aOut); })))
        logMessage("Error getting name");
    if (failed(plainCall([&] { return file->getSize(&size); })))
        logMessage("Error getting size");
    if (failed(plainCall([&] { return file->getCompilation(&compilation); })))
        logMessage("Error getting compilation flag");
    if (failed(plainCall([&] { return file->getDateAdded(&dateAdded); })))
        logMessage("Error getting date added");
    if (failed(stringCall(location, [&](QString* aOut) { return file->getLocation(aOut); }))) {
        logMessage("Error getting location");
        return false;
    }
    if (failed(stringCall(artist, [&](QString* aOut) { return file->getArtist(aOut); })))
        logMessage("Error getting artist");
    if (failed(stringCall(album, [&](QString* aOut) { return file->getAlbum(aOut); })))
        logMessage("Error getting album");
    if (failed(plainCall([&] { return file->getTrackNumber(&trackNumber); })))
        logMessage("Error getting track number");

    // Audiobooks come with and without copy protection; only the library knows which.
    if (location.endsWith(QLatin1String(".m4b"), Qt::CaseInsensitive)
        && failed(plainCall([&] { return file->getProtected(&aProtected); }))) {
        logMessage("Error getting protection");
    }

    aTrack = Track(name, album, artist, trackNumber, location, true, false, false, QString());
    aTrack.setLocalSize(size);
    aTrack.setDateAdded(qint64(dateAdded));
    aTrack.setConversionBitRate(0);
    aTrack.setDuration(0);
    if (compilation)
        aTrack.setCompilation(true);
    if (aConvert)
        aTrack.setConvertToMp3(true);
    return true;
}

int LocalMusicLibrary::readPlaylistTracks(IITPlaylist& aPlaylist, TrackList& aTracks,
                                          qint64& aSize, bool aConvert, TrackList& aDrmTracks,
                                          PlaylistEntry& aEntry, bool aIgnoreVideos)
{
    std::shared_ptr<IITTrackCollection> tracks;
    if (failed(pointerCall(tracks, [&](auto* aOut) { return aPlaylist.getTracks(aOut); }))) {
        logMessage("Failed to get tracks from playlist");
        return kFailure;
    }
    qint32 count = 0;
    if (failed(plainCall([&] { return tracks->getCount(&count); }))) {
        logMessage("Failed to get playlist count");
        return kFailure;
    }
    double size = 0;
    if (failed(plainCall([&] { return aPlaylist.getSize(&size); }))) {
        logMessage("Failed to get playlist size");
        return kFailure;
    }
    aSize = qint64(size);
    logValue("count", count);

    for (qint32 index = 1; index <= count; ++index) {
        std::shared_ptr<IITTrack> item;
        if (failed(pointerCall(item, [&](auto* aOut) { return tracks->getItem(index, aOut); }))) {
            logMessage("Error getting track");
            continue;
        }
        Track track;
        bool copyProtected = false;
        if (!readTrack(*item, aConvert, track, copyProtected))
            continue;
        const QString& location = track.path();
        bool drm = false;
        bool video = false;
        if (location.size() > 3) {
            const QString extension = location.right(3);
            const auto is = [&extension](const char* aExtension) {
                return extension.compare(QLatin1String(aExtension), Qt::CaseInsensitive) == 0;
            };
            drm = is("m4p") || (is("m4b") && copyProtected);
            video = aIgnoreVideos && (is("mov") || is("m4v"));
        }
        if (drm) {
            logMessage("Track added to DRM list");
            aDrmTracks.addTrack(track);
        } else if (video) {
            logMessage("Ignoring video file");
        } else {
            logMessage("Track added");
            const qint32 trackIndex = aTracks.addTrack(track);
            aEntry.mItems.append(PlaylistItem{trackIndex, track.dateAdded()});
        }
    }
    return 0;
}

void LocalMusicLibrary::getPodcasts(const QStringList& aNames, QList<PlaylistEntry>& aEntries,
                                    TrackList& aTracks)
{
    LogScope scope("LocalMusicLibrary::getPodcasts");
    forEachPodcastsPlaylist([&](IITPlaylist& aPodcasts) {
        QString name;
        if (failed(stringCall(name, [&](QString* aOut) { return aPodcasts.getName(aOut); }))) {
            logMessage("Failed getting playlist name");
            return true;
        }
        // The episodes are read from this very playlist: a user playlist that happens to carry
        // the (localised) name of the Podcasts playlist must not stand in for it.
        logMessage("Getting all tracks");
        TrackList episodes;
        TrackList drmEpisodes;
        PlaylistEntry all;
        all.mName = name;
        qint64 size = 0;
        if (readPlaylistTracks(aPodcasts, episodes, size, false, drmEpisodes, all, false) != 0)
            return true;
        logMessage("Got all tracks");

        QHash<QString, qsizetype> entryByName;
        for (const QString& podcast : aNames) {
            aEntries.append(PlaylistEntry{podcast, {}});
            logValue("Adding podcast to map: ", podcast);
            // The empty placeholder of "no podcasts" matches no episode.
            if (!podcast.isEmpty() && !entryByName.contains(podcast))
                entryByName.insert(podcast, aEntries.size() - 1);
        }
        for (qint32 episode = 0; episode < episodes.count(); ++episode) {
            logMessage("Checking whether to add episode");
            const Track& track = episodes.at(episode);
            const auto found = entryByName.constFind(track.albumName());
            if (found == entryByName.constEnd())
                continue;
            const qint32 trackIndex = aTracks.addTrack(track);
            aEntries[found.value()].mItems.append(PlaylistItem{trackIndex, track.dateAdded()});
        }
        return true;
    });
}

// ---- Album art ----------------------------------------------------------------------------

QString LocalMusicLibrary::saveMatchingArtwork(IITTrack& aTrack)
{
    std::shared_ptr<IITArtworkCollection> artworks;
    if (failed(pointerCall(artworks, [&](auto* aOut) { return aTrack.getArtwork(aOut); }))) {
        logMessage("Error getting artwork collection");
        logMessage("Could not get artwork collection.");
        return QString();
    }
    qint32 count = 0;
    if (failed(plainCall([&] { return artworks->getCount(&count); })))
        return QString();
    for (qint32 index = 1; index <= count; ++index) {
        logValue("Getting artwork item", index);
        std::shared_ptr<IITArtwork> artwork;
        if (failed(pointerCall(artwork, [&](auto* aOut) { return artworks->getItem(index, aOut); })))
            continue;
        QString fileName = AppPaths::corvoFolder();
        logValue("artworkFileName", fileName);
        qint32 format = kArtworkFormatUnknown;
        if (failed(plainCall([&] { return artwork->getFormat(&format); }))) {
            logMessage("get_Format failure");
            logValue("Non-supported artwork type found type:", format);
            continue;
        }
        switch (format) {
        case kArtworkFormatJpeg: fileName += QStringLiteral("/temp_art.jpg"); break;
        case kArtworkFormatPng: fileName += QStringLiteral("/temp_art.png"); break;
        case kArtworkFormatBmp: fileName += QStringLiteral("/temp_art.bmp"); break;
        default:
            logMessage("Unknown format");
            logValue("Non-supported artwork type found type:", format);
            continue;
        }
        if (failed(plainCall([&] { return artwork->saveArtworkToFile(fileName); }))) {
            logMessage("Failed to save artwork");
            continue;
        }
        return fileName;
    }
    return QString();
}

QString LocalMusicLibrary::generateArtwork(const Track& aTrack)
{
    LogScope scope("LocalMusicLibrary::generateArtwork");
    logValue("aTrack.trackName()", aTrack.trackName());
    logValue("aTrack.albumName()", aTrack.albumName());
    logValue("aTrack.artistName()", aTrack.artistName());
    // Only a key for the folders known to lack art: the path as written serves, and costs no
    // file name cleaning per track.
    const QString folder = aTrack.path().left(qMax(qsizetype(0), aTrack.path().lastIndexOf(u'/')));
    if (mFoldersWithoutArt.contains(folder)) {
        logMessage("Exiting becuase localFilePath is already known not to have album art");
        return QString();
    }
    std::shared_ptr<IITPlaylist> music;
    qint64 size = 0;
    if (getPlaylist(QString(), music, size) != 0) {
        logMessage("Failed to get playlist");
        return QString();
    }
    std::shared_ptr<IITTrackCollection> results;
    if (failed(pointerCall(results, [&](auto* aOut) {
            return music->search(aTrack.trackName(), kSearchFieldAll, aOut);
        }))) {
        logMessage("Failed to get tracks from playlist");
        return QString();
    }
    qint32 count = 0;
    if (failed(plainCall([&] { return results->getCount(&count); }))) {
        logMessage("Failed to get playlist count");
        return QString();
    }
    if (count == 0) {
        logMessage("Couldn't find track");
        return QString();
    }
    QString artworkFileName;
    for (qint32 index = 1; index <= count; ++index) {
        logValue("countTracklist", index);
        std::shared_ptr<IITTrack> result;
        if (failed(pointerCall(result, [&](auto* aOut) { return results->getItem(index, aOut); })))
            continue;
        QString name, artist, album;
        if (failed(stringCall(name, [&](QString* aOut) { return result->getName(aOut); })))
            logMessage("Error getting name");
        if (failed(stringCall(artist, [&](QString* aOut) { return result->getArtist(aOut); })))
            logMessage("Error getting artist");
        if (failed(stringCall(album, [&](QString* aOut) { return result->getAlbum(aOut); })))
            logMessage("Error getting album");
        if (name != aTrack.trackName() || album != aTrack.albumName()
            || artist != aTrack.artistName())
            continue;
        logMessage("Matching track found");
        if (artworkFileName.isEmpty())
            artworkFileName = saveMatchingArtwork(*result);
    }
    if (artworkFileName.isEmpty()) {
        logMessage("No supported artwork found - resetting artworkFileName");
        mFoldersWithoutArt.insert(folder);
    }
    return artworkFileName;
}

// ---- Events -------------------------------------------------------------------------------

HResult LocalMusicLibrary::listenForITunesEvents()
{
    LogScope scope("LocalMusicLibrary::listenForITunesEvents");
    std::shared_ptr<IiTunes> app;
    const HResult result = createApp(app);
    if (failed(result))
        logMessage("Failure creating iTunesApp");
    // One connection at a time: a second call replaces the first instead of doubling events.
    if (mEventHandler) {
        mEventHandler->disconnect();
        mEventHandler->release();
        mEventHandler = nullptr;
    }
    if (!failed(result)) {
        mEventHandler = new ITunesEventHandler(
            [this](qint32 aDispatchId) { return OnITunesEventInvoke(aDispatchId); });
        mEventHandler->connect(*app);
    }
    logReturn(result);
    return result;
}

HResult LocalMusicLibrary::OnITunesEventInvoke(qint32 aDispatchId)
{
    emit localLibraryEvent();
    return kOk;
}
