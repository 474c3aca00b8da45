#pragma once

#include <QString>
#include <QStringList>

#include <vector>

class QIODevice;

// Reads Rhythmbox's "playlists.xml": the static playlists in the order Rhythmbox shows them,
// each an ordered list of track locations, and the names of the automatic playlists (queries
// over the database that Pellmar does not evaluate). The play queue is not a playlist.
class RhythmboxPlaylistReader
{
public:
    struct StaticPlaylist
    {
        QString mName;
        // Locations as the database writes them ("file:///..."), in order.
        QStringList mLocations;
    };

    // False with errorString() set when aDevice holds no Rhythmbox playlist file. A file cut
    // short keeps the playlists that ended before the cut and sets incomplete().
    bool read(QIODevice* aDevice);

    const std::vector<StaticPlaylist>& playlists() const { return mPlaylists; }
    const QStringList& automaticPlaylists() const { return mAutomatic; }
    const QStringList& warnings() const { return mWarnings; }
    bool incomplete() const { return mIncomplete; }
    const QString& errorString() const { return mError; }

private:
    std::vector<StaticPlaylist> mPlaylists;
    QStringList mAutomatic;
    QStringList mWarnings;
    QString mError;
    bool mIncomplete = false;
};
