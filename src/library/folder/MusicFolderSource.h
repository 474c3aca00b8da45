#pragma once

#include "library/LibrarySource.h"
#include "library/folder/FolderContentBuilder.h"
#include "library/folder/FolderTrackRecord.h"
#include "library/folder/FolderWalker.h"

#include <QHash>
#include <QMutex>
#include <QSet>

#include <vector>

// A folder of tagged audio files as a library: every audio file below it is a track (tags read
// with TagLib; its location is its path below the folder), its .m3u, .m3u8 and .pls files are the playlists, and its "Podcasts" folder
// holds the podcasts. Ids come from each file's path below the folder. A read walks the folder
// and reads again only files that changed since the last read, in this process or, through the
// scan index, in an earlier one.
class MusicFolderSource : public LibrarySource
{
public:
    explicit MusicFolderSource(const QString& aRoot);

    // The user's music folder (XDG_MUSIC_DIR, usually ~/Music).
    static QString defaultLocation();

    QString kindName() const override;
    QString location() const override { return mRoot; }
    LibraryRead read() override;
    QString filePath(const LibraryTrack& aTrack) const override;
    LibraryArtwork artwork(const LibraryTrack& aTrack) const override;
    QStringList watchedPaths() const override;

private:
    struct PlaylistState
    {
        FolderWalker::File mFile;
        QStringList mEntries;
        QString mError;
    };

    // aProblems collects what could not be read; aChanged tells whether the index must be saved.
    std::vector<FolderTrackRecord> scanAudio(const QList<FolderWalker::File>& aFiles,
                                             QStringList& aProblems, bool& aIncomplete,
                                             bool& aChanged);
    QList<FolderContentBuilder::PlaylistFile> readPlaylists(const QList<FolderWalker::File>& aFiles,
                                                            QStringList& aProblems, bool& aIncomplete);

    const QString mRoot;
    mutable QMutex mMutex;
    // The previous read's records (this process's, else the scan index's) and their lookup.
    bool mPreviousLoaded = false;
    std::vector<FolderTrackRecord> mRecords;
    QHash<QString, qsizetype> mRecordByPath;
    // One copy of each tag text read in this process, shared by every record that has it.
    QSet<QString> mStrings;
    QHash<QString, PlaylistState> mPlaylists;
    QList<FolderWalker::File> mLastAudio;
    QList<FolderWalker::File> mLastPlaylists;
    QStringList mWatched;
    LibraryRead mLast;
};
