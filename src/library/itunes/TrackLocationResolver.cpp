#include "library/itunes/TrackLocationResolver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringBuilder>

#include <sys/stat.h>

namespace {

bool exists(const QString& aPath)
{
    struct stat info {};
    return ::stat(QFile::encodeName(aPath).constData(), &info) == 0;
}

int hexValue(char16_t aDigit)
{
    if (aDigit >= u'0' && aDigit <= u'9')
        return aDigit - u'0';
    if (aDigit >= u'a' && aDigit <= u'f')
        return aDigit - u'a' + 10;
    if (aDigit >= u'A' && aDigit <= u'F')
        return aDigit - u'A' + 10;
    return -1;
}

// The percent-decoded text of a URL part, the escapes read as UTF-8, exactly as
// QByteArray::fromPercentEncoding decodes it. Locations are ASCII with well-formed escapes:
// those are decoded here in one pass; any other text takes the general way.
QString percentDecoded(QStringView aText)
{
    const auto general = [aText]() {
        return QString::fromUtf8(QByteArray::fromPercentEncoding(aText.toUtf8()));
    };
    // Decoding only shortens: the bytes are written in place, not appended one by one.
    QByteArray bytes(aText.size(), Qt::Uninitialized);
    char* out = bytes.data();
    bool ascii = true;
    for (qsizetype i = 0; i < aText.size(); ++i) {
        const char16_t c = aText[i].unicode();
        if (c >= 0x80)
            return general();
        int value = c;
        // An escape needs two characters after it; otherwise the '%' stays.
        if (c == u'%' && i + 2 < aText.size()) {
            const int high = hexValue(aText[i + 1].unicode());
            const int low = hexValue(aText[i + 2].unicode());
            if (high < 0 || low < 0)
                return general();
            value = high * 16 + low;
            i += 2;
        }
        ascii = ascii && value < 0x80;
        *out++ = char(value);
    }
    const QByteArrayView decoded(bytes.constData(), out - bytes.constData());
    return ascii ? QString::fromLatin1(decoded) : QString::fromUtf8(decoded);
}

// aFolder + "/" + aName, in one allocation.
QString joined(const QString& aFolder, const QString& aName)
{
    return aFolder % QLatin1Char('/') % aName;
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
    mClock.start();
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
    // Views until the one decoded string: every track's location passes here on every scan.
    const QStringView url(aUrl);
    if (!url.startsWith(u"file:", Qt::CaseInsensitive))
        return QString();
    QStringView rest = url.sliced(5);
    QStringView host;
    if (rest.startsWith(u"//")) {
        rest = rest.sliced(2);
        const qsizetype slash = rest.indexOf(u'/');
        host = slash < 0 ? rest : rest.first(slash);
        rest = slash < 0 ? QStringView() : rest.sliced(slash);
    }
    QString path = percentDecoded(rest);
    path.replace(u'\\', u'/');
    if (!host.isEmpty() && host.compare(u"localhost", Qt::CaseInsensitive) != 0) {
        // "file://C:/x" (a drive written as the host) or a network share.
        if (host.size() == 2 && host.at(1) == u':')
            return host.toString() + path;
        return QStringLiteral("//") + host.toString() + path;
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
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash < 0)
        return path;
    const QString name = path.mid(slash + 1);
    const QString urlFolder = path.left(slash);

    // The tracks of an album share their folder: decide where a folder is once.
    auto answer = mAnswers.constFind(urlFolder);
    if (answer == mAnswers.constEnd()) {
        FolderAnswer folder;
        const QStringList candidates = candidateFolders(urlFolder);
        folder.mFirstCandidate = candidates.first();
        for (const QString& candidate : candidates) {
            folder.mFound = resolveFolder(candidate);
            if (!folder.mFound.isEmpty() && !findInFolder(folder.mFound, name).isEmpty())
                break;
            folder.mFound.clear();
        }
        // A folder whose first file was not found may still hold others: keep the first
        // candidate that exists at all.
        if (folder.mFound.isEmpty()) {
            for (const QString& candidate : candidates) {
                folder.mFound = resolveFolder(candidate);
                if (!folder.mFound.isEmpty())
                    break;
            }
        }
        answer = mAnswers.insert(urlFolder, folder);
    }
    if (!answer->mFound.isEmpty()) {
        const QString found = findInFolder(answer->mFound, name);
        if (!found.isEmpty())
            return found;
        // Files of one folder may have been scattered: try every candidate for this file.
        const QStringList candidates = candidateFolders(urlFolder);
        for (const QString& candidate : candidates) {
            const QString folder = resolveFolder(candidate);
            if (!folder.isEmpty() && folder != answer->mFound) {
                const QString other = findInFolder(folder, name);
                if (!other.isEmpty())
                    return other;
            }
        }
    }
    // One allocation: this is the answer for every track whose file is not here.
    QString missing;
    missing.reserve(answer->mFirstCandidate.size() + 1 + name.size());
    missing.append(answer->mFirstCandidate).append(u'/').append(name);
    return missing;
}

QStringList TrackLocationResolver::candidateFolders(const QString& aUrlFolder) const
{
    QStringList candidates;
    if (isDrivePath(aUrlFolder)) {
        const QString drive = aUrlFolder.left(1).toLower();
        const QString rest = aUrlFolder.mid(2);
        candidates << mWinePrefix + QStringLiteral("/dosdevices/") + drive + u':' + rest
                   << mWinePrefix + QStringLiteral("/drive_") + drive + rest;
    } else {
        candidates << aUrlFolder;
    }
    if (!mMusicFolder.isEmpty()) {
        const QString composed = aUrlFolder.normalized(QString::NormalizationForm_C) + u'/';
        const Qt::CaseSensitivity cs =
            isDrivePath(mMusicFolder) ? Qt::CaseInsensitive : Qt::CaseSensitive;
        if (composed.startsWith(mMusicFolder + u'/', cs)) {
            QString relative = composed.mid(mMusicFolder.size());
            relative.chop(1);
            candidates << mLibraryFolder + u'/' + mMusicFolderName + relative;
            // The library file kept inside the media folder itself.
            if (QFileInfo(mLibraryFolder).fileName().compare(mMusicFolderName, cs) == 0)
                candidates << mLibraryFolder + relative;
        }
    }
    return candidates;
}

QString TrackLocationResolver::findInFolder(const QString& aFolder, const QString& aName)
{
    const QString base = aFolder == QLatin1String("/") ? QString() : aFolder;
    // Names no folder lists ("", "." or one cut short by a NUL) are the file system's to judge.
    if (aName.isEmpty() || aName == QLatin1String(".") || aName == QLatin1String("..")
        || aName.contains(QChar(0)))
        return findOnDisk(base, aName);
    bool checked = false;
    std::shared_ptr<const FolderListing> names = listing(aFolder, false, &checked);
    // Not a folder that can be listed: as the file system says, one name at a time.
    if (!names)
        return findOnDisk(base, aName);
    QString found = findInListing(*names, base, aName);
    // The file may have come since this resolver last looked.
    if (found.isEmpty() && !checked) {
        names = listing(aFolder, true);
        found = names ? findInListing(*names, base, aName) : findOnDisk(base, aName);
    }
    return found;
}

QString TrackLocationResolver::findInListing(const FolderListing& aListing, const QString& aBase,
                                             const QString& aName)
{
    // A link is there only when its target is.
    const auto present = [&](const QString& aEntry) {
        return aListing.mNames.contains(aEntry)
               && (!aListing.mLinks.contains(aEntry) || exists(joined(aBase, aEntry)));
    };
    if (present(aName))
        return joined(aBase, aName);
    for (const auto form : {QString::NormalizationForm_C, QString::NormalizationForm_D}) {
        const QString other = aName.normalized(form);
        if (other != aName && present(other))
            return joined(aBase, other);
    }
    const QString match = aListing.foldedMatch(aName);
    return match.isEmpty() ? QString() : joined(aBase, match);
}

QString TrackLocationResolver::findOnDisk(const QString& aBase, const QString& aName)
{
    if (exists(joined(aBase, aName)))
        return joined(aBase, aName);
    for (const auto form : {QString::NormalizationForm_C, QString::NormalizationForm_D}) {
        const QString other = aName.normalized(form);
        if (other != aName && exists(joined(aBase, other)))
            return joined(aBase, other);
    }
    return QString();
}

std::shared_ptr<const FolderListing> TrackLocationResolver::listing(const QString& aFolder,
                                                                    bool aRecheck,
                                                                    bool* aChecked)
{
    const qint64 now = mClock.elapsed();
    auto known = mListings.find(aFolder);
    if (known != mListings.end() && !aRecheck && now - known->mCheckedAt < kTrustMilliseconds)
        return known->mListing;
    if (aChecked)
        *aChecked = true;
    KnownListing fresh {FolderListingCache::instance().current(aFolder), now};
    if (known != mListings.end())
        *known = fresh;
    else
        mListings.insert(aFolder, fresh);
    return fresh.mListing;
}

QString TrackLocationResolver::resolveFolder(const QString& aFolder)
{
    if (aFolder.isEmpty())
        return QStringLiteral("/");
    const auto known = mFolders.constFind(aFolder);
    if (known != mFolders.constEnd())
        return known.value();
    QString resolved;
    const qsizetype slash = aFolder.lastIndexOf(u'/');
    // Parent first: inside a folder that is not there, nothing is, and a library names
    // thousands of such folders when its media are elsewhere; each would cost a stat.
    const QString parent = slash >= 0 ? resolveFolder(aFolder.left(slash)) : QString();
    if (slash >= 0 && parent.isEmpty()) {
        // Nothing to find.
    } else if (QFileInfo(aFolder).isDir()) {
        resolved = aFolder;
    } else if (slash >= 0) {
        const std::shared_ptr<const FolderListing> names = listing(parent);
        const QString match =
            names ? names->foldedMatch(aFolder.mid(slash + 1)) : QString();
        if (!match.isEmpty())
            resolved = (parent == QLatin1String("/") ? QString() : parent) + u'/' + match;
    }
    mFolders.insert(aFolder, resolved);
    return resolved;
}
