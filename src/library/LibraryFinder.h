#pragma once

#include "library/LibraryKind.h"

#include <QList>
#include <QString>

// A library found on this computer.
struct FoundLibrary
{
    LibraryKind::Kind mKind = LibraryKind::Unknown;
    // The library's file, or its folder for a music folder.
    QString mPath;
};

// The libraries on this computer, where their programs keep them, so that the user can be
// offered them by name instead of having to know where such files live.
class LibraryFinder
{
public:
    // In this order: iTunes ($PELLMAR_ITUNES_LIBRARY, ~/Music/iTunes, the same under Wine), the
    // XDG music folder when it holds audio files, Rhythmbox, Strawberry, Clementine. Only what
    // exists; each path once.
    static QList<FoundLibrary> find();

    // The number of tracks of the library at aPath; -1 when it cannot be read. Reads the whole
    // library: call it from a worker thread.
    static qint64 trackCount(const QString& aPath);

    // The iTunes library files looked for, in order, whether they exist or not.
    static QStringList iTunesPaths();
    // The music folder when it holds at least one audio file (looked for below it, without
    // following links); else empty.
    static QString musicFolderWithAudio();
};
