#include "library/strawberry/PlayerPodcastReader.h"

#include "app/DebugLog.h"
#include "library/PlayerTrackFiles.h"

#include <QFileInfo>
#include <QHash>
#include <QSqlQuery>
#include <QVariant>

PlayerPodcastReader::PlayerPodcastReader(QSqlDatabase& aDatabase)
    : mDatabase(aDatabase)
{
}

bool PlayerPodcastReader::read()
{
    LogScope scope("PlayerPodcastReader::read");
    mShows.clear();
    QSqlQuery query(mDatabase);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral(
            "SELECT p.ROWID, p.title, e.title, e.author, e.publication_date, "
            "e.duration_secs, e.local_url FROM podcast_episodes AS e "
            "JOIN podcasts AS p ON e.podcast_id = p.ROWID "
            "WHERE e.downloaded AND e.local_url IS NOT NULL AND e.local_url != '' "
            "ORDER BY p.ROWID, e.publication_date, e.ROWID"))) {
        mError = query.lastError();
        return false;
    }
    QHash<qint64, size_t> showByRow;
    while (query.next()) {
        LibraryTrack episode;
        episode.mLocation = query.value(6).toString();
        const QString path = PlayerTrackFiles::localPath(episode.mLocation);
        if (path.isEmpty())
            continue;
        const qint64 row = query.value(0).toLongLong();
        auto show = showByRow.constFind(row);
        if (show == showByRow.constEnd()) {
            show = showByRow.insert(row, mShows.size());
            mShows.push_back(Show{query.value(1).toString(), {}});
        }
        episode.mName = query.value(2).toString();
        // The episode's own author, else the show, as the phone files episodes by show.
        const QString author = query.value(3).toString();
        episode.mArtist = author.isEmpty() ? mShows[*show].mName : author;
        episode.mAlbum = mShows[*show].mName;
        episode.mGenre = QStringLiteral("Podcast");
        // The publication, so that the newest episodes are the ones chosen.
        episode.mDateAdded = PlayerTrackFiles::dayCountOf(query.value(4).toLongLong());
        episode.mDurationMs = qint32(qBound<qint64>(0, query.value(5).toLongLong() * 1000, qint64(INT32_MAX)));
        episode.mSize = QFileInfo(path).size();
        episode.mPodcast = true;
        mShows[*show].mEpisodes.push_back(std::move(episode));
    }
    if (query.lastError().isValid()) {
        mError = query.lastError();
        return false;
    }
    logValue("podcasts", qint64(mShows.size()));
    return true;
}
