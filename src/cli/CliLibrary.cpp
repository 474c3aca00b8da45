#include "cli/CliLibrary.h"

#include "cli/CliOptions.h"
#include "library/LibraryFactory.h"
#include "library/LibraryFinder.h"
#include "library/LibrarySetting.h"
#include "library/MusicLibrary.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString described(const QString& aKindName, const QString& aPath)
{
    return QStringLiteral("%1 (%2)").arg(aKindName, QDir::toNativeSeparators(aPath));
}

// The library the user would have to name: none named now and none kept in the settings.
bool noneChosen(const CliOptions& aOptions)
{
    return aOptions.library().isEmpty() && LibrarySetting::read().isEmpty();
}

} // namespace

bool CliLibrary::locate(const CliOptions& aOptions, QString& aError)
{
    const QString named = aOptions.library();
    if (!named.isEmpty()) {
        // A music folder is named by its folder, every other kind by its file.
        if (!QFileInfo::exists(named)) {
            aError = QStringLiteral("library file %1 does not exist").arg(named);
            return false;
        }
        LibraryFactory::setChosenPath(QDir::cleanPath(QFileInfo(named).absoluteFilePath()));
        return true;
    }
    QString path;
    QStringList tried;
    if (LibraryFactory::locate(&path, &tried))
        return true;
    aError = QStringLiteral("no iTunes library file found; looked for:\n  ")
             + tried.join(QStringLiteral("\n  "));
    const QList<FoundLibrary> found = LibraryFinder::find();
    if (!found.isEmpty()) {
        aError += QStringLiteral("\nThese libraries were found:");
        for (const FoundLibrary& library : found)
            aError += QStringLiteral("\n  ") + described(LibraryKind::name(library.mKind), library.mPath);
    }
    aError += QStringLiteral("\nName one with --library PATH.");
    return false;
}

bool CliLibrary::readable(MusicLibrary& aLibrary, QString& aError)
{
    if (aLibrary.read())
        return true;
    QString path;
    LibraryFactory::locate(&path);
    const LibraryKind::Kind kind = LibrarySetting::kindOf(path);
    aError = kind == LibraryKind::Folder
                 ? QStringLiteral("the music folder %1 could not be read").arg(path)
                 : QStringLiteral("the %1 library %2 could not be read")
                       .arg(LibraryKind::name(kind == LibraryKind::Unknown ? LibraryKind::ITunes : kind),
                            path);
    return false;
}

QString CliLibrary::inUseText(const CliOptions& aOptions)
{
    QString path;
    if (!LibraryFactory::locate(&path))
        return QStringLiteral("Library: none found (name one with --library PATH)\n");
    const std::shared_ptr<LibrarySource> source = LibraryFactory::open(path);
    QString text = QStringLiteral("Library: ") + described(source->kindName(), path)
                   + QLatin1Char('\n');
    if (!noneChosen(aOptions))
        return text;
    QStringList others;
    const QString inUse = QFileInfo(path).canonicalFilePath();
    for (const FoundLibrary& library : LibraryFinder::find()) {
        if (QFileInfo(library.mPath).canonicalFilePath() != inUse)
            others << QStringLiteral("  ") + described(LibraryKind::name(library.mKind), library.mPath);
    }
    if (!others.isEmpty())
        text += QStringLiteral("Also found (name one with --library PATH):\n") + others.join(u'\n')
                + QLatin1Char('\n');
    return text;
}
