#pragma once

#include <QString>
#include <QStringList>

class CliOptions;
class MusicLibrary;

// Points the library at the file named by --library, or finds the usual one, and says clearly
// where it looked when there is none.
class CliLibrary
{
public:
    // False with aError when no library file can be found.
    static bool locate(const CliOptions& aOptions, QString& aError);
    // The library answers at all; false with aError when its file cannot be read.
    static bool readable(MusicLibrary& aLibrary, QString& aError);
};
