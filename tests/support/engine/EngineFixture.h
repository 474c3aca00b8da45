#pragma once

#include "ExpectedPhoneFiles.h"
#include "TestPhone.h"
#include "device/PhoneTree.h"
#include "sync/SyncPlan.h"
#include "tracks/SyncState.h"
#include "tracks/Track.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimeZone>

#include <functional>
#include <memory>

// A whole synchronisation set-up on real files: a media folder with the tracks, an iTunes
// library file that lists them, a folder as the phone, and the phone's settings. run() drives
// one run session in the calling thread and records what the window would have seen.
class FakeMtpBackend;
class MtpPhoneParent;

// The phone is a folder (a mass-storage phone) or, for the same scenarios with the same
// expected trees, an MTP phone over the in-memory phone store whose files are mirrored into
// the same folder after each run.
class EngineFixture
{
public:
    enum class PhoneKind { Folder, Mtp };
    // The kind of phone the fixtures made from now on use.
    static void setDefaultPhoneKind(PhoneKind aKind);
    PhoneKind phoneKind() const { return mKind; }
    // The album picture beside the tracks on this kind of phone.
    QString albumPictureName() const
    {
        return mKind == PhoneKind::Mtp ? QStringLiteral("folder.jpg") : QStringLiteral("AlbumArt.jpg");
    }
    // What a failed track upload answers on this kind of phone.
    int copyFailedCode() const;
    // The in-memory phone store (Mtp kind only).
    FakeMtpBackend* mtpBackend() const { return mMtp.get(); }
    quint32 mtpStorageId() const { return mMtpStorage; }

    struct TrackFile
    {
        QString mName;
        QString mArtist;
        QString mAlbum;
        qint32 mNumber = 1;
        // Path below the media folder.
        QString mRelativePath;
        bool mPodcast = false;
        // Part of a compilation: filed under "Compilation" instead of its artist.
        bool mCompilation = false;
        QDateTime mDateAdded = QDateTime(QDate(2020, 1, 1), QTime(12, 0), Qt::UTC);
        qint64 mId = 0;
        // False: the library lists the track but its file is gone.
        bool mFileExists = true;
    };

    struct Configuration
    {
        bool mWholeLibrary = false;
        QStringList mPlaylists;
        int mPodcastSetting = 0;
        QStringList mPodcasts;
        int mEpisodes = 0;
        bool mConvert = false;
        bool mEnableArt = false;
        bool mForceArt = false;
    };

    struct RunOptions
    {
        bool mForceFull = false;
        bool mConfirmDeletion = true;
        bool mGoOnWhenShort = true;
        // Cancel before the upload attempt with this number (0-based); -1: never.
        int mCancelBeforeAttempt = -1;
        qint64 mFreeSpace = -1;
        qint64 mWriteLimit = -1;
        QString mFaultingTrack;
        bool mSegfault = false;
        bool mFaultingDeletion = false;
        // The answer to the question for an encrypted backup's password (none: no answer).
        std::function<QByteArray(const QString& aBackupPath)> mBackupPassword;
    };

    struct Result
    {
        QList<int> mStates;
        // Percentages of the copy progress reports, in order.
        QList<int> mCopyPercents;
        int mConfirmAsked = 0;
        int mDrmAsked = 0;
        int mSpaceAsked = 0;
        qint64 mSpaceShort = 0;
        int mCopied = 0;
        int mDeleted = 0;
        QStringList mNotCopied;
        // Why each of mNotCopied was not copied, in the same order.
        QStringList mNotCopiedReasons;
        bool mPhoneDisconnected = false;
        QStringList mNotWrittenPlaylists;
        int mLastError = 0;
        QStringList mUploadRequests;
        QStringList mAlbumArtSent;
        int mPrepareCount = 0;
        int mFinalizeCount = 0;
        int finalState() const { return mStates.isEmpty() ? SyncState::None : mStates.last(); }
    };

    EngineFixture();

    QString root() const { return mDir.path(); }
    QString phoneRoot() const { return mDir.path() + QStringLiteral("/phone"); }
    QString mediaPath(const QString& aRelativePath) const;
    QString libraryPath() const { return mDir.path() + QStringLiteral("/iTunes Library.xml"); }

