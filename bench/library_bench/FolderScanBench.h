#pragma once

#include <QStringList>

// A music folder of 20,000 tagged files: the first scan against a plain TagLib loop reading the
// same files' tags, the rescan of the unchanged folder against `find -printf`, and the peak
// memory of the scan. Each of our measurements runs in a child process of its own.
class FolderScanBench
{
public:
    // Handles the child modes; -1 when aArguments is not one of them.
    static int runChild(const QStringList& aArguments);
    // Runs the comparison; appends its TARGET lines to aTargets.
    static void run(const QString& aSelf, QStringList& aTargets);
};
