#include "cli/CliLibrary.h"

#include "cli/CliOptions.h"
#include "library/LocalMusicLibrary.h"
#include "library/itunes/LibraryLocator.h"

#include <QFileInfo>

bool CliLibrary::locate(const CliOptions& aOptions, QString& aError)
{
    const QString named = aOptions.library();
    if (!named.isEmpty()) {
        if (!QFileInfo(named).isFile()) {
            aError = QStringLiteral("library file %1 does not exist").arg(named);
            return false;
        }
        LocalMusicLibrary::setLibraryPath(QFileInfo(named).absoluteFilePath());
        return true;
    }
    QString path;
    QStringList tried;
    if (LibraryLocator::locate(&path, &tried))
        return true;
    aError = QStringLiteral("no iTunes library file found; looked for:\n  ")
             + tried.join(QStringLiteral("\n  "))
             + QStringLiteral("\nName one with --library PATH.");
    return false;
}

bool CliLibrary::readable(LocalMusicLibrary& aLibrary, QString& aError)
{
    std::shared_ptr<itunes::IITPlaylist> playlist;
    qint64 size = 0;
    if (aLibrary.getPlaylist(QString(), playlist, size) == 0)
        return true;
    QString path;
    QStringList tried;
    LibraryLocator::locate(&path, &tried);
    aError = QStringLiteral("the iTunes library %1 could not be read").arg(path);
    return false;
}
