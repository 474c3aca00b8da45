#include "library/MusicLibrary.h"

#include "app/AppPaths.h"
#include "app/DebugLog.h"
#include "library/LibraryFactory.h"
#include "library/LibraryWatcher.h"
#include "tracks/Track.h"
#include "tracks/TrackList.h"

#include <QDir>
#include <QMutexLocker>
#include <QSaveFile>
#include <QThread>

MusicLibrary::MusicLibrary(QObject* aParent)
    : QObject(aParent)
    , mFixedSource(false)
{
}

MusicLibrary::MusicLibrary(std::shared_ptr<LibrarySource> aSource, QObject* aParent)
    : QObject(aParent)
    , mFixedSource(true)
    , mSource(std::move(aSource))
{
}

MusicLibrary::~MusicLibrary()
{
    mStopping = true;
    {
        QMutexLocker lock(&mMutex);
        mStopCondition.wakeAll();
    }
    if (mReadThread) {
        mReadThread->wait();
        delete mReadThread;
    }
}

QString MusicLibrary::idText(quint64 aPersistentId)
{
    return QStringLiteral("%1").arg(aPersistentId, 16, 16, QLatin1Char('0')).toUpper();
}

quint64 MusicLibrary::idOf(const QString& aText)
{
    bool ok = false;
    const quint64 id = aText.toULongLong(&ok, 16);
    return ok ? id : 0;
}

// ---- Reading ------------------------------------------------------------------------------

std::shared_ptr<LibrarySource> MusicLibrary::currentSource(LibraryReadError& aError)
{
    QMutexLocker lock(&mMutex);
    if (mFixedSource)
        return mSource;
    QString path;
    QStringList tried;
    if (!LibraryFactory::locate(&path, &tried)) {
        aError.mKind = LibraryReadError::Kind::Unusable;
        aError.mReason = QStringLiteral("no library found; looked for: %1")
                             .arg(tried.join(QStringLiteral("; ")));
        mSource.reset();
        return nullptr;
    }
    if (!mSource || mSource->location() != path) {
        mSource = LibraryFactory::open(path);
        // The watch follows the library now used, in the watcher's own thread.
        if (mWatcher)
            QMetaObject::invokeMethod(this, [this] { updateWatch(); }, Qt::QueuedConnection);
    }
    return mSource;
}

void MusicLibrary::waitBeforeRetry()
{
    QMutexLocker lock(&mMutex);
    if (!mStopping)
        mStopCondition.wait(&mMutex, kBusyWaitMs);
}

std::shared_ptr<const LibraryContent> MusicLibrary::readContent()
{
    LogScope scope("MusicLibrary::readContent");
    LibraryRead read;
    for (int attempt = 1;; ++attempt) {
        read = LibraryRead();
        std::shared_ptr<LibrarySource> source = currentSource(read.mError);
        if (source)
            read = source->read();
        if (read.mContent)
            break;
        logValue("Library could not be read", read.mError.mReason);
        // Only a library being rewritten is worth another look; the rest stays as it is.
        if (read.mError.mKind != LibraryReadError::Kind::Busy || attempt >= kBusyTries
            || mStopping)
            break;
        waitBeforeRetry();
        logMessage("Retrying...");
    }
    for (const QString& warning : std::as_const(read.mWarnings))
        logValue("Library warning", warning);
    if (!read.mContent) {
        if (read.mError.mKind == LibraryReadError::Kind::None)
            read.mError.mKind = LibraryReadError::Kind::Unusable;
        {
            QMutexLocker lock(&mMutex);
            mLastError = read.mError;
        }
        emit readFailed(read.mError.mReason);
        return nullptr;
    }
    {
        QMutexLocker lock(&mMutex);
        mLastError = LibraryReadError();
    }
    mHasBeenRead = true;
    mLastReadIncomplete = read.mIncomplete;
    if (read.mIncomplete)
        logMessage("The library was read with errors");
    emit readSucceeded();
    return read.mContent;
}

bool MusicLibrary::read()
{
    LogScope scope("MusicLibrary::read");
    const bool readable = readContent() != nullptr;
    logReturn(readable);
    return readable;
}

void MusicLibrary::readInBackground()
{
    LogScope scope("MusicLibrary::readInBackground");
    if (mReadThread) {
        mReadThread->wait();
        delete mReadThread;
    }
    mReadThread = QThread::create([this] { emit backgroundReadFinished(read()); });
    mReadThread->start(QThread::InheritPriority);
}

LibraryReadError MusicLibrary::lastError() const
{
    QMutexLocker lock(&mMutex);
    return mLastError;
}

QString MusicLibrary::location() const
{
    QMutexLocker lock(&mMutex);
    return mSource ? mSource->location() : QString();
}

// ---- Names --------------------------------------------------------------------------------

