#include "ui/MessageCatalogue.h"

#include "ui/WebHost.h"

#include <QCoreApplication>

namespace {

QString& domain()
{
    static QString sDomain = QLatin1String(WebHost::kHost) + QStringLiteral("/itunes");
    return sDomain;
}

MessageCatalogue& instance()
{
    static MessageCatalogue sCatalogue;
    return sCatalogue;
}

QString text(const char* aSource, const char* aDisambiguation = nullptr)
{
    QString translated = QCoreApplication::translate("SyncUi", aSource, aDisambiguation);
    translated.replace(QStringLiteral("[APP_DOMAIN]"), domain());
    // An overridden origin replaces the scheme and host of every link.
    const QString standard = QStringLiteral("http://www.") + domain();
    const QString origin = WebHost::wwwOrigin();
    if (!origin.startsWith(QStringLiteral("http://www.")))
        translated.replace(standard, origin + domain().mid(domain().indexOf(QLatin1Char('/'))));
    return translated;
}

} // namespace

// Outside any namespace, as the resource macro requires.
static void initialiseResources()
{
    // The pictures and the licence text live in the static ui library.
    Q_INIT_RESOURCE(ui);
}

QString MessageCatalogue::unableToOpenText(QStringList aProblems) const
{
    aProblems.removeDuplicates();
    return aProblems.isEmpty() ? unableToConnectText : aProblems.join(QStringLiteral(".\n")) + u'.';
}

