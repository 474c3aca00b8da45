#pragma once

#include "library/LibrarySource.h"

#include <QString>
#include <QStringList>

#include <memory>

// Makes the library source for a path, and knows which library the program uses.
class LibraryFactory
{
public:
    // The source of the kind that aPath holds; null for an empty path. A path that is no
    // library of any known kind gets a source whose read() says why.
    static std::shared_ptr<LibrarySource> open(const QString& aPath);

    // The library this process uses: the path set with setChosenPath(), else the first of
    // LibraryLocator's candidates that exists, else the only library LibraryFinder finds.
    // False when none does; aTried gets every candidate.
    static bool locate(QString* aPath, QStringList* aTried = nullptr);
    // Use this library instead of searching (the command line's --library); empty to search
    // again. Process-wide, so that every reader uses the same library.
    static void setChosenPath(const QString& aPath);
    static QString chosenPath();
    // Stores the user's choice in the settings, with its kind, for the next start.
    static void storeChosenPath(const QString& aPath);
};
