#pragma once

#include <QByteArray>
#include <QString>

// Writes the benchmark's music: aTrackCount files of aFileSize bytes in aAlbumCount albums below
// aRoot + "/Music", and an iTunes library file (aRoot + "/iTunes Library.xml") that lists every
// track, the Music playlist and aPlaylistCount user playlists that together hold every track.
// With aCoverJpeg every file's tag holds it as the front cover.
class BenchLibrary
{
public:
    static bool generate(const QString& aRoot, int aTrackCount, int aFileSize, int aAlbumCount,
                         int aPlaylistCount, const QByteArray& aCoverJpeg = QByteArray());
    static QString libraryFile(const QString& aRoot);
    static QString musicFolder(const QString& aRoot);
};
