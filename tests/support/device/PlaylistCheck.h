#pragma once

#include <QString>
#include <QStringList>

// Checks that every entry of an M3U playlist on a phone resolves to the copied track. Entries use
// "\" as separator. The base form resolves relative to the playlist's folder; the phone form
// resolves from the phone's root.
class PlaylistCheck
{
public:
    enum class Form { RelativeToPlaylist, FromPhoneRoot };

    // aExpectedSources are the local files the entries must be copies of, in playlist order.
    // Returns the problems found; empty when every entry resolves, stays inside aPhoneRoot and
    // holds the bytes of its source, and the count matches.
    static QStringList verify(const QString& aPlaylistPath, const QString& aPhoneRoot, Form aForm,
                              const QStringList& aExpectedSources);

    // The entry lines (not starting with "#") of a playlist file, line ends removed.
    static QStringList entries(const QString& aPlaylistPath);
};

#define PELLMAR_VERIFY_PLAYLIST(path, root, form, sources)                                       \
    do {                                                                                         \
        const QStringList pellmarProblems = PlaylistCheck::verify(path, root, form, sources);   \
        QVERIFY2(pellmarProblems.isEmpty(), qPrintable(pellmarProblems.join(QLatin1Char('\n'))));\
    } while (false)