    // A track whose file holds aContent (made up bytes unless a sample is copied).
    TrackFile& addTrack(const QString& aName, const QString& aArtist, const QString& aAlbum,
                        qint32 aNumber, const QString& aFileName = QString(),
                        const QByteArray& aContent = QByteArray());
    // A track whose file is a copy of a file of the demo samples (below "iTunes Media").
    TrackFile& addSampleTrack(const QString& aName, const QString& aArtist,
                              const QString& aAlbum, qint32 aNumber,
                              const QString& aSampleRelativePath, const QString& aFileName);
    // A podcast episode below "Podcasts/<podcast>/".
    TrackFile& addEpisode(const QString& aPodcast, const QString& aName, qint32 aNumber,
                          const QDateTime& aDateAdded);
    TrackFile& track(const QString& aName);
    void setPlaylist(const QString& aName, const QStringList& aTrackNames);
    // Writes the library file (and points the library at it).
    void writeLibrary();

    // Marks the phone configured and writes its settings.
    QString configure(const Configuration& aConfiguration);
    QString phoneId() const { return mPhoneId; }

    Result run();
    // What a dry run of the next run says it would do (as `run --dry-run` plans it).
    SyncPlan plan();
    Result run(const RunOptions& aOptions);
    Result run(const RunOptions& aOptions, const std::function<void(class SyncSession&)>& aSetup);
    // The run in a child process, for faults that end the process: the signal that ended it,
    // 0 when it ended by itself, -1 when it could not be started.
    int runInChildProcess(const RunOptions& aOptions);

    // The phone path of a track ("Music/<artist>/<album>/<file>"; the artist is "Podcasts" or
    // "Compilation" for episodes and compilations).
    QString phonePath(const TrackFile& aTrack, const QString& aExtension = QString()) const;
    // The expected tree: these tracks (with their local bytes), these playlists (exact M3U
    // bytes), and the phone's own files below CORVO and beside albums (AlbumArt.jpg, or
    // folder.jpg on an MTP phone) as the runs made by run() must have left them.
    PhoneTree expectedTree(const QStringList& aTrackNames,
                           const QList<QPair<QString, QStringList>>& aPlaylists) const;
    // Only those own files.
    const PhoneTree& expectedOwnFiles() const { return mOwnFiles.files(); }
    // After runs of pellmar-sync, which this fixture does not see: their own files are taken
    // from the phone as they are (the engine's tests state them).
    void adoptOwnFilesOnPhone() { mOwnFiles.adopt(PhoneTree::capture(phoneRoot())); }
    // The M3U bytes a playlist of these tracks has on the phone.
    QByteArray playlistBytes(const QStringList& aTrackNames) const;

    // Names of the tracks whose cache record says they are on the phone.
    QStringList cachedOnPhone() const;
    QString cacheFilePath() const;

private:
    template <class Phone>
    Result runOn(Phone& aPhone, const RunOptions& aOptions,
                 const std::function<void(class SyncSession&)>& aSetup);
    // Opens the MTP phone afresh, as the refresher would for a run.
    std::unique_ptr<MtpPhoneParent> openMtpPhone() const;
    // The phone path of a track as this configuration places it (converted to MP3 or not).
    QString placedPath(const TrackFile& aTrack) const;

    QTemporaryDir mDir;
    PhoneKind mKind;
    ExpectedPhoneFiles mOwnFiles;
    Configuration mConfiguration;
    std::shared_ptr<FakeMtpBackend> mMtp;
    quint32 mMtpStorage = 0;
    QList<TrackFile> mTracks;
    QList<QPair<QString, QStringList>> mPlaylists;
    QString mPhoneId;
};

// A test program built with PELLMAR_ENGINE_MTP_PHONE runs its scenarios against an MTP phone.
#ifdef PELLMAR_ENGINE_MTP_PHONE
inline const bool gEngineMtpPhone =
    (EngineFixture::setDefaultPhoneKind(EngineFixture::PhoneKind::Mtp), true);
#endif
