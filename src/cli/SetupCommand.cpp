#include "cli/SetupCommand.h"

#include "app/DebugLog.h"
#include "cli/CliLibrary.h"
#include "cli/CliOptions.h"
#include "cli/CliPhones.h"
#include "device/Device.h"
#include "library/LocalMusicLibrary.h"
#include "settings/SyncSettings.h"

#include <QTextStream>

PELLMAR_REGISTER_COMMAND(SetupCommand)

namespace {

// Names that the library does not know, so that a typing error is caught before the phone is
// set up with a playlist that matches nothing.
QStringList unknownNames(const QStringList& aWanted, const QStringList& aKnown)
{
    QStringList unknown;
    for (const QString& name : aWanted) {
        if (!aKnown.contains(name))
            unknown << name;
    }
    return unknown;
}

} // namespace

QString SetupCommand::summary() const
{
    return QStringLiteral("set up a phone: what to synchronise to it");
}

QString SetupCommand::usage() const
{
    return QStringLiteral(
               "Usage: pellmar-sync setup [options]\n\n"
               "Sets up a phone as the setup wizard does and marks it configured.\n\n"
               "Music (default: the whole library):\n"
               "  --whole-library        synchronise every track of the library\n"
               "  --playlist NAME        synchronise this playlist (may repeat)\n"
               "  --no-music             synchronise no music\n"
               "Podcasts (default: none):\n"
               "  --all-podcasts         every podcast\n"
               "  --podcast NAME         this podcast (may repeat)\n"
               "  --no-podcasts          no podcasts\n"
               "  --episodes N           the N most recent episodes of each (0: all; default 0)\n"
               "Album art:\n"
               "  --no-album-art         do not send album art with newly added tracks\n"
               "  --no-refresh-album-art do not send album art for tracks already on the phone\n"
               "Conversion:\n"
               "  --convert-to-mp3       convert tracks that are not MP3 (AAC) to MP3\n\n")
           + CliOptions::sharedUsage();
}

