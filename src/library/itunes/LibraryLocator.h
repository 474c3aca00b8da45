#pragma once

#include <QString>
#include <QStringList>

// Where the iTunes library file is. Search order: the path set explicitly (the command line's
// --library; when set, it is the only candidate), the settings' global value "itunes-library",
// $PELLMAR_ITUNES_LIBRARY, ~/Music/iTunes/ with "iTunes Library.xml" and then
// "iTunes Music Library.xml", and the same two in the Wine prefix's
// drive_c/users/$USER/Music/iTunes/.
class LibraryLocator
{
public:
    static QStringList candidatePaths();
    // The first candidate that is a file. False when none is; aTried gets every candidate.
    static bool locate(QString* aPath, QStringList* aTried);

    // Process-wide; an empty path returns to the search.
    static void setExplicitPath(const QString& aPath);
    static QString explicitPath();
    // Stores the user's choice in the settings ("itunes-library").
    static void storeChosenPath(const QString& aPath);
};
