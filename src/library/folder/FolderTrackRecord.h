#pragma once

#include <QString>

// What a scan knows of one audio file below the music folder: where it is, the size and
// modification time it had when read, and its tags. The scan index keeps these between runs.
struct FolderTrackRecord
{
    enum Flag : quint8 {
        // TagLib could not read the file: no track is made of it.
        Unreadable = 1,
        // Some tag text could not be decoded; the track is kept with what could.
        BadEncoding = 2,
    };

    // Below the music folder, "/"-separated.
    QString mRelativePath;
    qint64 mSize = 0;
    qint64 mModifiedNs = 0;
    quint8 mFlags = 0;
    // TrackIdentity::idOf(mRelativePath), kept so that a rescan need not hash every path.
    quint64 mBaseId = 0;
    // The tags as the file holds them; an empty title stays empty here (the track takes its
    // file's name).
    QString mTitle;
    QString mArtist;
    QString mAlbumArtist;
    QString mAlbum;
    QString mComposer;
    QString mGenre;
    qint32 mTrackNumber = 0;
    qint32 mDiscNumber = 0;
    qint32 mYear = 0;
    qint32 mDurationMs = 0;
    bool mCompilation = false;

    bool sameFile(qint64 aSize, qint64 aModifiedNs) const
    {
        return mSize == aSize && mModifiedNs == aModifiedNs;
    }
};