QStringList MusicLibrary::playlistNames()
{
    LogScope scope("MusicLibrary::playlistNames");
    QStringList names;
    if (const auto content = readContent()) {
        for (const LibraryPlaylist& playlist : content->playlists()) {
            logValue("Adding playlist", playlist.mName);
            names.append(playlist.mName);
        }
    }
    return names;
}

QStringList MusicLibrary::podcastNames()
{
    LogScope scope("MusicLibrary::podcastNames");
    QStringList names;
    if (const auto content = readContent()) {
        for (const LibraryPlaylist& show : content->podcasts())
            names.append(show.mName);
    }
    return names;
}

namespace {

// The last playlist of that name (the later one of two wins), else null.
const LibraryPlaylist* playlistNamed(const LibraryContent& aContent, const QString& aName)
{
    const auto& playlists = aContent.playlists();
    for (auto it = playlists.crbegin(); it != playlists.crend(); ++it) {
        if (it->mName == aName)
            return &*it;
    }
    return nullptr;
}

qint64 sizeOf(const LibraryContent& aContent, const QList<qint32>& aIndexes)
{
    qint64 size = 0;
    for (const qint32 index : aIndexes)
        size += aContent.tracks()[size_t(index)].mSize;
    return size;
}

} // namespace

qint64 MusicLibrary::playlistSize(const QString& aName)
{
    const auto content = readContent();
    const LibraryPlaylist* playlist = content ? playlistNamed(*content, aName) : nullptr;
    return playlist ? sizeOf(*content, playlist->mTrackIndexes) : -1;
}

// ---- Tracks -------------------------------------------------------------------------------

bool MusicLibrary::makeTrack(const LibrarySource& aSource, const LibraryTrack& aItem,
                             bool aConvert, Track& aTrack) const
{
    if (aItem.mRemote) {
        logMessage("Error getting file info");
        return false;
    }
    const QString path = aSource.filePath(aItem);
    if (path.isEmpty()) {
        logMessage("Error getting location");
        return false;
    }
    aTrack = Track(aItem.mName, aItem.mAlbum, aItem.mArtist, aItem.mTrackNumber, path, true, false,
                   false, QString());
    aTrack.setITunesId(idText(aItem.mPersistentId));
    aTrack.setLocalSize(aItem.mSize);
    aTrack.setDateAdded(qint64(aItem.mDateAdded));
    aTrack.setConversionBitRate(0);
    aTrack.setDuration(0);
    if (aItem.mCompilation)
        aTrack.setCompilation(true);
    if (aConvert)
        aTrack.setConvertToMp3(true);
    return true;
}

