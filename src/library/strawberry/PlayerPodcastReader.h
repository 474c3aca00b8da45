#pragma once

#include "library/LibraryContent.h"

#include <QSqlError>
#include <QString>

#include <vector>

class QSqlDatabase;

// Reads the podcasts Clementine subscribes to ("podcasts") and their downloaded episodes
// ("podcast_episodes" with "downloaded" set and a local file in "local_url"). Strawberry has
// no podcasts.
class PlayerPodcastReader
{
public:
    struct Show
    {
        QString mName;
        // From the oldest publication to the newest.
        std::vector<LibraryTrack> mEpisodes;
    };

    explicit PlayerPodcastReader(QSqlDatabase& aDatabase);

    // False with error() set when a statement failed.
    bool read();
    const QSqlError& error() const { return mError; }
    std::vector<Show> takeShows() { return std::move(mShows); }

private:
    QSqlDatabase& mDatabase;
    QSqlError mError;
    std::vector<Show> mShows;
};
