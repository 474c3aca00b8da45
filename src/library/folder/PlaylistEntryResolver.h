#pragma once

#include <QHash>
#include <QString>

// Finds the track a playlist entry names, in any of the forms players write: a path relative to
// the playlist's folder, an absolute path, a file:// URL, or a Windows path (backslashes, a
// drive letter, a network share) from a library copied off a Windows computer, which is matched
// by the longest tail of its folders that exists below the music folder. An entry is never
// followed outside the music folder.
class PlaylistEntryResolver
{
public:
    // aTracks: the library's tracks by their path below aRoot.
    PlaylistEntryResolver(const QString& aRoot, const QHash<QString, qint32>& aTracks);

    struct Resolved
    {
        // Index of the track, or -1 with the reason in mProblem.
        qint32 mTrack = -1;
        QString mProblem;
    };

    // aPlaylistFolder: the playlist file's folder below the root ("" for the root itself).
    Resolved resolve(const QString& aPlaylistFolder, const QString& aEntry) const;

private:
    Resolved byRelativePath(const QString& aRelative, bool aAnyCase) const;
    Resolved windowsAbsolute(QString aPath) const;
    qint32 anyCase(const QString& aRelative) const;

    QString mRoot;
    QString mCanonicalRoot;
    const QHash<QString, qint32>& mTracks;
    // Lower-case paths, built when a Windows entry first needs them.
    mutable QHash<QString, qint32> mLowerCase;
};
