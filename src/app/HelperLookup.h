#pragma once

#include <QString>

// Finds a helper program: first aRelativePath (for example "7z/7z") below the current directory,
// then below the executable's folder, then aBareName beside the executable, then on PATH. Returns an empty string when none
// is found. Helpers are always started with an argument list, never through a shell.
class HelperLookup
{
public:
    static QString find(const QString& aRelativePath, const QString& aBareName);
};
