#pragma once

#include <QString>

#include <memory>

// The iTunes automation objects as the library reads them: an application, its sources, their
// playlists, the tracks of a playlist and the artwork of a track. Indexes are 1-based, kinds and
// special kinds are numbered as iTunes numbers them, and every call returns a signed 32-bit
// HRESULT-style code (negative = failure, 1 = "false"). Out values are written only on success.
// Interface pointers are shared: releasing one is dropping the last copy.

namespace itunes {

using HResult = qint32;

constexpr HResult kOk = 0;
constexpr HResult kFalse = 1;
// iTunes is busy (a modal dialog, starting up, the library being rewritten): always retried.
constexpr HResult kCallRejected = HResult(0x80010001u);
constexpr HResult kServerExecFailure = HResult(0x80080005u);
constexpr HResult kNotImplemented = HResult(0x80004001u);
constexpr HResult kNoInterface = HResult(0x80004002u);
constexpr HResult kInvalidPointer = HResult(0x80004003u);
constexpr HResult kFail = HResult(0x80004005u);
constexpr HResult kFileNotFound = HResult(0x80070002u);
constexpr HResult kAccessDenied = HResult(0x80070005u);
constexpr HResult kInvalidData = HResult(0x8007000Du);
constexpr HResult kWriteFault = HResult(0x8007001Du);
constexpr HResult kInvalidArgument = HResult(0x80070057u);

inline bool failed(HResult aResult) { return aResult < 0; }

// Source kinds.
constexpr qint32 kSourceKindUnknown = 0;
constexpr qint32 kSourceKindLibrary = 1;

// Playlist kinds.
constexpr qint32 kPlaylistKindUnknown = 0;
constexpr qint32 kPlaylistKindLibrary = 1;
constexpr qint32 kPlaylistKindUser = 2;

// Special kinds of user playlists.
constexpr qint32 kSpecialKindNone = 0;
constexpr qint32 kSpecialKindPurchases = 1;
constexpr qint32 kSpecialKindPartyShuffle = 2;
constexpr qint32 kSpecialKindPodcasts = 3;
constexpr qint32 kSpecialKindFolder = 4;
constexpr qint32 kSpecialKindVideos = 5;
constexpr qint32 kSpecialKindMusic = 6;
constexpr qint32 kSpecialKindMovies = 7;
constexpr qint32 kSpecialKindTVShows = 8;
constexpr qint32 kSpecialKindAudiobooks = 9;
constexpr qint32 kSpecialKindRingtones = 10;
// A system playlist that iTunes has no special-kind number for (Genius, iTunes U, hidden
// playlists). Never 0, so that it is never taken for one of the user's own playlists.
constexpr qint32 kSpecialKindOtherSystem = 100;

// Artwork formats.
constexpr qint32 kArtworkFormatUnknown = 0;
constexpr qint32 kArtworkFormatJpeg = 1;
constexpr qint32 kArtworkFormatPng = 2;
constexpr qint32 kArtworkFormatBmp = 3;

// Playlist search fields.
constexpr qint32 kSearchFieldAll = 0;

class IITArtwork
{
public:
    virtual ~IITArtwork() = default;
    virtual HResult getFormat(qint32* aFormat) = 0;
    // Writes the picture to aFullPath, replacing what is there.
    virtual HResult saveArtworkToFile(const QString& aFullPath) = 0;
};

class IITArtworkCollection
{
public:
    virtual ~IITArtworkCollection() = default;
    virtual HResult getCount(qint32* aCount) = 0;
    virtual HResult getItem(qint32 aIndex, std::shared_ptr<IITArtwork>* aItem) = 0;
};

class IITFileOrCDTrack;

class IITTrack
{
public:
    virtual ~IITTrack() = default;
    // A null string (QString()) is what iTunes gives for a missing value.
    virtual HResult getName(QString* aName) = 0;
    virtual HResult getArtist(QString* aArtist) = 0;
    virtual HResult getAlbum(QString* aAlbum) = 0;
    // Bytes. 64-bit so that files over 2 GiB (videos) keep their size.
    virtual HResult getSize(qint64* aSize) = 0;
    virtual HResult getCompilation(bool* aCompilation) = 0;
    virtual HResult getTrackNumber(qint32* aTrackNumber) = 0;
    virtual HResult getArtwork(std::shared_ptr<IITArtworkCollection>* aArtwork) = 0;
    // The file-track view of this track; kNoInterface for tracks without a local file.
    virtual HResult queryFileOrCDTrack(std::shared_ptr<IITFileOrCDTrack>* aFileTrack) = 0;
};

class IITFileOrCDTrack : public IITTrack
{
public:
    // Full local path of the media file.
    virtual HResult getLocation(QString* aLocation) = 0;
    // The automation's date: days since 1899-12-30, with the time of day as the fraction.
    virtual HResult getDateAdded(double* aDate) = 0;
    virtual HResult getPodcast(bool* aPodcast) = 0;
    // Whether the library marks the file as copy-protected.
    virtual HResult getProtected(bool* aProtected) = 0;
};

class IITTrackCollection
{
public:
    virtual ~IITTrackCollection() = default;
    virtual HResult getCount(qint32* aCount) = 0;
    virtual HResult getItem(qint32 aIndex, std::shared_ptr<IITTrack>* aItem) = 0;
};

class IITUserPlaylist;

class IITPlaylist
{
public:
    virtual ~IITPlaylist() = default;
    virtual HResult getName(QString* aName) = 0;
    virtual HResult getKind(qint32* aKind) = 0;
    // Total bytes of the playlist's tracks.
    virtual HResult getSize(double* aSize) = 0;
    virtual HResult getTracks(std::shared_ptr<IITTrackCollection>* aTracks) = 0;
    // Tracks of the playlist matching aText in aSearchField (kSearchFieldAll: any field).
    virtual HResult search(const QString& aText, qint32 aSearchField,
                           std::shared_ptr<IITTrackCollection>* aTracks) = 0;
    // The user-playlist view; kNoInterface for the library playlist.
    virtual HResult queryUserPlaylist(std::shared_ptr<IITUserPlaylist>* aUserPlaylist) = 0;
};

class IITUserPlaylist : public IITPlaylist
{
public:
    virtual HResult getSpecialKind(qint32* aSpecialKind) = 0;
};

class IITPlaylistCollection
{
public:
    virtual ~IITPlaylistCollection() = default;
    virtual HResult getCount(qint32* aCount) = 0;
    virtual HResult getItem(qint32 aIndex, std::shared_ptr<IITPlaylist>* aItem) = 0;
};

class IITSource
{
public:
    virtual ~IITSource() = default;
    virtual HResult getName(QString* aName) = 0;
    virtual HResult getKind(qint32* aKind) = 0;
    virtual HResult getPlaylists(std::shared_ptr<IITPlaylistCollection>* aPlaylists) = 0;
};

class IITSourceCollection
{
public:
    virtual ~IITSourceCollection() = default;
    virtual HResult getCount(qint32* aCount) = 0;
    virtual HResult getItem(qint32 aIndex, std::shared_ptr<IITSource>* aItem) = 0;
};

// The receiver of library events. Reference counted like a COM object: whoever keeps a pointer
// holds a reference.
class IITEventSink
{
public:
    virtual qint32 addRef() = 0;
    virtual qint32 release() = 0;
    // Called for every event, whatever its dispatch identifier.
    virtual HResult invoke(qint32 aDispatchId) = 0;

protected:
    virtual ~IITEventSink() = default;
};

// Where event sinks are connected. Events reach a sink on the thread that advised it.
class IITConnectionPoint
{
public:
    virtual ~IITConnectionPoint() = default;
    // Takes a reference on aSink until unadvise.
    virtual HResult advise(IITEventSink* aSink, quint32* aCookie) = 0;
    virtual HResult unadvise(quint32 aCookie) = 0;
};

class IiTunes
{
public:
    virtual ~IiTunes() = default;
    // kFalse (with no collection) when there are no sources.
    virtual HResult getSources(std::shared_ptr<IITSourceCollection>* aSources) = 0;
    virtual HResult findConnectionPoint(std::shared_ptr<IITConnectionPoint>* aPoint) = 0;
};

} // namespace itunes
