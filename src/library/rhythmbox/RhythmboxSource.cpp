#include "library/rhythmbox/RhythmboxSource.h"

#include "app/DebugLog.h"
#include "library/EmbeddedArtworkReader.h"
#include "library/FilesStamp.h"
#include "library/PlayerTrackFiles.h"
#include "library/TrackIdentity.h"
#include "library/rhythmbox/RhythmboxPlaylistReader.h"
#include "library/rhythmbox/RhythmdbReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QXmlStreamReader>

RhythmboxSource::RhythmboxSource(const QString& aDatabasePath)
    : mDatabasePath(aDatabasePath)
{
}

bool RhythmboxSource::recognises(const QString& aPath)
{
    QFile file(aPath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QXmlStreamReader xml(&file);
    return xml.readNextStartElement() && xml.name() == u"rhythmdb";
}

QString RhythmboxSource::kindName() const
{
    return QStringLiteral("Rhythmbox");
}

QString RhythmboxSource::location() const
{
    return mDatabasePath;
}

QString RhythmboxSource::playlistsPath() const
{
    return QFileInfo(mDatabasePath).absolutePath() + QStringLiteral("/playlists.xml");
}

QStringList RhythmboxSource::watchedPaths() const
{
    // Rhythmbox replaces both files by renaming a new one over them; the folder sees that.
    return {mDatabasePath, playlistsPath(), QFileInfo(mDatabasePath).absolutePath()};
}

QString RhythmboxSource::stamp() const
{
    return FilesStamp::of({mDatabasePath, playlistsPath()});
}

LibraryRead RhythmboxSource::read()
{
    LogScope scope("RhythmboxSource::read");
    QMutexLocker lock(&mMutex);
    const QString now = stamp();
    if (!mLastStamp.isEmpty() && now == mLastStamp) {
        logMessage("Rhythmbox library unchanged since the last read");
        return mLastRead;
    }
    mLastRead = readFiles();
    mLastStamp = now;
    return mLastRead;
}

LibraryRead RhythmboxSource::readFiles() const
{
    LibraryRead result;
    QFile database(mDatabasePath);
    if (!database.open(QIODevice::ReadOnly)) {
        result.mError = {LibraryReadError::Kind::Unusable,
                         QStringLiteral("the Rhythmbox database %1 cannot be read: %2")
                             .arg(mDatabasePath, database.errorString())};
        logMessage(result.mError.mReason);
        return result;
    }
    RhythmdbReader songs;
    if (!songs.read(&database)) {
        result.mError = {LibraryReadError::Kind::Unusable,
                         QStringLiteral("the Rhythmbox database %1 is damaged: %2")
                             .arg(mDatabasePath, songs.errorString())};
        return result;
    }
    result.mWarnings = songs.warnings();
    result.mIncomplete = songs.incomplete();

    std::vector<LibraryPlaylist> playlists;
    RhythmboxPlaylistReader playlistReader;
    QFile playlistFile(playlistsPath());
    if (!playlistFile.exists()) {
        logMessage("No Rhythmbox playlist file: the library has no playlists");
    } else if (!playlistFile.open(QIODevice::ReadOnly) || !playlistReader.read(&playlistFile)) {
        const QString line = QStringLiteral("Rhythmbox playlists %1 not read: %2")
                                 .arg(playlistFile.fileName(),
                                      playlistReader.errorString().isEmpty()
                                          ? playlistFile.errorString()
                                          : playlistReader.errorString());
        logMessage(line);
        result.mWarnings.append(line);
        result.mIncomplete = true;
    } else {
        result.mWarnings += playlistReader.warnings();
        result.mIncomplete = result.mIncomplete || playlistReader.incomplete();
        for (const auto& found : playlistReader.playlists()) {
            LibraryPlaylist playlist{found.mName, {}};
            qint32 unknown = 0;
            for (const QString& location : found.mLocations) {
                const qint32 index = songs.songAt(location);
                if (index >= 0)
                    playlist.mTrackIndexes.append(index);
                else
                    ++unknown;
            }
            if (unknown > 0) {
                const QString line =
                    QStringLiteral("Rhythmbox playlist \"%1\": %2 entries are not songs of the "
                                   "library and were left out")
                        .arg(found.mName)
                        .arg(unknown);
                logMessage(line);
                result.mWarnings.append(line);
            }
            playlists.push_back(std::move(playlist));
        }
    }

    std::vector<LibraryPlaylist> podcasts = songs.podcasts();
    std::vector<LibraryTrack> tracks = songs.takeTracks();
    QStringList keys;
    keys.reserve(qsizetype(tracks.size()));
    for (const LibraryTrack& track : tracks)
        keys.append(PlayerTrackFiles::identityKey(track.mLocation));
    const QList<quint64> ids = TrackIdentity::assign(keys);
    for (size_t i = 0; i < tracks.size(); ++i)
        tracks[i].mPersistentId = ids[qsizetype(i)];

    result.mContent = std::make_shared<const LibraryContent>(
        std::move(tracks), songs.songs(), std::move(playlists), std::move(podcasts),
        playlistReader.automaticPlaylists());
    return result;
}

QString RhythmboxSource::filePath(const LibraryTrack& aTrack) const
{
    return PlayerTrackFiles::localPath(aTrack.mLocation);
}

LibraryArtwork RhythmboxSource::artwork(const LibraryTrack& aTrack) const
{
    const QString path = filePath(aTrack);
    return path.isEmpty() ? LibraryArtwork() : EmbeddedArtworkReader::artworkOf(path);
}
