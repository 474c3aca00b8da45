#pragma once

#include <QList>
#include <QString>

#include <vector>

// One track as a library gives it, whatever kind of library it comes from. Strings that repeat
// across tracks (artist, album, genre) should share their data.
struct LibraryTrack
{
    // Stable across reads of the same library: the library's own persistent id where it has
    // one, else derived from the file's path relative to the library's root. Never 0.
    quint64 mPersistentId = 0;
    QString mName;
    QString mArtist;
    QString mAlbumArtist;
    QString mAlbum;
    QString mComposer;
    QString mGenre;
    // Where the library says the file is, in the library's own form (a file URL, a path);
    // LibrarySource::filePath() turns it into a local path.
    QString mLocation;
    qint64 mSize = 0;
    qint32 mTrackNumber = 0;
    qint32 mDiscNumber = 0;
    qint32 mYear = 0;
    qint32 mDurationMs = 0;
    // Days since 1899-12-30 (UTC), with the fraction of the day; 0 when unknown.
    double mDateAdded = 0;
    bool mCompilation = false;
    bool mPodcast = false;
    // Copy-protected: cannot be played on the phone.
    bool mProtected = false;
    // The library knows this entry has no local file (a stream, a cloud track).
    bool mRemote = false;
};

// A playlist the user can choose, or a podcast show with its episodes: a name and track
// indexes into LibraryContent::tracks(), in the library's order.
struct LibraryPlaylist
{
    QString mName;
    QList<qint32> mTrackIndexes;
};

// An immutable read of one library. Built once per read and shared; never changed afterwards,
// so any thread may use it.
class LibraryContent
{
public:
    LibraryContent() = default;
    LibraryContent(std::vector<LibraryTrack> aTracks, QList<qint32> aWholeLibrary,
                   std::vector<LibraryPlaylist> aPlaylists, std::vector<LibraryPlaylist> aPodcasts,
                   QStringList aUnsupportedPlaylists = {})
        : mTracks(std::move(aTracks))
        , mWholeLibrary(std::move(aWholeLibrary))
        , mPlaylists(std::move(aPlaylists))
        , mPodcasts(std::move(aPodcasts))
        , mUnsupportedPlaylists(std::move(aUnsupportedPlaylists))
    {
    }

    const std::vector<LibraryTrack>& tracks() const { return mTracks; }
    // The music of the whole library (what "sync everything" copies), in the library's order.
    const QList<qint32>& wholeLibrary() const { return mWholeLibrary; }
    // The user's own playlists, in the library's order; names may repeat.
    const std::vector<LibraryPlaylist>& playlists() const { return mPlaylists; }
    // One entry per podcast show, its episodes in the library's order.
    const std::vector<LibraryPlaylist>& podcasts() const { return mPodcasts; }
    // Playlists the library has but Pellmar cannot read (a player's automatic playlists), by name.
    const QStringList& unsupportedPlaylists() const { return mUnsupportedPlaylists; }

private:
    std::vector<LibraryTrack> mTracks;
    QList<qint32> mWholeLibrary;
    std::vector<LibraryPlaylist> mPlaylists;
    std::vector<LibraryPlaylist> mPodcasts;
    QStringList mUnsupportedPlaylists;
};
