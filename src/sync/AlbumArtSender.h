#pragma once

#include <QSet>
#include <QString>

class MusicLibrary;
class SyncRunContext;
class Track;
class TrackList;

// The album-art step of a run: sends the picture of a track's album to the phone once per album
// and run, fitted as the phone gets it (AlbumArtImage).
class AlbumArtSender
{
public:
    // aEnabled: the phone's "enable-album-art-sync"; a forced send goes out without it.
    AlbumArtSender(SyncRunContext& aContext, MusicLibrary* aLibrary, bool aEnabled);

    // Sends the picture of aTrack's album unless this run already sent it. An exception inside
    // is reported to the log and only this track's picture is skipped.
    void send(const Track& aTrack, bool aForce);
    // Sends the pictures of the albums of every track of aTracks on the phone again.
    void refreshTracksOnPhone(const TrackList& aTracks);

private:
    void sendOnce(const Track& aTrack, bool aForce);

    SyncRunContext& mContext;
    MusicLibrary* mLibrary;
    bool mEnabled;
    // The albums (album name followed by artist name) whose picture this run sent.
    QSet<QString> mDone;
};
