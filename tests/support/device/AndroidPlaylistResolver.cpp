#include "device/AndroidPlaylistResolver.h"

#include <QDir>
#include <QDirIterator>
#include <QRegularExpression>

namespace {

const QString kVolume = QStringLiteral("/storage/emulated/0");

QStringList components(const QString& aPath)
{
    static const QRegularExpression separators(QStringLiteral("[/\\\\]"));
    return aPath.split(separators, Qt::SkipEmptyParts);
}

} // namespace

QString AndroidPlaylistResolver::name(Rules aRules)
{
    switch (aRules) {
    case Rules::Android9: return QStringLiteral("Android 9");
    case Rules::Android10: return QStringLiteral("Android 10");
    case Rules::Android11: return QStringLiteral("Android 11");
    }
    return QString();
}

AndroidPlaylistResolver::AndroidPlaylistResolver(const QString& aPhoneRoot)
    : mRoot(QDir::cleanPath(QDir(aPhoneRoot).absolutePath()))
{
    const QDir root(mRoot);
    QDirIterator it(mRoot, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        mFiles << root.relativeFilePath(it.next());
        mComponents << components(devicePath(mFiles.last()));
    }
}

QString AndroidPlaylistResolver::devicePath(const QString& aRelative)
{
    return kVolume + QLatin1Char('/') + aRelative;
}

QString AndroidPlaylistResolver::fileAt(const QString& aDevicePath) const
{
    // cleanPath takes ".." as Java's canonical path does; on Linux it leaves "\" alone.
    const QString clean = QDir::cleanPath(aDevicePath);
    if (!clean.startsWith(kVolume + QLatin1Char('/')))
        return QString();
    const QString relative = clean.mid(kVolume.size() + 1);
    return mFiles.contains(relative) ? mRoot + QLatin1Char('/') + relative : QString();
}

QString AndroidPlaylistResolver::bySuffix(const QString& aDevicePath) const
{
    const QStringList wanted = components(aDevicePath);
    int best = 0;
    QStringList bestFiles;
    for (qsizetype i = 0; i < mFiles.size(); ++i) {
        const QStringList& have = mComponents.at(i);
        int run = 0;
        while (run < wanted.size() && run < have.size()
               && wanted.at(wanted.size() - 1 - run)
                          .compare(have.at(have.size() - 1 - run), Qt::CaseInsensitive)
                      == 0)
            ++run;
        if (run > best) {
            best = run;
            bestFiles = {mFiles.at(i)};
        } else if (run == best && run > 0) {
            bestFiles << mFiles.at(i);
        }
    }
    return bestFiles.size() == 1 ? mRoot + QLatin1Char('/') + bestFiles.first() : QString();
}

QString AndroidPlaylistResolver::byUniqueName(const QString& aFileName) const
{
    QStringList found;
    for (const QString& file : mFiles) {
        if (file.section(QLatin1Char('/'), -1) == aFileName)
            found << file;
    }
    return found.size() == 1 ? mRoot + QLatin1Char('/') + found.first() : QString();
}

QString AndroidPlaylistResolver::resolve(const QString& aPlaylistPath, const QString& aEntry,
                                         Rules aRules) const
{
    const QString playlistFolder = devicePath(
        QDir(mRoot).relativeFilePath(QDir::cleanPath(QDir(aPlaylistPath).absolutePath() + QStringLiteral("/.."))));
    const auto against = [&playlistFolder](const QString& aPath) {
        return aPath.startsWith(QLatin1Char('/')) ? aPath : playlistFolder + QLatin1Char('/') + aPath;
    };
    switch (aRules) {
    case Rules::Android9: {
        const bool absolute = aEntry.startsWith(QLatin1Char('/')) || aEntry.startsWith(QLatin1Char('\\'));
        return bySuffix(absolute ? aEntry : playlistFolder + QLatin1Char('/') + aEntry);
    }
    case Rules::Android10: return fileAt(against(aEntry));
    case Rules::Android11: {
        QString entry = aEntry;
        entry.replace(QLatin1Char('\\'), QLatin1Char('/'));
        const QString exact = fileAt(against(entry));
        return exact.isEmpty() ? byUniqueName(entry.section(QLatin1Char('/'), -1)) : exact;
    }
    }
    return QString();
}
