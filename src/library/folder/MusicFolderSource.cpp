#include "library/folder/MusicFolderSource.h"

#include "app/DebugLog.h"
#include "library/EmbeddedArtworkReader.h"
#include "library/TrackIdentity.h"
#include "library/folder/AudioTagReader.h"
#include "library/folder/FolderScanIndex.h"
#include "library/folder/PlaylistFileReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QStandardPaths>
#include <QtConcurrent/QtConcurrentMap>
#include <QtConcurrent/QtConcurrentRun>

MusicFolderSource::MusicFolderSource(const QString& aRoot)
    : mRoot(QDir::cleanPath(QDir(aRoot).absolutePath()))
{
}

QString MusicFolderSource::defaultLocation()
{
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    return music.isEmpty() ? QDir::homePath() + QStringLiteral("/Music") : music;
}

QString MusicFolderSource::kindName() const
{
    return QStringLiteral("Music folder");
}

QStringList MusicFolderSource::watchedPaths() const
{
    QMutexLocker lock(&mMutex);
    return mWatched.isEmpty() ? QStringList{mRoot} : mWatched;
}

QString MusicFolderSource::filePath(const LibraryTrack& aTrack) const
{
    // The location is the path below the folder; one that climbs out of it is not ours.
    if (aTrack.mLocation.isEmpty())
        return QString();
    const QString path = mRoot + QLatin1Char('/') + aTrack.mLocation;
    return TrackIdentity::relativePath(mRoot, path).isEmpty() ? QString() : QDir::cleanPath(path);
}

LibraryArtwork MusicFolderSource::artwork(const LibraryTrack& aTrack) const
{
    // Embedded, else the folder's cover picture.
    return EmbeddedArtworkReader::artworkOf(filePath(aTrack));
}


std::vector<FolderTrackRecord> MusicFolderSource::scanAudio(const QList<FolderWalker::File>& aFiles,
                                                            QStringList& aProblems,
                                                            bool& aIncomplete, bool& aChanged)
{
    std::vector<FolderTrackRecord> records;
    records.reserve(size_t(aFiles.size()));
    QList<size_t> toRead;
    for (const FolderWalker::File& file : aFiles) {
        const auto previous = mRecordByPath.constFind(file.mRelativePath);
        if (previous != mRecordByPath.cend()
            && mRecords[size_t(*previous)].sameFile(file.mSize, file.mModifiedNs)) {
            records.push_back(mRecords[size_t(*previous)]);
            continue;
        }
        FolderTrackRecord record;
        record.mRelativePath = file.mRelativePath;
        record.mSize = file.mSize;
        record.mModifiedNs = file.mModifiedNs;
        toRead << records.size();
        records.push_back(std::move(record));
    }
    // TagLib reads separate files independently: a first scan of a large folder uses every core.
    QtConcurrent::blockingMap(toRead, [&](size_t aIndex) {
        FolderTrackRecord& record = records[aIndex];
        const QString problem = AudioTagReader::read(mRoot + QLatin1Char('/') + record.mRelativePath, record);
        if (!problem.isEmpty())
            logValue("Audio file", record.mRelativePath + QStringLiteral(": ") + problem);
        record.mBaseId = TrackIdentity::idOf(record.mRelativePath);
    });
    for (const size_t index : toRead) {
        FolderTrackRecord& record = records[index];
        for (QString* text : {&record.mTitle, &record.mArtist, &record.mAlbumArtist,
                              &record.mAlbum, &record.mComposer, &record.mGenre})
            *text = *mStrings.insert(*text);
    }
    for (const FolderTrackRecord& record : records) {
        if (record.mFlags & FolderTrackRecord::Unreadable) {
            aProblems << record.mRelativePath + QStringLiteral(": cannot be read as audio; left out");
            aIncomplete = true;
        } else if (record.mFlags & FolderTrackRecord::BadEncoding) {
            aProblems << record.mRelativePath + QStringLiteral(": some tag text could not be decoded");
        }
    }
    aChanged = aChanged || !toRead.isEmpty() || records.size() != mRecords.size();
    logValue("files read for their tags", qint64(toRead.size()));
    return records;
}

