#pragma once

#include "library/LibrarySource.h"

#include <QString>

// The files behind the tracks of a music player's library (Rhythmbox, Strawberry, Clementine):
// players record each track as a percent-encoded "file://" URL and keep their album art as
// image files, embedded pictures or both.
class PlayerTrackFiles
{
public:
    // The local path of a "file://" URL; empty for any other kind of location.
    static QString localPath(const QString& aUrl);
    // What a track's persistent id is derived from: its local path (without the leading "/"),
    // else the location itself (a stream).
    static QString identityKey(const QString& aUrl);

    // A time players record as seconds since 1970 as a library's date: days since 1899-12-30,
    // with the fraction of the day; 0 when unset (0 or negative).
    static double dayCountOf(qint64 aUnixSeconds);

    // The picture in the image file aPath (a player's chosen cover); None when it is not one.
    static LibraryArtwork imageFile(const QString& aPath);
};
