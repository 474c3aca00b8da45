#pragma once

#include "library/LibraryKind.h"

#include <QString>

class SettingsSnapshot;
class SyncSettings;

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
    // The same into settings the caller saves.
    static void apply(SyncSettings& aSettings, LibraryKind::Kind aKind, const QString& aPath);
    // The first run keeps the library it found by itself, so that a library that appears later
    // (an iTunes under Wine, say) does not silently take its place: stores aPathInUse when the
    // settings file exists and names no library, and aPathInUse was neither named for this
    // process nor one of the places iTunes's library is looked for.
    static void keepFirstPick(const QString& aPathInUse);

    // The kind of library at aPath, as LibraryFactory recognises it.
    static LibraryKind::Kind kindOf(const QString& aPath);
};