void MessageCatalogue::build()
{
    initialiseResources();
    domain() = QLatin1String(WebHost::kHost) + QLatin1Char('/')
               + QCoreApplication::translate("SyncUi", "en") + QStringLiteral("/itunes");
    MessageCatalogue& c = instance();
    c.productName = text(QT_TRANSLATE_NOOP("SyncUi", "Pellmar"));
    c.pleaseWaitITunes = text(QT_TRANSLATE_NOOP("SyncUi", "Please wait while iTunes is started"));
    c.pleaseWaitITunesHint = text(QT_TRANSLATE_NOOP(
        "SyncUi", "<p>If iTunes is already running then click <a "
                  "href=\"http://www.[APP_DOMAIN]/blog/files/"
                  "please_wait_while_itunes_is_started.html\">here</a> </p>"));
    c.connectPhone = text(QT_TRANSLATE_NOOP("SyncUi", "Connect your phone to this computer"));
    c.phoneNotDetectedHint = text(QT_TRANSLATE_NOOP(
        "SyncUi", "If your phone is already connected then click <a "
                  "href=\"http://www.[APP_DOMAIN]/blog/files/phone_not_detected.html\">here</a>. "));
    c.phoneReady = text(
        QT_TRANSLATE_NOOP("SyncUi", "A phone is connected and is ready to be synchronized"));
    c.syncComplete = text(QT_TRANSLATE_NOOP("SyncUi", "Phone synchronization is complete"));
    c.errorsDetected = text(QT_TRANSLATE_NOOP("SyncUi", "Errors detected"));
    c.syncCancelled = text(QT_TRANSLATE_NOOP("SyncUi", "Phone synchronization was cancelled"));
    c.scanningLibrary = text(QT_TRANSLATE_NOOP("SyncUi", "Scanning iTunes Library"));
    c.pleaseWait = text(QT_TRANSLATE_NOOP("SyncUi", "Please wait"));
    c.preparing = text(QT_TRANSLATE_NOOP("SyncUi", "Preparing to synchronize"));
    c.preparingDelete = text(QT_TRANSLATE_NOOP("SyncUi", "Preparing to delete tracks"));
    c.checkingAlbumArt = text(QT_TRANSLATE_NOOP("SyncUi", "Checking for album art"));
    c.deleting = text(QT_TRANSLATE_NOOP("SyncUi", "Deleting tracks from the phone"));
    c.copying = text(QT_TRANSLATE_NOOP("SyncUi", "Copying tracks to the phone"));
    c.cancelling = text(QT_TRANSLATE_NOOP("SyncUi", "Cancelling"));
    c.updatingPlaylists = text(QT_TRANSLATE_NOOP("SyncUi", "Updating playlists"));
    c.copyingPhotos = text(QT_TRANSLATE_NOOP("SyncUi", "Copying photos to the phone"));
    c.convertingVideo = text(QT_TRANSLATE_NOOP("SyncUi", "Converting video"));
    c.backupTransferFailed = text(QT_TRANSLATE_NOOP(
        "SyncUi", "<p>It has not been possible to transfer data from the selected backup. It may "
                  "be damaged, or encrypted in a way that cannot be opened: then please create a "
                  "backup without encryption (with idevicebackup2, iTunes or Finder) and choose "
                  "it again.</p>"));
    c.phoneFilesWritten = text(QT_TRANSLATE_NOOP(
        "SyncUi", "<p>The data you chose to bring over from your old phone (contacts, "
                  "calendar, text messages, notes) is now also on your phone in the folder "
                  "<b>%1</b>, in files that the phone's own apps can import.</p>"
                  "<p>Open <b>README.txt</b> in that folder with the phone's Files app: it says "
                  "how to import each file.</p>"));
    c.enableUsb = text(QT_TRANSLATE_NOOP(
        "SyncUi", "<p>It is necessary to enable the USB connection on your phone before "
                  "synchronizing. Click <a "
                  "href=\"http://www.[APP_DOMAIN]/blog/files/enable_usb.html\">here</a> for "
                  "instructions on how to do this.<p>"));
    c.notEnoughSpaceTitle = text(QT_TRANSLATE_NOOP("SyncUi", "Not Enough Space"));
    c.notEnoughSpaceText = text(QT_TRANSLATE_NOOP(
        "SyncUi", "You do not have enough space on your phone to complete the synchronization.  "
                  "You need to free up %1 MB. Do you want to continue with the sync anyway? Note "
                  "that if you do this then some tracks will not be copied."));
    c.dontSync = text(QT_TRANSLATE_NOOP("SyncUi", "Don't Sync"));
    c.syncAnyway = text(QT_TRANSLATE_NOOP("SyncUi", "Sync Anyway"));
    c.iTunesStopped = text(QT_TRANSLATE_NOOP(
        "SyncUi", "iTunes has stopped responding. If iTunes is displaying any messages or dialog "
                  "boxes then close them."));
    c.unableToConnectTitle = text(QT_TRANSLATE_NOOP("SyncUi", "Unable to Connect to Your Phone"));
    c.unableToConnectText = text(QT_TRANSLATE_NOOP(
        "SyncUi", "It has not been possible to connect to your phone. Try restarting your phone "
                  "and this computer, then try again."));
    c.phoneInUse = text(QT_TRANSLATE_NOOP(
        "SyncUi", "The phone '%1' is being synchronized by %2. Wait for that run to end, then "
                  "try again."));
    c.helpAddress = text(QT_TRANSLATE_NOOP("SyncUi", "http://www.[APP_DOMAIN]/help/help.html"));
    c.iTunesInfoTitle = text(QT_TRANSLATE_NOOP("SyncUi", "iTunes Information"));
    c.iTunesInfoText = text(QT_TRANSLATE_NOOP(
        "SyncUi", "iTunes must be running for Pellmar to work correctly. It is important that "
                  "iTunes is not closed while Pellmar is running.\n\nIf iTunes is displaying any "
                  "message boxes then please cancel them before continuing."));
    c.notCopiedFolder = text(QT_TRANSLATE_NOOP(
        "SyncUi", "<p>It was not possible to copy the following tracks to your phone.</p><p>Click "
                  "<a href=\"http://www.[APP_DOMAIN]/blog/files/copyfailed.htm\">here</a> to "
                  "diagnose the problem.</p>"));
    // The same wording as above, kept apart so that a translation can tell the two cases apart.
    static const struct
    {
        const char* source;
        const char* comment;
    } other = QT_TRANSLATE_NOOP3(
        "SyncUi",
        "<p>It was not possible to copy the following tracks to your phone.</p><p>Click "
        "<a href=\"http://www.[APP_DOMAIN]/blog/files/copyfailed.htm\">here</a> to "
        "diagnose the problem.</p>",
        "other failure");
    c.notCopiedOther = text(other.source, other.comment);
    c.drmWarning = text(QT_TRANSLATE_NOOP(
        "SyncUi", "<p>Some of your tracks are copy protected and cannot be played on your phone. "
                  "These tracks are listed below.</p><p>Click <a "
                  "href=\"http://www.[APP_DOMAIN]/blog/files/drm.htm\">here</a> for more "
                  "information on copy protected tracks.</p>"));
    c.dontDisplayAgain = text(QT_TRANSLATE_NOOP("SyncUi", "Do not display this message again."));
    c.usbEject = text(QT_TRANSLATE_NOOP(
        "SyncUi", "<p>Synchronization is complete.</p><p>Please eject your phone before "
                  "disconnecting, click <a "
                  "href=\"http://www.[APP_DOMAIN]/blog/files/usbeject.htm\">here</a> for more "
                  "details.</p>"));
    c.libraryNotFound = text(QT_TRANSLATE_NOOP(
        "SyncUi", "The music library could not be found or read."));
    c.chooseLibrary = text(QT_TRANSLATE_NOOP("SyncUi", "Choose music library\u2026"));
    c.connectPageHint = text(QT_TRANSLATE_NOOP(
        "SyncUi", "<p>Click <a "
                  "href=\"http://www.[APP_DOMAIN]/blog/files/phone_not_detected.html\">here</a> "
                  "if your phone is connected but is not displayed above.</p>"));
    c.createBackup = text(QT_TRANSLATE_NOOP(
        "SyncUi", "You must select a backup from the list to continue. If there are no device "
                  "backups displayed in the list then you can use iTunes to create one.  Click <a "
                  "href=\"http://www.[APP_DOMAIN]/blog/files/create_itunes_backup.html\">here</a> "
                  "for more information on how to create an iTunes backup."));
    c.blackberryPhotos = text(QT_TRANSLATE_NOOP(
        "SyncUi", "The above folder cannot be found. Click the Browse button to select your "
                  "Blackberry photos folder or click <a "
                  "href=\"http://www.[APP_DOMAIN]/blog/files/blackberry_photos.html\">here</a> "
                  "for more information on how to transfer Blackberry photos to this "
                  "computer."));
    c.syncNotFinished = text(QT_TRANSLATE_NOOP("SyncUi", "Phone synchronization did not finish"));
    c.syncEndedNotCopied = text(QT_TRANSLATE_NOOP("SyncUi", "Phone synchronization ended with tracks not copied"));
    c.stopToClose = text(QT_TRANSLATE_NOOP(
        "SyncUi", "Your phone is being synchronized. Stop the synchronization and close Pellmar? "
                  "What has been copied stays on your phone; the next synchronization finishes "
                  "the rest."));
    c.stopAndClose = text(QT_TRANSLATE_NOOP("SyncUi", "Stop and Close"));
    c.keepSynchronizing = text(QT_TRANSLATE_NOOP("SyncUi", "Keep Synchronizing"));
    c.previewing = text(QT_TRANSLATE_NOOP("SyncUi", "Working out what a synchronization would do"));
    c.folderGone = text(QT_TRANSLATE_NOOP("SyncUi", "The folder %1 is not there"));
    c.folderGoneHint = text(QT_TRANSLATE_NOOP(
        "SyncUi", "Insert the card or connect the drive that holds it, or use Settings to "
                  "choose another phone."));
}

const MessageCatalogue& MessageCatalogue::get()
{
    return instance();
}

QString MessageCatalogue::domainPath()
{
    return domain();
}

QString MessageCatalogue::link(const QString& aPath)
{
    QString address = QStringLiteral("http://www.[APP_DOMAIN]") + aPath;
    address.replace(QStringLiteral("[APP_DOMAIN]"), domain());
    return address;
}
