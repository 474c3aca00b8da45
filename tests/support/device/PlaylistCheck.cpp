#include "device/PlaylistCheck.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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
                                  Form aForm, const QStringList& aExpectedSources)
{
    QStringList problems;
    if (!QFileInfo::exists(aPlaylistPath))
        return {QStringLiteral("playlist missing: ") + aPlaylistPath};
    const QStringList lines = entries(aPlaylistPath);
    if (lines.size() != aExpectedSources.size())
        problems << QStringLiteral("%1 entries, expected %2 in %3")
                        .arg(lines.size()).arg(aExpectedSources.size()).arg(aPlaylistPath);
    const QString root = QDir::cleanPath(aPhoneRoot);
    const QString base = aForm == Form::FromPhoneRoot ? root : QFileInfo(aPlaylistPath).absolutePath();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString relative = lines.at(i);
        relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
        const QString resolved = QDir::cleanPath(base + QLatin1Char('/') + relative);
        if (!resolved.startsWith(root + QLatin1Char('/'))) {
            problems << QStringLiteral("entry leaves the phone: ") + lines.at(i);
            continue;
        }
        QFile target(resolved);
        if (!target.open(QIODevice::ReadOnly)) {
            problems << QStringLiteral("entry does not resolve: ") + lines.at(i);
            continue;
        }
        if (i < aExpectedSources.size()) {
            QFile source(aExpectedSources.at(i));
            source.open(QIODevice::ReadOnly);
            if (source.readAll() != target.readAll())
                problems << QStringLiteral("entry is not a copy of %1: %2")
                                .arg(aExpectedSources.at(i), lines.at(i));
        }
    }
    return problems;
}
