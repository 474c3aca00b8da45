#pragma once

#include "app/HelperWait.h"

#include <QByteArray>
#include <QString>

// A ".bbb" BlackBerry backup archive, unpacked with the external archiver (7z). The archive
// comes from outside: before it is unpacked its listing is checked, and an archive with an
// entry that would land outside the working folder (an absolute path, a ".." component) or
// that is a link is not unpacked at all. After unpacking, anything in the working folder that is
// not a plain file or folder is removed before the reader looks at it.
class BlackBerryArchive
{
public:
    // Unpacks aArchivePath into aWorkingFolder (ending in a separator). False when no archiver
    // is found, the file is not an archive it can list, an entry is unsafe, or aCancelled said
    // so while the archiver ran (what it had unpacked is removed then).
    static bool unpack(const QString& aArchivePath, const QString& aWorkingFolder,
                       const HelperWait::CancelCheck& aCancelled = {});

    // Whether every entry of a "7z l -slt" listing stays inside the folder it is unpacked into
    // and is a plain file or folder.
    static bool listingIsSafe(const QByteArray& aListing);
    // Removes every link, device, socket and pipe below aFolder without following links;
    // returns how many were removed.
    static int removeSpecialEntries(const QString& aFolder);
    // Removes from aFolder the files a "7z l -slt" listing names, and then its folders where
    // they are left empty; returns how many entries were removed.
    static int removeListedEntries(const QByteArray& aListing, const QString& aFolder);
};
