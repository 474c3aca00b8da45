#include "library/LibraryKind.h"

namespace {

struct KindText
{
    LibraryKind::Kind mKind;
    const char* mId;
    const char* mName;
};

const KindText kKinds[] = {
    {LibraryKind::ITunes, "itunes", "iTunes"},
    {LibraryKind::Folder, "folder", "Music folder"},
    {LibraryKind::Rhythmbox, "rhythmbox", "Rhythmbox"},
    {LibraryKind::Strawberry, "strawberry", "Strawberry"},
    {LibraryKind::Clementine, "clementine", "Clementine"},
};

} // namespace

QString LibraryKind::id(Kind aKind)
{
    for (const KindText& kind : kKinds) {
        if (kind.mKind == aKind)
            return QLatin1String(kind.mId);
    }
    return QString();
}

LibraryKind::Kind LibraryKind::fromId(const QString& aId)
{
    for (const KindText& kind : kKinds) {
        if (aId == QLatin1String(kind.mId))
            return kind.mKind;
    }
    return Unknown;
}

QString LibraryKind::name(Kind aKind)
{
    for (const KindText& kind : kKinds) {
        if (kind.mKind == aKind)
            return QLatin1String(kind.mName);
    }
    return QString();
}

LibraryKind::Kind LibraryKind::fromName(const QString& aName)
{
    for (const KindText& kind : kKinds) {
        if (aName == QLatin1String(kind.mName))
            return kind.mKind;
    }
    return Unknown;
}
