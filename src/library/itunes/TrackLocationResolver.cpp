#include "library/itunes/TrackLocationResolver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

bool exists(const QString& aPath)
{
    struct stat info {};
    return ::stat(QFile::encodeName(aPath).constData(), &info) == 0;
}

QString withoutTrailingSlash(QString aPath)
{
    while (aPath.size() > 1 && aPath.endsWith(u'/'))
        aPath.chop(1);
    return aPath;
}

} // namespace

TrackLocationResolver::TrackLocationResolver(const QString& aLibraryPath,
                                             const QString& aMusicFolderUrl)
    : mLibraryFolder(QFileInfo(aLibraryPath).absolutePath())
    , mWinePrefix(winePrefix())
{
    const QString musicFolder = decodeFileUrl(aMusicFolderUrl);
    if (!musicFolder.isEmpty()) {
        mMusicFolder = withoutTrailingSlash(musicFolder).normalized(QString::NormalizationForm_C);
        mMusicFolderName = mMusicFolder.section(u'/', -1);
    }
}

QString TrackLocationResolver::winePrefix()
{
    const QString prefix = qEnvironmentVariable("WINEPREFIX");
    return withoutTrailingSlash(prefix.isEmpty() ? QDir::homePath() + QStringLiteral("/.wine")
                                                 : prefix);
}

bool TrackLocationResolver::isDrivePath(const QString& aPath)
{
    return aPath.size() >= 2 && aPath.at(0).isLetter() && aPath.at(0).unicode() < 128
           && aPath.at(1) == u':';
}

QString TrackLocationResolver::decodeFileUrl(const QString& aUrl)
{
    if (!aUrl.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        return QString();
    QString rest = aUrl.mid(5);
    QString host;
    if (rest.startsWith(QLatin1String("//"))) {
        rest = rest.mid(2);
        const qsizetype slash = rest.indexOf(u'/');
        host = slash < 0 ? rest : rest.left(slash);
        rest = slash < 0 ? QString() : rest.mid(slash);
    }
    QString path = QString::fromUtf8(QByteArray::fromPercentEncoding(rest.toUtf8()));
    path.replace(u'\\', u'/');
    if (!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0) {
        // "file://C:/x" (a drive written as the host) or a network share.
        if (host.size() == 2 && host.at(1) == u':')
            return host + path;
        return QStringLiteral("//") + host + path;
    }
    // "/C:/x" and the old form "/C|/x".
    if (path.size() >= 3 && path.at(0) == u'/' && path.at(1).isLetter()
        && (path.at(2) == u':' || path.at(2) == u'|')) {
        path = path.mid(1);
        path[1] = u':';
    }
    return path;
}

QString TrackLocationResolver::resolve(const QString& aUrl)
{
    const QString path = decodeFileUrl(aUrl);
    if (path.isEmpty())
        return QString();

    QStringList candidates;
    if (isDrivePath(path)) {
        const QString drive = path.left(1).toLower();
        const QString rest = path.mid(2);
        candidates << mWinePrefix + QStringLiteral("/dosdevices/") + drive + u':' + rest
                   << mWinePrefix + QStringLiteral("/drive_") + drive + rest;
    } else {
        candidates << path;
    }
    if (!mMusicFolder.isEmpty()) {
        const QString composed = path.normalized(QString::NormalizationForm_C);
        const Qt::CaseSensitivity cs =
            isDrivePath(mMusicFolder) ? Qt::CaseInsensitive : Qt::CaseSensitive;
        if (composed.startsWith(mMusicFolder + u'/', cs)) {
            const QString relative = composed.mid(mMusicFolder.size());
            candidates << mLibraryFolder + u'/' + mMusicFolderName + relative;
            // The library file kept inside the media folder itself.
            if (QFileInfo(mLibraryFolder).fileName().compare(mMusicFolderName, cs) == 0)
                candidates << mLibraryFolder + relative;
        }
    }
    for (const QString& candidate : std::as_const(candidates)) {
        const QString found = findExisting(candidate);
        if (!found.isEmpty())
            return found;
    }
    return candidates.first();
}

QString TrackLocationResolver::findExisting(const QString& aPath)
{
    if (exists(aPath))
        return aPath;
    for (const auto form : {QString::NormalizationForm_C, QString::NormalizationForm_D}) {
        const QString other = aPath.normalized(form);
        if (other != aPath && exists(other))
            return other;
    }
    return walkIgnoringCase(aPath);
}

QString TrackLocationResolver::foldName(const QString& aName)
{
    return aName.normalized(QString::NormalizationForm_C).toCaseFolded();
}

const QHash<QString, QString>& TrackLocationResolver::listing(const QString& aFolder)
{
    auto found = mListings.find(aFolder);
    if (found != mListings.end())
        return found.value();
    QHash<QString, QString> names;
    const QStringList entries =
        QDir(aFolder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& entry : entries)
        names.insert(foldName(entry), entry);
    return mListings.insert(aFolder, names).value();
}

QString TrackLocationResolver::walkIgnoringCase(const QString& aPath)
{
    if (!aPath.startsWith(u'/'))
        return QString();
    const QStringList parts = aPath.split(u'/', Qt::SkipEmptyParts);
    QString current;
    for (const QString& part : parts) {
        const QString folder = current.isEmpty() ? QStringLiteral("/") : current;
        const QString direct = current + u'/' + part;
        if (exists(direct)) {
            current = direct;
            continue;
        }
        const QHash<QString, QString>& names = listing(folder);
        const auto match = names.constFind(foldName(part));
        if (match == names.constEnd())
            return QString();
        current += u'/' + match.value();
    }
    return current.isEmpty() ? QString() : current;
}
