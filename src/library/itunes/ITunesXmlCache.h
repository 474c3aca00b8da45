#pragma once

#include "library/LibrarySource.h"

#include <QString>

#include <functional>
#include <memory>

// The parsed library files of this process. A file is parsed again only when its size,
// modification time or inode has changed, so that reading the library for every operation
// stays cheap. Thread-safe.
class ITunesXmlCache
{
public:
    struct Result
    {
        std::shared_ptr<const LibraryContent> mContent;
        // The file's "Music Folder" URL (may be empty).
        QString mMusicFolder;
        // Unusable: the file is missing, cannot be opened or is not a library (the reason says
        // which). Busy: the file changed while it was read, or it does not parse and was
        // modified less than settleTimeMs() ago, so it is probably being rewritten.
        LibraryReadError mError;
    };

    static Result acquire(const QString& aPath);

    // Drops every parse (readers keep the contents they hold).
    static void clear();

    // How long after its last modification an unparsable file counts as being written.
    static int settleTimeMs();
    static void setSettleTimeMs(int aMilliseconds);

    // Called after a file was parsed and before it is checked for changes (tests use it to
    // replace the file at that moment).
    static void setAfterReadHook(std::function<void(const QString&)> aHook);
};
