#pragma once

#include <QString>
#include <QStringList>

class CliOptions;
class MusicLibrary;

// Points the library at the file or folder named by --library, or finds the usual one, and says
// clearly where it looked when there is none.
class CliLibrary
{
public:
    // False with aError when no library can be found.
    static bool locate(const CliOptions& aOptions, QString& aError);
    // The library answers at all; false with aError when it cannot be read.
    static bool readable(MusicLibrary& aLibrary, QString& aError);

    // Which library is in use, for the user: "Library: Rhythmbox (/home/u/.local/share/
    // rhythmbox/rhythmdb.xml)", one line ending in a line break. When none was chosen and more
    // than one is on this computer, the others follow, so that the user can name one.
    static QString inUseText(const CliOptions& aOptions);
};