QList<FolderContentBuilder::PlaylistFile> MusicFolderSource::readPlaylists(
    const QList<FolderWalker::File>& aFiles, QStringList& aProblems, bool& aIncomplete)
{
    QHash<QString, PlaylistState> states;
    QList<FolderContentBuilder::PlaylistFile> playlists;
    for (const FolderWalker::File& file : aFiles) {
        PlaylistState state = mPlaylists.value(file.mRelativePath);
        if (!(state.mFile == file)) {
            const PlaylistFileReader::Result result =
                PlaylistFileReader::read(mRoot + QLatin1Char('/') + file.mRelativePath);
            state = {file, result.mEntries, result.mError};
        }
        if (state.mError.isEmpty()) {
            playlists.append({file.mRelativePath, state.mEntries});
        } else {
            const QString line = file.mRelativePath + QStringLiteral(": playlist ") + state.mError;
            logValue("Playlist", line);
            aProblems << line;
            aIncomplete = true;
        }
        states.insert(file.mRelativePath, state);
    }
    mPlaylists = std::move(states);
    return playlists;
}

LibraryRead MusicFolderSource::read()
{
    LogScope scope("MusicFolderSource::read");
    QMutexLocker lock(&mMutex);
    logValue("root", mRoot);
    const QFileInfo root(mRoot);
    if (!root.isDir()) {
        LibraryRead failed;
        failed.mError = {LibraryReadError::Kind::Unusable,
                         QStringLiteral("the music folder \"%1\" does not exist").arg(mRoot)};
        logValue("Music folder", failed.mError.mReason);
        return failed;
    }
    // The first read of this process loads the scan index while the folder is walked.
    std::unique_ptr<FolderScanIndex> index;
    QFuture<bool> indexLoaded;
    if (!mPreviousLoaded) {
        mPreviousLoaded = true;
        index = std::make_unique<FolderScanIndex>(mRoot);
        FolderScanIndex* loading = index.get();
        indexLoaded = QtConcurrent::run([loading]() { return loading->load(); });
    }
    FolderWalker::Listing listing = FolderWalker::walk(mRoot);
    if (index && indexLoaded.result())
        index->takeInto(mRecords, mRecordByPath);
    if (listing.mRootUnreadable) {
        LibraryRead failed;
        failed.mError = {LibraryReadError::Kind::Unusable,
                         QStringLiteral("the music folder \"%1\" cannot be read").arg(mRoot)};
        return failed;
    }
    // Folders tell of files added, removed or renamed; a playlist is often rewritten in place,
    // which only a watch on the file itself sees. Audio files edited in place are found by the
    // next read, which compares every file's size and time.
    mWatched = listing.mFolders;
    for (const FolderWalker::File& playlist : listing.mPlaylists)
        mWatched << mRoot + QLatin1Char('/') + playlist.mRelativePath;
    if (mLast.mContent && listing.mAudio == mLastAudio && listing.mPlaylists == mLastPlaylists) {
        logMessage("Music folder unchanged since the last read");
        return mLast;
    }

    LibraryRead result;
    result.mWarnings = listing.mProblems;
    result.mIncomplete = listing.mIncomplete;
    bool changed = false;
    std::vector<FolderTrackRecord> records = scanAudio(listing.mAudio, result.mWarnings,
                                                       result.mIncomplete, changed);
    const QList<FolderContentBuilder::PlaylistFile> playlists =
        readPlaylists(listing.mPlaylists, result.mWarnings, result.mIncomplete);

    FolderContentBuilder builder(mRoot);
    if (result.mIncomplete) {
        std::vector<FolderTrackRecord> readable;
        readable.reserve(records.size());
        for (const FolderTrackRecord& record : records) {
            if (!(record.mFlags & FolderTrackRecord::Unreadable))
                readable.push_back(record);
        }
        result.mContent = builder.build(readable, playlists);
    } else {
        result.mContent = builder.build(records, playlists);
    }
    result.mWarnings += builder.problems();
    if (changed && !FolderScanIndex(mRoot).save(records))
        result.mWarnings << QStringLiteral("the scan index could not be saved; the next start reads every file again");

    // Unchanged records sit at the same places: the lookup by path still holds.
    mRecords = std::move(records);
    if (changed) {
        mRecordByPath.clear();
        mRecordByPath.reserve(qsizetype(mRecords.size()));
        for (size_t i = 0; i < mRecords.size(); ++i)
            mRecordByPath.insert(mRecords[i].mRelativePath, qsizetype(i));
    }
    mLastAudio = std::move(listing.mAudio);
    mLastPlaylists = std::move(listing.mPlaylists);
    mLast = result;
    logValue("tracks", qint64(result.mContent->tracks().size()));
    logValue("warnings", qint64(result.mWarnings.size()));
    return result;
}
