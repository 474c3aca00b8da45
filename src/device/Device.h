#pragma once

#include "device/DeviceType.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

class Track;
class TrackCache;
class TrackList;
struct PlaylistEntry;

// One storage area of a phone: the single volume of a mass-storage phone, or one storage of an
// MTP phone. The sync engine writes through this interface only. Paths on the phone are relative
// to the storage root and use "\" as separator; a track's device id is its path from the root
// with a leading "\".
class Device
{
public:
    // Result codes of phone operations.
    static constexpr int kCopyFailed = -6005;
    static constexpr int kDeleteFailed = -6006;
    static constexpr int kFolderNotCreated = -6008;

    // Id of a phone that has no id file yet.
    static constexpr const char* kTempDeviceId = "TEMP-DEVICE-ID";

    Device();
    virtual ~Device();

    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    // Copies a local file to aDestinationPath (relative to the phone root, "\" separated).
    // With aReplace an existing destination is removed first; otherwise an existing destination
    // is kept. Returns 0, kCopyFailed or kFolderNotCreated.
    virtual int CopyFile(const QString& aSourceFilePath, const QString& aDestinationPath,
                         bool aReplace) = 0;
    // Gives the file at aPath (as for CopyFile) the modification time aTime. False where the
    // phone keeps its own times (MTP) or the file cannot be reached.
    virtual bool SetModificationTime(const QString& aPath, const QDateTime& aTime);
    // A DeviceType value.
    virtual int GetDeviceType() = 0;
    virtual void PrepareForSync() = 0;
    // A second call without PrepareForSync in between does nothing.
    virtual void FinalizeSync() = 0;
    virtual bool IsMounted() = 0;
    // Still the phone PrepareForSync found: checked before each track and before the
    // playlists, so that a phone pulled out mid-run is never written to a stand-in folder.
    virtual bool StillConnected() { return true; }
    // Copies one track; on 0 the track's device id, on-device flag and size on device are set.
    virtual int UploadTrack(Track& aTrack) = 0;
    // Deletes one track and records the deletion in the cache (removeDeletedTrack).
    virtual int DeleteTrack(TrackCache& aTrackCache, Track& aTrack) = 0;
    virtual QString UniqueDeviceId() = 0;
    virtual QString FriendlyName() = 0;
    // Total and free bytes; the result is 0 (values stay unset when they cannot be read).
    virtual int GetStorageCapacity(quint64& aCapacity) = 0;
    virtual int GetFreeStorageSpace(quint64& aFreeSpace) = 0;
    // Creates the phone's id file when it has none.
    virtual void SetConfigured() = 0;
    // The settings file has an entry for this phone.
    virtual bool IsConfigured();
    // Writes an extended M3U file at a local path (entries as PlaylistEntryPath gives them),
    // whole or not at all. Returns 0, or kCopyFailed when the file could not be written.
    virtual int createPlaylist(const PlaylistEntry& aPlaylist, const TrackList& aTrackList,
                               bool aForce, const QString& aLocalFilePath);
    // Creates or refreshes the named playlist on the phone. Returns 0 or a failure code; a
    // failed write leaves the playlist as it was.
    virtual int createPlaylist(const PlaylistEntry& aPlaylist, const TrackList& aTrackList,
                               bool aForce) = 0;
    // Empties the playlist files that this run did not write.
    virtual void removeOldPlaylists() = 0;
    // The playlist files now in "Playlists_CDZ" that removeOldPlaylists looks at, by file
    // name; reads only.
    virtual QStringList PlaylistFiles() = 0;
    // Puts the album picture next to the album's tracks.
    virtual void uploadAlbumArt(const Track& aTrack, const QString& aLocalImagePath) = 0;
    virtual void setPcSoftwareVersion(const QString& aVersion) = 0;
    // Components of a "\" separated path, empty ones dropped.
    virtual QStringList SplitPath(const QString& aPath);
    // Folder names for a track; an empty name means that level is left out.
    virtual void GetArtistAndAlbumFolders(const Track& aTrack, QString& aArtistFolder,
                                          QString& aAlbumFolder);
    // The playlist file already holds, line for line, the entries this device would write.
    virtual bool identicalPlaylistAlreadyExists(const QString& aPlaylistFilePath,
                                                const PlaylistEntry& aPlaylist,
                                                const TrackList& aTrackList);
    // Device id to path from the phone root.
    virtual QString GetDeviceRelativePath(const QString& aDeviceId);