int SetupCommand::run(const QStringList& aArguments)
{
    LogScope scope("SetupCommand::run");
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QString playlistOption = QStringLiteral("--playlist");
    const QString podcastOption = QStringLiteral("--podcast");
    CliOptions options({QStringLiteral("--whole-library"), QStringLiteral("--no-music"),
                        QStringLiteral("--all-podcasts"), QStringLiteral("--no-podcasts"),
                        QStringLiteral("--no-album-art"), QStringLiteral("--no-refresh-album-art"),
                        QStringLiteral("--convert-to-mp3")},
                       {playlistOption, podcastOption, QStringLiteral("--episodes")});
    auto usageError = [&](const QString& aText) {
        err << "pellmar-sync setup: " << aText << "\n";
        return CliExit::kUsage;
    };
    if (!options.parse(aArguments))
        return usageError(options.errorText());
    if (!options.positional().isEmpty())
        return usageError(QStringLiteral("unexpected argument ") + options.positional().first());

    const QStringList playlists = options.values(playlistOption);
    const int musicModes = int(options.isSet(QStringLiteral("--whole-library")))
                           + int(options.isSet(QStringLiteral("--no-music")))
                           + int(!playlists.isEmpty());
    if (musicModes > 1)
        return usageError(
            QStringLiteral("choose one of --whole-library, --playlist and --no-music"));
    const QStringList podcasts = options.values(podcastOption);
    const int podcastModes = int(options.isSet(QStringLiteral("--all-podcasts")))
                             + int(options.isSet(QStringLiteral("--no-podcasts")))
                             + int(!podcasts.isEmpty());
    if (podcastModes > 1)
        return usageError(
            QStringLiteral("choose one of --all-podcasts, --podcast and --no-podcasts"));
    bool episodesOk = true;
    const int episodes = options.value(QStringLiteral("--episodes"), QStringLiteral("0"))
                             .toInt(&episodesOk);
    if (!episodesOk || episodes < 0)
        return usageError(QStringLiteral("--episodes takes a number of 0 or more"));

    const bool wholeLibrary = playlists.isEmpty() && !options.isSet(QStringLiteral("--no-music"));
    int podcastSetting = 0;
    if (options.isSet(QStringLiteral("--all-podcasts")))
        podcastSetting = 1;
    else if (!podcasts.isEmpty())
        podcastSetting = 2;

    QString error;
    if (!playlists.isEmpty() || !podcasts.isEmpty()) {
        if (!CliLibrary::locate(options, error)) {
            err << "pellmar-sync setup: " << error << "\n";
            return CliExit::kError;
        }
        LocalMusicLibrary library;
        if (!CliLibrary::readable(library, error)) {
            err << "pellmar-sync setup: " << error << "\n";
            return CliExit::kError;
        }
        library.refreshPlaylists();
        const QStringList knownPlaylists = CliLibrary::textList(library.playlists());
        library.refreshPodcasts();
        const QStringList knownPodcasts = CliLibrary::textList(library.podcasts());
        const QStringList badPlaylists = unknownNames(playlists, knownPlaylists);
        const QStringList badPodcasts = unknownNames(podcasts, knownPodcasts);
        if (!badPlaylists.isEmpty() || !badPodcasts.isEmpty()) {
            for (const QString& name : badPlaylists)
                err << "pellmar-sync setup: the library has no playlist '" << name << "'\n";
            for (const QString& name : badPodcasts)
                err << "pellmar-sync setup: the library has no podcast '" << name << "'\n";
            err << "'pellmar-sync playlists' lists the names.\n";
            return CliExit::kError;
        }
    }

    CliPhones phones;
    if (!phones.open(options, error)) {
        err << "pellmar-sync setup: " << error << "\n";
        return CliExit::kError;
    }
    Device* phone = phones.choose(options, error);
    if (!phone) {
        err << "pellmar-sync setup: " << error << "\n";
        return CliExit::kError;
    }
    if (!phone->IsMounted()) {
        err << "pellmar-sync setup: the phone '" << phone->FriendlyName()
            << "' is not mounted\n";
        return CliExit::kError;
    }

    // The wizard's save step, in its order.
    phone->SetConfigured();
    const QString id = phone->UniqueDeviceId();
    SyncSettings settings;
    settings.load();
    settings.setConfig(id, phone->FriendlyName(), wholeLibrary, playlists, podcastSetting,
                       podcasts);
    settings.setConvertAacToMp3(id, options.isSet(QStringLiteral("--convert-to-mp3")));
    settings.setEnableArtworkSync(id, !options.isSet(QStringLiteral("--no-album-art")));
    settings.setForceArtworkSync(id, !options.isSet(QStringLiteral("--no-refresh-album-art")));
    settings.setNumberOfEpisodesToSync(id, episodes);
    settings.setSelectedBackupPath(id, QString());
    settings.setCopyTextMessages(id, false);
    settings.setCopyAddressBook(id, false);
    settings.setCopyNotes(id, false);
    settings.setCopyCalendar(id, false);
    settings.removeSettingsList(id, QStringLiteral("photo_folders"));
    settings.setCopyPhotos(id, false);
    if (settings.save() != 0) {
        err << "pellmar-sync setup: the settings file " << SyncSettings::settingsFilePath()
            << " could not be written\n";
        return CliExit::kError;
    }

    out << "Phone '" << phone->FriendlyName() << "' (id " << id << ") is set up.\n";
    if (wholeLibrary)
        out << "  Music: the whole library\n";
    else if (playlists.isEmpty())
        out << "  Music: none\n";
    else
        out << "  Music: " << playlists.join(QStringLiteral(", ")) << "\n";
    if (podcastSetting == 0)
        out << "  Podcasts: none\n";
    else
        out << "  Podcasts: "
            << (podcastSetting == 1 ? QStringLiteral("all") : podcasts.join(QStringLiteral(", ")))
            << (episodes == 0 ? QStringLiteral(", every episode")
                              : QStringLiteral(", the %1 most recent episodes").arg(episodes))
            << "\n";
    out << "  Settings: " << SyncSettings::settingsFilePath() << "\n";
    return CliExit::kDone;
}
