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

const QString kWholeLibrary = QStringLiteral("whole-library");
const QString kPlaylist = QStringLiteral("playlist");
const QString kNoMusic = QStringLiteral("no-music");
const QString kAllPodcasts = QStringLiteral("all-podcasts");
const QString kPodcast = QStringLiteral("podcast");
const QString kNoPodcasts = QStringLiteral("no-podcasts");
const QString kEpisodes = QStringLiteral("episodes");
const QString kNoAlbumArt = QStringLiteral("no-album-art");
const QString kNoRefreshAlbumArt = QStringLiteral("no-refresh-album-art");
const QString kConvertToMp3 = QStringLiteral("convert-to-mp3");

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

QString SetupCommand::description() const
{
    return QStringLiteral(
        "Sets up a phone as the setup wizard does and marks it configured. Music is the\n"
        "whole library unless --playlist or --no-music says otherwise; podcasts are none\n"
        "unless --all-podcasts or --podcast says otherwise.");
}

QList<QCommandLineOption> SetupCommand::options() const
{
    return QList<QCommandLineOption>{
               {kWholeLibrary, QStringLiteral("synchronise every track of the library")},
               {kPlaylist, QStringLiteral("synchronise this playlist (may repeat)"),
                QStringLiteral("NAME")},
               {kNoMusic, QStringLiteral("synchronise no music")},
               {kAllPodcasts, QStringLiteral("every podcast")},
               {kPodcast, QStringLiteral("this podcast (may repeat)"), QStringLiteral("NAME")},
               {kNoPodcasts, QStringLiteral("no podcasts")},
               {kEpisodes,
                QStringLiteral("the N most recent episodes of each podcast (0: all; default 0)"),
                QStringLiteral("N")},
               {kNoAlbumArt, QStringLiteral("do not send album art with newly added tracks")},
               {kNoRefreshAlbumArt,
                QStringLiteral("do not send album art for tracks already on the phone")},
               {kConvertToMp3, QStringLiteral("convert tracks that are not MP3 (AAC) to MP3")},
           }
           + CliOptions::phoneOptions();
}

int SetupCommand::run(const CliOptions& aOptions)
{
    LogScope scope("SetupCommand::run");
    QTextStream out(stdout);
    QTextStream err(stderr);
    auto usageError = [&](const QString& aText) {
        err << "pellmar-sync setup: " << aText << "\n";
        return CliExit::kUsage;
    };

    const QStringList playlists = aOptions.values(kPlaylist);
    const int musicModes = int(aOptions.isSet(kWholeLibrary))
                           + int(aOptions.isSet(kNoMusic))
                           + int(!playlists.isEmpty());
    if (musicModes > 1)
        return usageError(
            QStringLiteral("choose one of --whole-library, --playlist and --no-music"));
    const QStringList podcasts = aOptions.values(kPodcast);
    const int podcastModes = int(aOptions.isSet(kAllPodcasts))
                             + int(aOptions.isSet(kNoPodcasts))
                             + int(!podcasts.isEmpty());
    if (podcastModes > 1)
        return usageError(
            QStringLiteral("choose one of --all-podcasts, --podcast and --no-podcasts"));
    bool episodesOk = true;
    const int episodes = aOptions.value(kEpisodes, QStringLiteral("0"))
                             .toInt(&episodesOk);
    if (!episodesOk || episodes < 0)
        return usageError(QStringLiteral("--episodes takes a number of 0 or more"));

    const bool wholeLibrary = playlists.isEmpty() && !aOptions.isSet(kNoMusic);
    int podcastSetting = 0;
    if (aOptions.isSet(kAllPodcasts))
        podcastSetting = 1;
    else if (!podcasts.isEmpty())
        podcastSetting = 2;

    QString error;
    if (!playlists.isEmpty() || !podcasts.isEmpty()) {
        if (!CliLibrary::locate(aOptions, error)) {
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
    if (!phones.open(aOptions, error)) {
        err << "pellmar-sync setup: " << error << "\n";
        return CliExit::kError;
    }
    Device* phone = phones.choose(aOptions, error);
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
    settings.setConvertAacToMp3(id, aOptions.isSet(kConvertToMp3));
    settings.setEnableArtworkSync(id, !aOptions.isSet(kNoAlbumArt));
    settings.setForceArtworkSync(id, !aOptions.isSet(kNoRefreshAlbumArt));
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
