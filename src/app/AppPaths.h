#pragma once

#include <QString>

// The application data path (the user's home folder, set at start-up) and the folders built on it.
class AppPaths
{
public:
    static void setApplicationDataPath(const QString& aPath);
    // The path set at start-up, or the home folder when nothing was set.
    static QString applicationDataPath();
    // applicationDataPath() + "/CORVO": settings, track caches, working folders, temporary files.
    static QString corvoFolder();
};
