#pragma once

#include "library/LibraryContent.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

// Why a library could not be read.
struct LibraryReadError
{
    enum class Kind {
        None,
        // Missing, unreadable or not a library of this kind: reading again will not help.
        Unusable,
        // Being rewritten or locked by its player right now: a read a little later may work.
        Busy,
    };
    Kind mKind = Kind::None;
    // For the user and the trace log: "the library file is damaged: ...".
    QString mReason;
};

struct LibraryRead
{
    std::shared_ptr<const LibraryContent> mContent;
    LibraryReadError mError;
    // Parts of the library that could not be read (an unreadable file, a playlist entry that
    // points nowhere), one line each. The content holds the rest; none of its tracks is missing
    // because of these, so the engine must not treat an incomplete read as tracks removed.
    QStringList mWarnings;
    // True when something of the library could not be read: tracks of it may be missing.
    bool mIncomplete = false;
};

// Encoded picture bytes and their kind, as album art is stored on the phone.
struct LibraryArtwork
{
    enum Format { None = 0, Jpeg = 1, Png = 2, Bmp = 3 };
    Format mFormat = None;
    QByteArray mData;
};

// One kind of library: the iTunes or Apple Music XML, a music folder, Rhythmbox, Strawberry or
// Clementine. Reads are cheap when nothing changed (sources keep their last read).
// Thread-safe: the window and a run may read the same source.
class LibrarySource
{
public:
    virtual ~LibrarySource() = default;

    // For the user: "iTunes", "Music folder", "Rhythmbox", "Strawberry", "Clementine".
    virtual QString kindName() const = 0;
    // The file or folder the library is read from.
    virtual QString location() const = 0;

    virtual LibraryRead read() = 0;
    // The local file of a track of this source's content; empty when there is none.
    virtual QString filePath(const LibraryTrack& aTrack) const = 0;
    // The track's album art (embedded in the file, else a cover file beside it); None when
    // there is none.
    virtual LibraryArtwork artwork(const LibraryTrack& aTrack) const = 0;
    // Files and folders whose change means the library changed.
    virtual QStringList watchedPaths() const = 0;
};
