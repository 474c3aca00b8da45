#include "library/itunes/LibrarySnapshot.h"

#include "library/itunes/TrackSearchIndex.h"

bool LibraryTrack::isFileTrack() const
{
    return mLocation.startsWith(QLatin1String("file:"), Qt::CaseInsensitive);
}

LibrarySnapshot::LibrarySnapshot(QString aLibraryPath, QString aMusicFolder,
                                 std::vector<LibraryTrack> aTracks,
                                 std::vector<LibraryPlaylist> aPlaylists)
    : mLibraryPath(std::move(aLibraryPath))
    , mMusicFolder(std::move(aMusicFolder))
    , mTracks(std::move(aTracks))
    , mPlaylists(std::move(aPlaylists))
{
}

const TrackSearchIndex& LibrarySnapshot::searchIndex() const
{
    std::call_once(mSearchIndexBuilt,
                   [this] { mSearchIndex = std::make_shared<const TrackSearchIndex>(mTracks); });
    return *mSearchIndex;
}
