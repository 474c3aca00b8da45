#include "library/folder/FolderContentBuilder.h"

#include "app/DebugLog.h"
#include "library/TrackIdentity.h"
#include "library/folder/PlaylistEntryResolver.h"

#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QSet>

#include <algorithm>

namespace {

// Days since 1899-12-30, the library's date form, of a modification time.
double daysOf(qint64 aModifiedNs)
{
    return double(aModifiedNs) / 1e9 / 86400.0 + 25569.0;
}

} // namespace

QString FolderContentBuilder::podcastShowOf(const QString& aRelativePath)
{
    const qsizetype first = aRelativePath.indexOf(QLatin1Char('/'));
    if (first <= 0 || aRelativePath.left(first).compare(QLatin1String("Podcasts"), Qt::CaseInsensitive) != 0)
        return QString();
    const qsizetype second = aRelativePath.indexOf(QLatin1Char('/'), first + 1);
    return second < 0 ? QString() : aRelativePath.mid(first + 1, second - first - 1);
}

std::shared_ptr<const LibraryContent> FolderContentBuilder::build(
    const std::vector<FolderTrackRecord>& aRecords, const QList<PlaylistFile>& aPlaylists)
{
    LogScope scope("FolderContentBuilder::build");
    mProblems.clear();
    QStringList paths;
    QList<quint64> baseIds;
    paths.reserve(qsizetype(aRecords.size()));
    baseIds.reserve(qsizetype(aRecords.size()));
    for (const FolderTrackRecord& record : aRecords) {
        paths << record.mRelativePath;
        baseIds << record.mBaseId;
    }
    const QList<quint64> ids = TrackIdentity::assign(paths, std::move(baseIds));

    std::vector<LibraryTrack> tracks(aRecords.size());
    QList<qint32> wholeLibrary;
    QMap<QString, QList<qint32>> shows;
    QHash<QString, qint32> byPath;
    if (!aPlaylists.isEmpty())
        byPath.reserve(paths.size());
    for (size_t i = 0; i < aRecords.size(); ++i) {
        const FolderTrackRecord& record = aRecords[i];
        LibraryTrack& track = tracks[i];
        track.mPersistentId = ids[qsizetype(i)];
        track.mName = record.mTitle.isEmpty() ? QFileInfo(record.mRelativePath).completeBaseName()
                                              : record.mTitle;
        track.mArtist = record.mArtist;
        track.mAlbumArtist = record.mAlbumArtist;
        track.mAlbum = record.mAlbum;
        track.mComposer = record.mComposer;
        track.mGenre = record.mGenre;
        track.mLocation = record.mRelativePath;
        track.mSize = record.mSize;
        track.mTrackNumber = record.mTrackNumber;
        track.mDiscNumber = record.mDiscNumber;
        track.mYear = record.mYear;
        track.mDurationMs = record.mDurationMs;
        track.mDateAdded = daysOf(record.mModifiedNs);
        track.mCompilation = record.mCompilation;
        track.mProtected = record.mRelativePath.endsWith(QLatin1String(".m4p"), Qt::CaseInsensitive);
        if (!aPlaylists.isEmpty())
            byPath.insert(record.mRelativePath, qint32(i));
        const QString show = podcastShowOf(record.mRelativePath);
        if (show.isEmpty()) {
            wholeLibrary << qint32(i);
        } else {
            track.mPodcast = true;
            // The engine files episodes by their show; a show's folder is its name.
            if (track.mAlbum.isEmpty())
                track.mAlbum = show;
            shows[show] << qint32(i);
        }
    }

    std::vector<LibraryPlaylist> podcasts;
    for (auto it = shows.begin(); it != shows.end(); ++it) {
        QList<qint32> episodes = it.value();
        std::stable_sort(episodes.begin(), episodes.end(), [&](qint32 aLeft, qint32 aRight) {
            return aRecords[size_t(aLeft)].mModifiedNs < aRecords[size_t(aRight)].mModifiedNs;
        });
        podcasts.push_back({it.key(), episodes});
    }

    PlaylistEntryResolver resolver(mRoot, byPath);
    std::vector<LibraryPlaylist> playlists;
    for (const PlaylistFile& file : aPlaylists) {
        const QFileInfo info(file.mRelativePath);
        const QString folder = file.mRelativePath.contains(QLatin1Char('/')) ? info.path() : QString();
        LibraryPlaylist playlist{info.completeBaseName(), {}};
        for (const QString& entry : file.mEntries) {
            const PlaylistEntryResolver::Resolved resolved = resolver.resolve(folder, entry);
            if (resolved.mTrack >= 0) {
                playlist.mTrackIndexes << resolved.mTrack;
            } else {
                const QString line = file.mRelativePath + QStringLiteral(": entry \"") + entry
                                     + QStringLiteral("\" skipped: ") + resolved.mProblem;
                logValue("Playlist", line);
                mProblems << line;
            }
        }
        playlists.push_back(std::move(playlist));
    }
    return std::make_shared<const LibraryContent>(std::move(tracks), std::move(wholeLibrary),
                                                  std::move(playlists), std::move(podcasts));
}
