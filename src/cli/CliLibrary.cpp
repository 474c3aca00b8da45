#include "cli/CliLibrary.h"

#include "cli/CliOptions.h"
#include "library/LibraryFactory.h"
#include "library/MusicLibrary.h"

#include <QFileInfo>

bool CliLibrary::locate(const CliOptions& aOptions, QString& aError)
{
    const QString named = aOptions.library();
    if (!named.isEmpty()) {
        if (!QFileInfo(named).isFile()) {
            aError = QStringLiteral("library file %1 does not exist").arg(named);
            return false;
        }
        LibraryFactory::setChosenPath(QFileInfo(named).absoluteFilePath());
        return true;
    }
    QString path;
    QStringList tried;
    if (LibraryFactory::locate(&path, &tried))
        return true;
    aError = QStringLiteral("no iTunes library file found; looked for:\n  ")
             + tried.join(QStringLiteral("\n  "))
             + QStringLiteral("\nName one with --library PATH.");
    return false;
}

bool CliLibrary::readable(MusicLibrary& aLibrary, QString& aError)
{
    if (aLibrary.read())
        return true;
    QString path;
    QStringList tried;
    LibraryFactory::locate(&path, &tried);
    aError = QStringLiteral("the iTunes library %1 could not be read").arg(path);
    return false;
}
