#pragma once

#include "library/LibrarySource.h"

#include <QDateTime>
#include <QMutex>

// Rhythmbox's library: its database "rhythmdb.xml" (songs and downloaded podcast episodes) and
// "playlists.xml" beside it (static playlists; automatic ones are named as unsupported).
// Rhythmbox keeps no id of its own, so a track's id comes from its file's path.
class RhythmboxSource : public LibrarySource
{
public:
    // aDatabasePath: the "rhythmdb.xml" file.
    explicit RhythmboxSource(const QString& aDatabasePath);

    // True when aPath looks like a Rhythmbox database (a "rhythmdb" root element).
    static bool recognises(const QString& aPath);

    QString kindName() const override;
    QString location() const override;
    LibraryRead read() override;
    QString filePath(const LibraryTrack& aTrack) const override;
    LibraryArtwork artwork(const LibraryTrack& aTrack) const override;
    QStringList watchedPaths() const override;

private:
    // Size and modification time of both files, to tell whether a new read is needed.
    QString stamp() const;
    LibraryRead readFiles() const;
    QString playlistsPath() const;

    QString mDatabasePath;
    mutable QMutex mMutex;
    QString mLastStamp;
    LibraryRead mLastRead;
};