int MusicLibrary::tracks(const QString& aName, TrackList& aTracks, qint64& aSize, bool aConvert,
                         TrackList& aDrmTracks, PlaylistEntry& aEntry, bool aIgnoreVideos)
{
    LogScope scope("MusicLibrary::tracks");
    logValue("aPlaylistName", aName);
    aEntry.mName = aName;
    const auto content = readContent();
    std::shared_ptr<LibrarySource> source;
    {
        QMutexLocker lock(&mMutex);
        source = mSource;
    }
    if (!content || !source) {
        logMessage("Failed to get playlist");
        logReturn(kFailure);
        return kFailure;
    }
    const QList<qint32>* indexes = &content->wholeLibrary();
    if (!aName.isEmpty()) {
        const LibraryPlaylist* playlist = playlistNamed(*content, aName);
        if (!playlist) {
            logReturn(kPlaylistNotFound);
            return kPlaylistNotFound;
        }
        indexes = &playlist->mTrackIndexes;
    }
    aSize = sizeOf(*content, *indexes);
    logValue("count", qint64(indexes->size()));
    for (const qint32 index : *indexes) {
        const LibraryTrack& item = content->tracks()[size_t(index)];
        Track track;
        if (!makeTrack(*source, item, aConvert, track))
            continue;
        const QString& location = track.path();
        bool drm = false;
        bool video = false;
        if (location.size() > 3) {
            const QString extension = location.right(3);
            const auto is = [&extension](const char* aExtension) {
                return extension.compare(QLatin1String(aExtension), Qt::CaseInsensitive) == 0;
            };
            // Audiobooks come with and without copy protection; only the library knows which.
            drm = is("m4p") || (is("m4b") && item.mProtected);
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
    logReturn(0);
    return 0;
}

int MusicLibrary::podcasts(const QStringList& aNames, QList<PlaylistEntry>& aEntries,
                           TrackList& aTracks)
{
    LogScope scope("MusicLibrary::podcasts");
    const auto content = readContent();
    std::shared_ptr<LibrarySource> source;
    {
        QMutexLocker lock(&mMutex);
        source = mSource;
    }
    if (!content || !source) {
        logReturn(kFailure);
        return kFailure;
    }
    // A library without podcasts writes no podcast playlists.
    if (content->podcasts().empty()) {
        logReturn(0);
        return 0;
    }
    QHash<QString, qsizetype> entryByName;
    for (const QString& podcast : aNames) {
        aEntries.append(PlaylistEntry{podcast, {}});
        logValue("Adding podcast to map: ", podcast);
        // The empty placeholder of "no podcasts" matches no episode.
        if (!podcast.isEmpty() && !entryByName.contains(podcast))
            entryByName.insert(podcast, aEntries.size() - 1);
    }
    for (const LibraryPlaylist& show : content->podcasts()) {
        const auto found = entryByName.constFind(show.mName);
        if (found == entryByName.constEnd())
            continue;
        for (const qint32 index : show.mTrackIndexes) {
            logMessage("Checking whether to add episode");
            const LibraryTrack& item = content->tracks()[size_t(index)];
            Track track;
            // Copy-protected episodes cannot be played on the phone.
            if (item.mProtected || !makeTrack(*source, item, false, track))
                continue;
            const qint32 trackIndex = aTracks.addTrack(track);
            aEntries[found.value()].mItems.append(PlaylistItem{trackIndex, track.dateAdded()});
        }
    }
    logReturn(0);
    return 0;
}

// ---- Album art ----------------------------------------------------------------------------

QString MusicLibrary::artworkFile(const Track& aTrack)
{
    LogScope scope("MusicLibrary::artworkFile");
    logValue("aTrack.trackName()", aTrack.trackName());
    logValue("aTrack.albumName()", aTrack.albumName());
    logValue("aTrack.artistName()", aTrack.artistName());
    // Only a key for the folders known to lack art: the path as written serves, and costs no
    // file name cleaning per track.
    const QString folder = aTrack.path().left(qMax(qsizetype(0), aTrack.path().lastIndexOf(u'/')));
    {
        QMutexLocker lock(&mMutex);
        if (mFoldersWithoutArt.contains(folder)) {
            logMessage("Exiting becuase localFilePath is already known not to have album art");
            return QString();
        }
    }
    const quint64 id = idOf(aTrack.iTunesId());
    const auto content = id != 0 ? readContent() : nullptr;
    std::shared_ptr<LibrarySource> source;
    qint32 index = -1;
    if (content) {
        QMutexLocker lock(&mMutex);
        source = mSource;
        if (mIndexedContent != content) {
            mIndexById.clear();
            mIndexById.reserve(qsizetype(content->tracks().size()));
            for (qint32 i = 0; i < qint32(content->tracks().size()); ++i)
                mIndexById.insert(content->tracks()[size_t(i)].mPersistentId, i);
            mIndexedContent = content;
        }
        index = mIndexById.value(id, -1);
    }
    if (index < 0 || !source) {
        logMessage("Couldn't find track");
        return QString();
    }
    const LibraryArtwork artwork = source->artwork(content->tracks()[size_t(index)]);
    QString fileName = AppPaths::corvoFolder();
    switch (artwork.mFormat) {
    case LibraryArtwork::Jpeg: fileName += QStringLiteral("/temp_art.jpg"); break;
    case LibraryArtwork::Png: fileName += QStringLiteral("/temp_art.png"); break;
    case LibraryArtwork::Bmp: fileName += QStringLiteral("/temp_art.bmp"); break;
    case LibraryArtwork::None: fileName.clear(); break;
    }
    if (!fileName.isEmpty()) {
        logValue("artworkFileName", fileName);
        QDir().mkpath(AppPaths::corvoFolder());
        QSaveFile file(fileName);
        if (!file.open(QIODevice::WriteOnly) || file.write(artwork.mData) != artwork.mData.size()
            || !file.commit()) {
            logMessage("Failed to save artwork");
            fileName.clear();
        }
    }
    if (fileName.isEmpty()) {
        logMessage("No supported artwork found - resetting artworkFileName");
        QMutexLocker lock(&mMutex);
        mFoldersWithoutArt.insert(folder);
    }
    return fileName;
}

// ---- Changes ------------------------------------------------------------------------------

void MusicLibrary::startWatching()
{
    LogScope scope("MusicLibrary::startWatching");
    if (!mWatcher) {
        mWatcher = new LibraryWatcher(this);
        connect(mWatcher, &LibraryWatcher::changed, this, &MusicLibrary::libraryChanged);
    }
    if (!mFixedSource) {
        LibraryReadError ignored;
        currentSource(ignored);
    }
    updateWatch();
}

void MusicLibrary::updateWatch()
{
    if (!mWatcher)
        return;
    std::shared_ptr<LibrarySource> source;
    {
        QMutexLocker lock(&mMutex);
        source = mSource;
    }
    mWatcher->watch(source ? source->watchedPaths() : QStringList());
}
