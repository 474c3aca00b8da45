#pragma once

#include <QString>

// Writes the benchmark's music: aTrackCount files of aFileSize bytes in aAlbumCount albums below
// aRoot + "/Music", and an iTunes library file (aRoot + "/iTunes Library.xml") that lists every
// track, the Music playlist and aPlaylistCount user playlists that together hold every track.
class BenchLibrary
{
public:
    static bool generate(const QString& aRoot, int aTrackCount, int aFileSize, int aAlbumCount,
                         int aPlaylistCount);
    static QString libraryFile(const QString& aRoot);
    static QString musicFolder(const QString& aRoot);
};
