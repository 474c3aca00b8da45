#include "cli/SetupCommand.h"

#include "app/DebugLog.h"
#include "backup/iphone/BackupDiscovery.h"
#include "backup/blackberry/BlackBerryReader.h"
#include "cli/CliLibrary.h"
#include "cli/CliOptions.h"
#include "cli/CliPhones.h"
#include "device/Device.h"
#include "library/LibraryFactory.h"
#include "library/LibrarySetting.h"
#include "library/MusicLibrary.h"
#include "settings/SyncSettings.h"
#include "sync/RunLock.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
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
const QString kBackup = QStringLiteral("backup");
const QString kCopy = QStringLiteral("copy");
const QString kPhotoFolder = QStringLiteral("photo-folder");
const QStringList kCopyChoices = {QStringLiteral("messages"), QStringLiteral("contacts"),
                                  QStringLiteral("calendar"), QStringLiteral("notes"),
                                  QStringLiteral("photos")};

// The backup choices of the wizard's backup page, checked before anything is saved.
struct BackupChoice
{
    QString mPath;
    QSet<QString> mCopy;
    QStringList mPhotoFolders;
};

// Empty when the choice is sound; otherwise what is wrong with it.
QString readBackupChoice(const CliOptions& aOptions, BackupChoice& aChoice)
{
    const QString path = aOptions.value(kBackup);
    const QStringList copy = aOptions.values(kCopy);
    aChoice.mPhotoFolders.clear();
    if (path.isEmpty()) {
        if (!copy.isEmpty() || !aOptions.values(kPhotoFolder).isEmpty())
            return QStringLiteral("--copy and --photo-folder need --backup");
        return QString();
    }
    const QFileInfo info(path);
    const bool blackBerry = info.isFile() && BlackBerryReader::isBlackBerryBackup(info.fileName());
    if (blackBerry) {
        aChoice.mPath = info.absoluteFilePath();
    } else if (info.isDir()) {
        aChoice.mPath = QDir(path).absolutePath() + QLatin1Char('/');
    } else {
        return QStringLiteral("--backup takes an iPhone backup folder or a BlackBerry backup "
                              "file (.ipd or .bbb); '%1' is neither")
            .arg(path);
    }
    aChoice.mCopy.clear();
    for (const QString& list : copy) {
        for (const QString& word : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const QString choice = word.trimmed();
            if (!kCopyChoices.contains(choice))
                return QStringLiteral("--copy knows %1, not '%2'")
                    .arg(kCopyChoices.join(QLatin1Char(',')), choice);
            aChoice.mCopy.insert(choice);
        }
    }
    if (copy.isEmpty())
        aChoice.mCopy = QSet<QString>(kCopyChoices.begin(), kCopyChoices.end());
    for (const QString& folder : aOptions.values(kPhotoFolder)) {
        if (!blackBerry)
            return QStringLiteral("--photo-folder is for BlackBerry backups; an iPhone backup "
                                  "brings its own camera roll");
        if (!QFileInfo(folder).isDir())
            return QStringLiteral("the photo folder '%1' does not exist").arg(folder);
        aChoice.mPhotoFolders.append(QDir(folder).absolutePath());
    }
    return QString();
}

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
        "unless --all-podcasts or --podcast says otherwise. A library named with --library\n"
        "is kept, and so is the folder of a phone named with --phone-folder, so that later\n"
        "commands find them without the options.");
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
               {kBackup,
                QStringLiteral("move the data of the old phone from this backup with the next "
                               "run: an iPhone backup folder or a BlackBerry .ipd/.bbb file"),
                QStringLiteral("PATH")},
               {kCopy,
                QStringLiteral("what to move from the backup, comma-separated: messages,"
                               "contacts,calendar,notes,photos (default: all)"),
                QStringLiteral("LIST")},
               {kPhotoFolder,
                QStringLiteral("a folder of BlackBerry photos to copy to the phone's "
                               "DCIM/Blackberry (may repeat)"),
                QStringLiteral("DIR")},
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

    BackupChoice backup;
    const QString backupError = readBackupChoice(aOptions, backup);
    if (!backupError.isEmpty())
        return usageError(backupError);

    const bool wholeLibrary = playlists.isEmpty() && !aOptions.isSet(kNoMusic);
    int podcastSetting = 0;
    if (aOptions.isSet(kAllPodcasts))
        podcastSetting = 1;
    else if (!podcasts.isEmpty())
        podcastSetting = 2;

    QString error;
    // A library named here is checked and kept, so that later commands find it by themselves.
    const QString namedLibrary =
        aOptions.library().isEmpty() ? QString() : QFileInfo(aOptions.library()).absoluteFilePath();
    if (!playlists.isEmpty() || !podcasts.isEmpty() || !namedLibrary.isEmpty()) {
        if (!CliLibrary::locate(aOptions, error)) {
            err << "pellmar-sync setup: " << error << "\n";
            return CliExit::kError;
        }
        MusicLibrary library;
        if (!CliLibrary::readable(library, error)) {
            err << "pellmar-sync setup: " << error << "\n";
            return CliExit::kError;
        }
        const QStringList knownPlaylists = library.playlistNames();
        const QStringList knownPodcasts = library.podcastNames();
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
        err << "pellmar-sync setup: " << phones.notMountedText(phone) << "\n";
        return CliExit::kError;
    }

    // A run of this phone saves its settings when it ends and would undo these.
    RunLock lock = RunLock::forPhone(phone->UniqueDeviceId());
    if (!lock.tryLock()) {
        err << "pellmar-sync setup: the phone '" << phone->FriendlyName() << "' is in use by "
            << lock.holder() << "; wait for that run to end\n";
        return CliExit::kBusy;
    }

    // The wizard's save step, in its order.
    const PhoneResult configured = phone->SetConfigured();
    // Without its id file the phone would never be recognised as set up.
    if (!configured.isOk()) {
        err << "pellmar-sync setup: the phone's id could not be written to '"
            << phone->FriendlyName() << "'"
            << (configured.reason().isEmpty() ? QString()
                                               : QStringLiteral(" (") + configured.reason() + u')')
            << "; nothing was set up\n";
        return CliExit::kError;
    }
    const QString id = phone->UniqueDeviceId();
    SyncSettings settings;
    settings.load();
    settings.setConfig(id, phone->FriendlyName(), wholeLibrary, playlists, podcastSetting,
                       podcasts);
    settings.setConvertAacToMp3(id, aOptions.isSet(kConvertToMp3));
    settings.setEnableArtworkSync(id, !aOptions.isSet(kNoAlbumArt));
    settings.setForceArtworkSync(id, !aOptions.isSet(kNoRefreshAlbumArt));
    settings.setNumberOfEpisodesToSync(id, episodes);
    settings.setSelectedBackupPath(id, backup.mPath);
    settings.setCopyTextMessages(id, backup.mCopy.contains(QStringLiteral("messages")));
    settings.setCopyAddressBook(id, backup.mCopy.contains(QStringLiteral("contacts")));
    settings.setCopyNotes(id, backup.mCopy.contains(QStringLiteral("notes")));
    settings.setCopyCalendar(id, backup.mCopy.contains(QStringLiteral("calendar")));
    settings.removeSettingsList(id, QStringLiteral("photo_folders"));
    if (!backup.mPhotoFolders.isEmpty()) {
        QList<QPair<QString, QString>> folders;
        for (const QString& folder : std::as_const(backup.mPhotoFolders))
            folders.append({QStringLiteral("folder"), folder});
        settings.setSettingsList(id, QStringLiteral("photo_folders"), folders);
    }
    settings.setCopyPhotos(id, backup.mCopy.contains(QStringLiteral("photos")));
    if (!namedLibrary.isEmpty())
        LibrarySetting::apply(settings, LibrarySetting::kindOf(namedLibrary), namedLibrary);
    // Later commands find a folder phone without --phone-folder.
    const QString folder = phones.namedFolder(aOptions, phone);
    if (!folder.isEmpty())
        settings.setPhoneFolder(id, folder);
    if (settings.save() != 0) {
        err << "pellmar-sync setup: the settings file " << SyncSettings::settingsFilePath()
            << " could not be written\n";
        return CliExit::kError;
    }

    if (!settings.damagedCopyPath().isEmpty())
        out << "The damaged settings file was kept as " << settings.damagedCopyPath() << ".\n";

    // A library found by itself is kept from now on, as the window keeps it.
    QString inUse;
    if (namedLibrary.isEmpty() && LibraryFactory::locate(&inUse))
        LibrarySetting::keepFirstPick(inUse);

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
    if (!backup.mPath.isEmpty()) {
        QStringList chosen;
        for (const QString& choice : kCopyChoices) {
            if (backup.mCopy.contains(choice))
                chosen << choice;
        }
        out << "  Backup: " << backup.mPath << " (" << chosen.join(QStringLiteral(", "))
            << "; moved with the next run)\n";
        if (BackupDiscovery::isEncrypted(backup.mPath))
            out << "  The backup is encrypted: 'pellmar-sync run' asks for its password, or "
                   "reads it from --backup-password-file FILE.\n";
        for (const QString& folder : std::as_const(backup.mPhotoFolders))
            out << "  Photo folder: " << folder << "\n";
    }
    if (!folder.isEmpty())
        out << "  Phone folder: " << folder << "\n";
    if (!namedLibrary.isEmpty())
        out << "  Library: " << namedLibrary << "\n";
    out << "  Settings: " << SyncSettings::settingsFilePath() << "\n";
    return CliExit::kDone;
}
