#pragma once

#include "device/PhoneTree.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// The files a phone holds for itself and for the companion app (below "CORVO", and the album
// pictures beside the tracks) as they must be after the runs so far. They are stated from what
// each run was asked to do, in the formats the companion app reads, never read back from the
// phone. A mass-storage phone keeps the id, version, metadata and hint files; an MTP phone the
// id and the run's completion mark.
class ExpectedPhoneFiles
{
public:
    enum class Kind { Folder, Mtp };

    explicit ExpectedPhoneFiles(Kind aKind) : mKind(aKind) {}

    // One "track" element of a run's metadata file.
    struct CopiedTrack
    {
        // From the phone root, "/" separated, without a leading "/".
        QString mPhonePath;
        QString mArtist;
        QString mAlbum;
        QString mName;
        qint32 mNumber = 0;
    };

    struct AlbumPicture
    {
        // The album's folder from the phone root ("Music/<artist>/<album>").
        QString mAlbumFolder;
        // The track the picture was sent for (phone path as in CopiedTrack).
        QString mTrackPath;
        QByteArray mJpeg;
    };

    struct Run
    {
        bool mPrepared = false;
        bool mFinalized = false;
        bool mCancelled = false;
        // Tracks placed on the phone, in the order the run copied them.
        QList<CopiedTrack> mCopied;
        // File names of the playlists the run wrote (changed, or written because forced), in
        // order; then whether the old playlists were gone through, and the playlist files the
        // phone holds afterwards.
        QStringList mPlaylistsWritten;
        bool mOldPlaylistsChecked = false;
        QStringList mPlaylistFiles;
        QList<AlbumPicture> mPictures;
    };

    // The phone was set up with this id.
    void configured(const QString& aPhoneId);
    void ran(const Run& aRun);
    // Runs made by another process leave no record here: their files are taken as aPhone
    // holds them, and later runs go on from there.
    void adopt(const PhoneTree& aPhone);

    const PhoneTree& files() const { return mFiles; }

    // A metadata file listing aTracks; aComplete false: as left when the run never finished.
    static QByteArray metadataFile(const QList<CopiedTrack>& aTracks, bool aComplete = true);
    // The album picture the engine makes of a track's embedded cover: fitted into 300 x 300,
    // on white, as JPEG. Empty when the file has no cover.
    static QByteArray albumPictureOf(const QString& aMediaFile);

private:
    void appendLine(const QString& aPath, const QByteArray& aLine);

    Kind mKind;
    PhoneTree mFiles;
    int mMetadataFiles = 0;
    QSet<QString> mHintedPlaylists;
};
