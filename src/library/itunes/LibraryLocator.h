#pragma once

#include <QStringList>

// Where the library usually is, in search order: the settings' global value "itunes-library",
// $PELLMAR_ITUNES_LIBRARY, ~/Music/iTunes/ with "iTunes Library.xml" and then
// "iTunes Music Library.xml", and the same two in the Wine prefix's
// drive_c/users/$USER/Music/iTunes/.
class LibraryLocator
{
public:
    static QStringList candidatePaths();
};
