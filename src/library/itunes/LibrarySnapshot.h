#pragma once

#include <QList>
#include <QString>

#include <memory>
#include <mutex>
#include <vector>

class TrackSearchIndex;

// One track of the library file as it was read: what the automation objects give out. Strings
// that repeat across tracks (artist, album, genre) share their data.
struct LibraryTrack
{
    qint64 mTrackId = -1;
    QString mName;
    QString mArtist;
    QString mAlbumArtist;
    QString mAlbum;
    QString mComposer;
    QString mGenre;
    // As the file has it: a percent-encoded URL.
    QString mLocation;
    qint64 mSize = 0;
    qint32 mTrackNumber = 0;
    // Days since 1899-12-30 (UTC), 0 when the file has no date.
    double mDateAdded = 0;
    bool mCompilation = false;
    bool mPodcast = false;
    // Copy-protected: the file sets "Protected", or its "Kind" says protected.
    bool mProtected = false;

    // A track with a local file: its location is a file URL.
    bool isFileTrack() const;
};

struct LibraryPlaylist
{
    QString mName;
    qint32 mKind = 0;
    qint32 mSpecialKind = 0;
    // Indexes into LibrarySnapshot::tracks(), in playlist order.
    QList<qint32> mTrackIndexes;
    // Sum of the tracks' sizes.
    double mSize = 0;
    // Whether mTrackIndexes rise strictly (no track twice): a search of such a playlist need
    // not walk all of it.
    bool mAscending = false;
};

// An immutable parse of one library file. Shared by every application object that reads the
// same file in the same state; never changed after it is built.
class LibrarySnapshot
{
public:
    LibrarySnapshot(QString aLibraryPath, QString aMusicFolder, std::vector<LibraryTrack> aTracks,
                    std::vector<LibraryPlaylist> aPlaylists);

    const QString& libraryPath() const { return mLibraryPath; }
    // The "Music Folder" URL of the file, as the file has it (may be empty).
    const QString& musicFolder() const { return mMusicFolder; }
    const std::vector<LibraryTrack>& tracks() const { return mTracks; }
    const std::vector<LibraryPlaylist>& playlists() const { return mPlaylists; }
    // Built on the first search and kept with the snapshot, as every application object of
    // the same file searches the same text. Safe to call from any thread.
    const TrackSearchIndex& searchIndex() const;

private:
    QString mLibraryPath;
    QString mMusicFolder;
    std::vector<LibraryTrack> mTracks;
    std::vector<LibraryPlaylist> mPlaylists;
    mutable std::once_flag mSearchIndexBuilt;
    mutable std::shared_ptr<const TrackSearchIndex> mSearchIndex;
};
