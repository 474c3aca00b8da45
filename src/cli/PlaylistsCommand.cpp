#include "app/DebugLog.h"
#include "cli/PlaylistsCommand.h"

#include "cli/CliLibrary.h"
#include "cli/CliOptions.h"
#include "library/MusicLibrary.h"

#include <QTextStream>

PELLMAR_REGISTER_COMMAND(PlaylistsCommand)

QString PlaylistsCommand::summary() const
{
    return QStringLiteral("list the library's playlists and podcasts");
}

QString PlaylistsCommand::description() const
{
    return QStringLiteral("Lists the playlists and the podcasts of the library, the names that\n"
                          "'setup --playlist' and 'setup --podcast' take. --library names the\n"
                          "library: a music folder, an iTunes library file, Rhythmbox's\n"
                          "rhythmdb.xml, or Strawberry's or Clementine's database.");
}

QList<QCommandLineOption> PlaylistsCommand::options() const
{
    return {CliOptions::libraryOption()};
}

int PlaylistsCommand::run(const CliOptions& aOptions)
{
    LogScope scope("PlaylistsCommand::run");
    QTextStream out(stdout);
    QTextStream err(stderr);
    QString error;
    if (!CliLibrary::locate(aOptions, error)) {
        err << "pellmar-sync playlists: " << error << "\n";
        return CliExit::kError;
    }
    MusicLibrary library;
    if (!CliLibrary::readable(library, error)) {
        err << "pellmar-sync playlists: " << error << "\n";
        return CliExit::kError;
    }
    const QStringList playlists = library.playlistNames();
    const QStringList podcasts = library.podcastNames();
    out << CliLibrary::inUseText(aOptions);
    out << "Playlists:\n";
    for (const QString& name : playlists)
        out << "  " << name << "\n";
    if (playlists.isEmpty())
        out << "  (none)\n";
    out << "Podcasts:\n";
    for (const QString& name : podcasts)
        out << "  " << name << "\n";
    if (podcasts.isEmpty())
        out << "  (none)\n";
    return CliExit::kDone;
}
