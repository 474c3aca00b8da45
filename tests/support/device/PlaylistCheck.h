#pragma once

#include <QString>
#include <QStringList>

// Checks M3U playlists on a phone folder the way phones read them: every entry must resolve,
// under the rules of every Android version (AndroidPlaylistResolver), to the same file.
class PlaylistCheck
{
public:
    // aExpectedSources are the local files the entries must be copies of, in playlist order.
    // Returns the problems found; empty when the count matches and every entry resolves under
    // every rule set to a file holding the bytes of its source.
    static QStringList verify(const QString& aPlaylistPath, const QString& aPhoneRoot,
                              const QStringList& aExpectedSources);

    // Every entry of every playlist in "Playlists_CDZ" resolves under every rule set, and to
    // the same file. Returns the problems found.
    static QStringList verifyAll(const QString& aPhoneRoot);

    // The entry lines (not starting with "#") of a playlist file, line ends removed.
    static QStringList entries(const QString& aPlaylistPath);
};

#define PELLMAR_VERIFY_PLAYLIST(path, root, sources)                                             \
    do {                                                                                         \
        const QStringList pellmarProblems = PlaylistCheck::verify(path, root, sources);          \
        QVERIFY2(pellmarProblems.isEmpty(), qPrintable(pellmarProblems.join(QLatin1Char('\n'))));\
    } while (false)
