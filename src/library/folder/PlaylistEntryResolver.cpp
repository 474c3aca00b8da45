#include "library/folder/PlaylistEntryResolver.h"

#include "library/TrackIdentity.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

namespace {

bool isWindowsAbsolute(const QString& aPath)
{
    static const QRegularExpression kDrive(QStringLiteral("^[A-Za-z]:[\\\\/]"));
    return aPath.startsWith(QLatin1String("\\\\")) || kDrive.match(aPath).hasMatch();
}

} // namespace

PlaylistEntryResolver::PlaylistEntryResolver(const QString& aRoot, const QHash<QString, qint32>& aTracks)
    : mRoot(QDir::cleanPath(aRoot))
    , mCanonicalRoot(QFileInfo(aRoot).canonicalFilePath())
    , mTracks(aTracks)
{
}

PlaylistEntryResolver::Resolved PlaylistEntryResolver::resolve(const QString& aPlaylistFolder,
                                                               const QString& aEntry) const
{
    QString path = aEntry.trimmed();
    if (path.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
        const QUrl url(path, QUrl::TolerantMode);
        if (!url.isValid() || (!url.host().isEmpty() && url.host().compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0))
            return {-1, QStringLiteral("not a file on this computer")};
        path = url.path(QUrl::FullyDecoded);
        // file:///C:/Music/... names a Windows drive.
        if (path.size() > 3 && path.at(0) == QLatin1Char('/') && path.at(2) == QLatin1Char(':'))
            path.remove(0, 1);
    } else if (path.contains(QLatin1String("://"))) {
        return {-1, QStringLiteral("not a file on this computer (a stream)")};
    }
    if (path.isEmpty())
        return {-1, QStringLiteral("empty entry")};
    if (isWindowsAbsolute(path))
        return windowsAbsolute(path);
    const bool windowsStyle = path.contains(QLatin1Char('\\')) && !path.contains(QLatin1Char('/'));
    if (windowsStyle)
        path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QString relative;
    if (QDir::isAbsolutePath(path)) {
        relative = TrackIdentity::relativePath(mRoot, path);
        if (relative.isEmpty() && !mCanonicalRoot.isEmpty())
            relative = TrackIdentity::relativePath(mCanonicalRoot, path);
    } else {
        const QString base = aPlaylistFolder.isEmpty() ? mRoot : mRoot + QLatin1Char('/') + aPlaylistFolder;
        relative = TrackIdentity::relativePath(mRoot, base + QLatin1Char('/') + path);
    }
    if (relative.isEmpty())
        return {-1, QStringLiteral("outside the music folder")};
    return byRelativePath(relative, windowsStyle);
}

PlaylistEntryResolver::Resolved PlaylistEntryResolver::byRelativePath(const QString& aRelative,
                                                                      bool aAnyCase) const
{
    const auto found = mTracks.constFind(aRelative);
    if (found != mTracks.cend())
        return {*found, QString()};
    if (aAnyCase) {
        const qint32 track = anyCase(aRelative);
        if (track >= 0)
            return {track, QString()};
    }
    if (QFileInfo::exists(mRoot + QLatin1Char('/') + aRelative))
        return {-1, QStringLiteral("not an audio file of the library")};
    return {-1, QStringLiteral("file is missing")};
}

PlaylistEntryResolver::Resolved PlaylistEntryResolver::windowsAbsolute(QString aPath) const
{
    aPath.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QStringList parts = aPath.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    // The drive letter, or the server of a network share, names nothing here.
    if (!parts.isEmpty())
        parts.removeFirst();
    for (const QString& part : parts) {
        if (part == QLatin1String(".."))
            return {-1, QStringLiteral("outside the music folder")};
    }
    for (qsizetype first = 0; first < parts.size(); ++first) {
        const QString tail = QStringList(parts.mid(first)).join(QLatin1Char('/'));
        const auto found = mTracks.constFind(tail);
        if (found != mTracks.cend())
            return {*found, QString()};
        const qint32 track = anyCase(tail);
        if (track >= 0)
            return {track, QString()};
    }
    return {-1, QStringLiteral("a Windows path with no matching file in the music folder")};
}

qint32 PlaylistEntryResolver::anyCase(const QString& aRelative) const
{
    if (mLowerCase.isEmpty()) {
        mLowerCase.reserve(mTracks.size());
        for (auto it = mTracks.cbegin(); it != mTracks.cend(); ++it) {
            // Paths that differ only in case: the first in path order answers.
            const QString lower = it.key().toLower();
            const auto held = mLowerCase.constFind(lower);
            if (held == mLowerCase.cend() || *held > *it)
                mLowerCase.insert(lower, *it);
        }
    }
    return mLowerCase.value(aRelative.toLower(), -1);
}
