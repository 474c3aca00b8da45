#include "library/itunes/LibraryLocator.h"

#include "library/LibraryFinder.h"
#include "library/LibrarySetting.h"

QStringList LibraryLocator::candidatePaths()
{
    QStringList paths;
    const QString configured = LibrarySetting::read().mPath;
    if (!configured.isEmpty())
        paths << configured;
    paths << LibraryFinder::iTunesPaths();
    return paths;
}
