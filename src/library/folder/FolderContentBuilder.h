#pragma once

#include "library/LibraryContent.h"
#include "library/folder/FolderTrackRecord.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// Makes the library's content from the scanned files: one track per readable audio file in the
// walk's order (its location is its path below the folder), the music of the whole library (all but the podcasts), the playlists found
// below the folder, and the podcast shows of its "Podcasts" folder (one subfolder per show,
// episodes oldest file first).
class FolderContentBuilder
{
public:
    struct PlaylistFile
    {
        // Below the root, "/"-separated.
        QString mRelativePath;
        QStringList mEntries;
    };

    explicit FolderContentBuilder(const QString& aRoot) : mRoot(aRoot) {}

    // aRecords: the readable files in the walk's order, their tag strings already shared.
    std::shared_ptr<const LibraryContent> build(const std::vector<FolderTrackRecord>& aRecords,
                                                const QList<PlaylistFile>& aPlaylists);

    // Playlist entries that were skipped, one line each.
    const QStringList& problems() const { return mProblems; }

    // The podcast show of a path ("Podcasts/<show>/..."), empty when it is not an episode.
    static QString podcastShowOf(const QString& aRelativePath);

private:
    QString mRoot;
    QStringList mProblems;
};
