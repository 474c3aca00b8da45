#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Persistent ids for libraries that have none of their own: derived from the track's path
// relative to the library's root, so a rescan gives every file the id it had before, and a file
// that moves becomes a new track. The track cache and the phone's layout key on these ids, so the
// derivation must never change.
class TrackIdentity
{
public:
    // aRelativePath in the library's own "/"-separated form, without a leading "/" or "./".
    // aSalt > 0 gives the alternative ids used to part colliding paths. May be 0 (assign() never
    // hands that out).
    static quint64 idOf(const QString& aRelativePath, quint32 aSalt = 0);

    // One id per path, in the order given: never 0 and never the same for two entries. A path
    // whose id collides with another's (or is 0) keeps it only if it sorts first among them; the
    // others take the first salted id that is free. The result depends only on the set of paths,
    // not on their order.
    static QList<quint64> assign(const QStringList& aRelativePaths);
    // The same, when the unsalted ids are already known (idOf(path) for each path).
    static QList<quint64> assign(const QStringList& aRelativePaths, QList<quint64> aBaseIds);

    // aPath below aRoot in the form idOf() expects; empty when aPath is not below aRoot.
    static QString relativePath(const QString& aRoot, const QString& aPath);
};
