#pragma once

#include <QString>

// The kinds of library Pellmar reads. The id is what the settings file keeps ("library-kind");
// the name is what the user reads.
class LibraryKind
{
public:
    enum Kind { Unknown, ITunes, Folder, Rhythmbox, Strawberry, Clementine };

    static QString id(Kind aKind);
    // Unknown for an empty or unknown id.
    static Kind fromId(const QString& aId);
    // "iTunes", "Music folder", "Rhythmbox", "Strawberry", "Clementine"; empty for Unknown.
    static QString name(Kind aKind);
    // The kind whose name() is aName; Unknown when none is.
    static Kind fromName(const QString& aName);
};
