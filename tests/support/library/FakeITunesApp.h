#pragma once

#include "library/LocalMusicLibrary.h"
#include "library/itunes/ITunesAutomation.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QString>

#include <memory>

// An in-memory iTunes behind the automation interface, with failures injected per call. Every
// call is counted under its name ("create", "IITPlaylist::getSize", "IITTrack::getName", ...).
// A queued failure code is returned by the next call of that name instead of its result;
// kReturnNull makes a pointer-returning call succeed with a null pointer.
class FakeITunesState
{
public:
    static constexpr itunes::HResult kReturnNull = 0x7FFF0001;

    struct Artwork
    {
        qint32 mFormat = itunes::kArtworkFormatJpeg;
        QByteArray mData = QByteArrayLiteral("\xFF\xD8\xFF\xE0 fake jpeg");
    };

    struct Track
    {
        QString mName;
        QString mArtist;
        QString mAlbum;
        QString mLocation;
        qint64 mSize = 1000;
        qint32 mTrackNumber = 1;
        bool mCompilation = false;
        double mDateAdded = 40000.75;
        bool mFileTrack = true;
        bool mProtected = false;
        QList<Artwork> mArtwork;
    };

    struct Playlist
    {
        QString mName;
        qint32 mKind = itunes::kPlaylistKindUser;
        qint32 mSpecialKind = itunes::kSpecialKindNone;
        QList<int> mTracks;
    };

    QList<Track> mTracks;
    QList<Playlist> mPlaylists;
    // Sources before the library source (kind 0), to check that the library is searched for.
    int mOtherSourcesBefore = 0;

    // Returns the next queued failure of aCall (or 0), counting the call.
    itunes::HResult enter(const QString& aCall);
    void fail(const QString& aCall, itunes::HResult aCode, int aTimes = 1);
    int calls(const QString& aCall) const;
    int totalCalls() const;
    void resetCalls();

    // Invokes every advised event sink.
    void fireEvent();
    int advisedSinks() const;

    // The factory LocalMusicLibrary uses to create the application object.
    LocalMusicLibrary::AppFactory factory(std::shared_ptr<FakeITunesState> aSelf);

    // Added through the fake connection point.
    QMap<quint32, itunes::IITEventSink*> mSinks;
    quint32 mNextCookie = 1;

private:
    mutable QMutex mMutex;
    QHash<QString, QList<itunes::HResult>> mFailures;
    QHash<QString, int> mCalls;
};

// The application object of a FakeITunesState.
class FakeITunesApp : public itunes::IiTunes
{
public:
    explicit FakeITunesApp(std::shared_ptr<FakeITunesState> aState);
    itunes::HResult getSources(std::shared_ptr<itunes::IITSourceCollection>* aSources) override;
    itunes::HResult findConnectionPoint(std::shared_ptr<itunes::IITConnectionPoint>* aPoint) override;

private:
    std::shared_ptr<FakeITunesState> mState;
};
