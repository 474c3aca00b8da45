#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Lists the audio and playlist files below a music folder with their sizes and modification
// times, in a fixed order (names sorted bytewise, folders depth first), so that two walks of an
// unchanged folder give the same list. Links are followed; a folder reached twice (a loop of
// links, or two links to one place) is walked once, and a file reached twice is listed once.
// Hidden files and folders (".Trash", macOS "._" companions) are left out.
class FolderWalker
{
public:
    struct File
    {
        // Below the root, "/"-separated.
        QString mRelativePath;
        qint64 mSize = 0;
        qint64 mModifiedNs = 0;
        bool operator==(const File&) const = default;
    };

    struct Listing
    {
        QList<File> mAudio;
        QList<File> mPlaylists;
        // Every folder walked, as absolute paths below the root: what to watch for changes.
        QStringList mFolders;
        // Things that could not be listed, one line each.
        QStringList mProblems;
        // True when files may be missing from the listing (a folder could not be read).
        bool mIncomplete = false;
        // The root could not be opened at all.
        bool mRootUnreadable = false;
    };

    static Listing walk(const QString& aRoot);
};