    // Line number of the phone's entry in the settings file, -1 when it has none.
    int configuredOrder();
    // Reads "version" and "screen_pixels" of the phone description ("android.xml"). Content
    // above kMaxAndroidInfoSize is not parsed: a description without a usable version.
    void ParseAndroidInfo(const QByteArray& aContent);
    static constexpr qint64 kMaxAndroidInfoSize = 1 << 20;
    // Told how far a file being sent has got (name, bytes sent, bytes in all), from the
    // sending thread; phones that cannot tell never call it.
    using TransferObserver = std::function<void(const QString& aName, quint64 aSent, quint64 aTotal)>;
    virtual void SetTransferObserver(TransferObserver aObserver) { Q_UNUSED(aObserver); }
    // The run's cancel flag (not owned), so that a long transfer can stop in the middle.
    void SetCancelFlag(const std::atomic<bool>* aFlag) { mCancelFlag = aFlag; }
    bool CancelRequested() const { return mCancelFlag && mCancelFlag->load(); }
    int AndroidVersion() const { return mAndroidVersion; }
    int ScreenPixels() const { return mScreenPixels; }

    // Replaces characters that folder names on the phone should not hold by "_" and trims.
    static void MakeValidFileName(QString& aName, bool aReplaceDots);
    static void MakeValidFileName(QString& aName);
    // A new unique phone id from a local time: pattern "zsmhdMY".
    static QString GenerateUniqueDeviceId(const QDateTime& aLocalTime);
    // File name of a playlist: the name with only the characters that FAT and exFAT cannot
    // hold replaced by "_". Empty when the name cannot be a file name (empty, or only dots).
    static QString PlaylistFileName(const QString& aPlaylistName);
    // aName with every control character (a line break, a tab) replaced by aReplacement, or
    // dropped when aReplacement is null: such a character in a playlist line would split it.
    static QString WithoutControlCharacters(const QString& aName, QChar aReplacement = u'_');
    // aName cut to at most aMaxBytes bytes of UTF-8 at a character boundary; with
    // aKeepExtension the part from the last "." stays whole.
    static QString FitName(const QString& aName, qsizetype aMaxBytes = kMaxNameBytes,
                           bool aKeepExtension = true);
    // What file systems of phones hold in one name (ext4 and FAT count differently; this is
    // the stricter bound for the scripts that take several bytes per character).
    static constexpr qsizetype kMaxNameBytes = 255;

    // The errno of the last phone operation that failed (0 when none has), and the reason it
    // stands for in words a user understands ("the phone is full").
    int lastError() const { return mLastError; }
    void clearLastError() { mLastError = 0; }
    static QString FailureReason(int aError);

    // The entry line of a playlist for one track: the track's path relative to the
    // "Playlists_CDZ" folder with "/" separators ("../Music/Artist/Album/Title.mp3").
    QString PlaylistEntryPath(const QString& aDeviceId);

protected:
    // The extended M3U content of a playlist: "#EXTM3U", then "#EXTINF" and entry line per
    // track; CR LF line ends, UTF-8 without byte-order mark.
    QByteArray playlistContent(const PlaylistEntry& aPlaylist, const TrackList& aTrackList);

    void setLastError(int aError) { mLastError = aError; }

    const std::atomic<bool>* mCancelFlag = nullptr;
    int mLastError = 0;
    int mScreenPixels = -1;
    int mAndroidVersion = -1;
};
