#pragma once

#include "library/itunes/ITunesAutomation.h"
#include "library/itunes/LibrarySnapshot.h"

#include <QString>

#include <functional>
#include <memory>

// The parsed library files of this process. A file is parsed again only when its size,
// modification time or inode has changed, so that making an application object per operation
// stays cheap. Thread-safe.
class LibrarySnapshotCache
{
public:
    // The snapshot of the file at aPath. Failures:
    // - kFileNotFound / kAccessDenied: the file is missing or cannot be opened;
    // - kInvalidData: the file is not a library (truncated, not a property list, empty);
    // - kCallRejected ("busy"): the file changed while it was read, or it does not parse and was
    //   modified less than settleTime() ago, so it is probably being rewritten. This passes by
    //   itself, which is why callers retry it without limit.
    static itunes::HResult acquire(const QString& aPath,
                                   std::shared_ptr<const LibrarySnapshot>* aSnapshot);

    // Drops every snapshot (application objects keep the ones they hold).
    static void clear();
    // Why the last library file that could not be used was refused ("the library file is
    // damaged: ..."); empty when none was.
    static QString lastRefusal();

    // How long after its last modification an unparsable file counts as being written.
    static int settleTimeMs();
    static void setSettleTimeMs(int aMilliseconds);

    // Called after a file was parsed and before it is checked for changes (tests use it to
    // replace the file at that moment).
    static void setAfterReadHook(std::function<void(const QString&)> aHook);
};
