#pragma once

#include <QString>

// Finds a helper program: aRelativePath (for example "7z/7z") below the executable's folder,
// then aBareName beside the executable, then in the installed helper folder ("lib/pellmar" next
// to the executable's "bin"), then on PATH. Never in the current directory: that is wherever
// the user happens to stand, and a program planted there must not be run. PATH entries that are
// not absolute (an empty entry or "." means the current directory) are passed over for the same
// reason. Returns an empty string when none is found. Helpers are always started with an
// argument list, never through a shell.
class HelperLookup
{
public:
    static QString find(const QString& aRelativePath, const QString& aBareName);
};
