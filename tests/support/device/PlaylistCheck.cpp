#include "device/PlaylistCheck.h"

#include "device/AndroidPlaylistResolver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QByteArray contentOf(const QString& aPath)
{
    QFile file(aPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

QStringList PlaylistCheck::entries(const QString& aPlaylistPath)
{
    QStringList result;
    QFile file(aPlaylistPath);
    if (!file.open(QIODevice::ReadOnly))
        return result;
    for (QByteArray line : file.readAll().split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        result << QString::fromUtf8(line);
    }
    return result;
}

QStringList PlaylistCheck::verify(const QString& aPlaylistPath, const QString& aPhoneRoot,
                                  const QStringList& aExpectedSources)
{
    if (!QFileInfo::exists(aPlaylistPath))
        return {QStringLiteral("playlist missing: ") + aPlaylistPath};
    QStringList problems;
    const QStringList lines = entries(aPlaylistPath);
    if (lines.size() != aExpectedSources.size())
        problems << QStringLiteral("%1 entries, expected %2 in %3")
                        .arg(lines.size()).arg(aExpectedSources.size()).arg(aPlaylistPath);
    const AndroidPlaylistResolver resolver(aPhoneRoot);
    for (const auto rules : AndroidPlaylistResolver::kAllRules) {
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QString file = resolver.resolve(aPlaylistPath, lines.at(i), rules);
            if (file.isEmpty())
                problems << QStringLiteral("entry does not resolve on %1: %2")
                                .arg(AndroidPlaylistResolver::name(rules), lines.at(i));
            else if (i < aExpectedSources.size()
                     && contentOf(file) != contentOf(aExpectedSources.at(i)))
                problems << QStringLiteral("entry on %1 is not a copy of %2: %3")
                                .arg(AndroidPlaylistResolver::name(rules), aExpectedSources.at(i),
                                     lines.at(i));
        }
    }
    return problems;
}

QStringList PlaylistCheck::verifyAll(const QString& aPhoneRoot)
{
    QStringList problems;
    const QDir folder(aPhoneRoot + QStringLiteral("/Playlists_CDZ"));
    const QStringList playlists = folder.entryList({QStringLiteral("*.m3u")}, QDir::Files);
    if (playlists.isEmpty())
        return problems;
    const AndroidPlaylistResolver resolver(aPhoneRoot);
    for (const QString& name : playlists) {
        const QString path = folder.filePath(name);
        for (const QString& entry : entries(path)) {
            const QString exact =
                resolver.resolve(path, entry, AndroidPlaylistResolver::Rules::Android10);
            for (const auto rules : AndroidPlaylistResolver::kAllRules) {
                const QString file = resolver.resolve(path, entry, rules);
                if (file.isEmpty())
                    problems << QStringLiteral("%1: entry does not resolve on %2: %3")
                                    .arg(name, AndroidPlaylistResolver::name(rules), entry);
                else if (!exact.isEmpty() && file != exact)
                    problems << QStringLiteral("%1: entry resolves elsewhere on %2: %3")
                                    .arg(name, AndroidPlaylistResolver::name(rules), entry);
            }
        }
    }
    return problems;
}
