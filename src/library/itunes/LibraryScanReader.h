#pragma once

#include "library/itunes/LibraryPlistContent.h"

#include <QByteArrayView>

// Reads a whole library file held in memory with the strict scanner. A large file is read by
// two threads: the second takes the "Tracks" dictionary from a track near the middle, and its
// tracks count only when the first, reading from the start, arrives between two tracks exactly
// there; otherwise the first reads everything itself. Either way the result is the one-pass
// scan's.
class LibraryScanReader
{
public:
    // False when the scanner gave up (the file needs the XML reader). aParallel tells whether
    // the second thread's tracks were used.
    static bool read(QByteArrayView aData, bool aSplit, LibraryPlistContent& aContent,
                     bool* aParallel);
};
