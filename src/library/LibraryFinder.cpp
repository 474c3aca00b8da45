#include "library/LibraryFinder.h"

#include "app/DebugLog.h"
#include "library/LibraryFactory.h"
#include "library/folder/AudioTagReader.h"
#include "library/folder/MusicFolderSource.h"
#include "library/itunes/TrackLocationResolver.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>

namespace {

const char* const kITunesNames[] = {"iTunes Library.xml", "iTunes Music Library.xml"};

// An XDG base folder: the variable when it holds an absolute path (as the XDG rules say),
// else the default below HOME.
QString xdgFolder(const char* aVariable, const QString& aDefault)
{
    const QString value = qEnvironmentVariable(aVariable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return QDir::homePath() + aDefault;
}

} // namespace

QStringList LibraryFinder::iTunesPaths()
{
    QStringList paths;
    const QString fromEnvironment = qEnvironmentVariable("PELLMAR_ITUNES_LIBRARY");
    if (!fromEnvironment.isEmpty())
        paths << fromEnvironment;
    const QString home = QDir::homePath();
    for (const char* name : kITunesNames)
        paths << home + QStringLiteral("/Music/iTunes/") + QLatin1String(name);
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = QFileInfo(home).fileName();
    const QString wineFolder = TrackLocationResolver::winePrefix() + QStringLiteral("/drive_c/users/")
                               + user + QStringLiteral("/Music/iTunes/");
    for (const char* name : kITunesNames)
        paths << wineFolder + QLatin1String(name);
    return paths;
}

QString LibraryFinder::musicFolderWithAudio()
{
    const QString folder = MusicFolderSource::defaultLocation();
    if (!QFileInfo(folder).isDir())
        return QString();
    // Not following links keeps a loop of links from walking for ever.
    QDirIterator it(folder, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        if (AudioTagReader::isAudioExtension(it.fileInfo().suffix().toLower()))
            return QDir::cleanPath(folder);
    }
    return QString();
}

QList<FoundLibrary> LibraryFinder::find()
{
    LogScope scope("LibraryFinder::find");
    QList<FoundLibrary> found;
    QSet<QString> seen;
    const auto add = [&](LibraryKind::Kind aKind, const QString& aPath, bool aFolder) {
        const QFileInfo info(aPath);
        if (aPath.isEmpty() || (aFolder ? !info.isDir() : !info.isFile()))
            return;
        const QString canonical = info.canonicalFilePath();
        if (seen.contains(canonical))
            return;
        seen.insert(canonical);
        found.append({aKind, QDir::cleanPath(info.absoluteFilePath())});
        logValue("Library found", LibraryKind::name(aKind) + QStringLiteral(": ") + aPath);
    };

    for (const QString& path : iTunesPaths())
        add(LibraryKind::ITunes, path, false);
    add(LibraryKind::Folder, musicFolderWithAudio(), true);
    const QString data = xdgFolder("XDG_DATA_HOME", QStringLiteral("/.local/share"));
    add(LibraryKind::Rhythmbox, data + QStringLiteral("/rhythmbox/rhythmdb.xml"), false);
    add(LibraryKind::Strawberry, data + QStringLiteral("/strawberry/strawberry/strawberry.db"),
        false);
    const QString config = xdgFolder("XDG_CONFIG_HOME", QStringLiteral("/.config"));
    add(LibraryKind::Clementine, config + QStringLiteral("/Clementine/clementine.db"), false);
    add(LibraryKind::Clementine, QDir::homePath() + QStringLiteral("/.config/Clementine/clementine.db"),
        false);
    return found;
}

qint64 LibraryFinder::trackCount(const QString& aPath)
{
    LogScope scope("LibraryFinder::trackCount");
    const std::shared_ptr<LibrarySource> source = LibraryFactory::open(aPath);
    if (!source)
        return -1;
    const LibraryRead read = source->read();
    if (!read.mContent) {
        logValue("Unreadable library", aPath + QStringLiteral(": ") + read.mError.mReason);
        return -1;
    }
    return qint64(read.mContent->tracks().size());
}
