#pragma once

#include "library/LibraryKind.h"

#include <QString>

class SettingsSnapshot;

// The library the user chose, as the settings keep it: the path in "itunes-library" (the name
// it had when iTunes was the only kind, so that older files and programs still read it) and the
// kind in "library-kind".
class LibrarySetting
{
public:
    LibraryKind::Kind mKind = LibraryKind::Unknown;
    QString mPath;

    bool isEmpty() const { return mPath.isEmpty(); }

    // Empty when none was chosen; a path without a kind is an iTunes library.
    static LibrarySetting read(const SettingsSnapshot& aSettings);
    static LibrarySetting read();
    // Saves the choice to the settings file; an empty path forgets it.
    static void store(LibraryKind::Kind aKind, const QString& aPath);
};
