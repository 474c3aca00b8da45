#pragma once

#include <QString>

// The translated texts the window, the wizard and the dialogs share. Each is translated in the
// context "SyncUi" and then has every "[APP_DOMAIN]" replaced by the domain path: the web host,
// the language code of the loaded translation and "/itunes". Built once, before the window
// makes its widgets.
struct MessageCatalogue
{
    static void build();
    static const MessageCatalogue& get();
    // Host + "/" + language + "/itunes" once built, host + "/itunes" before.
    static QString domainPath();
    // "http://www.[APP_DOMAIN]" + aPath with the placeholder replaced.
    static QString link(const QString& aPath);
    // The notice for a phone that could not be opened: the reasons the user can act on
    // (aProblems, one per phone), else the general advice.
    QString unableToOpenText(QStringList aProblems) const;

    QString productName;
    QString pleaseWaitITunes;
    QString pleaseWaitITunesHint;
    QString connectPhone;
    QString phoneNotDetectedHint;
    QString phoneReady;
    QString syncComplete;
    QString errorsDetected;
    QString syncCancelled;
    QString scanningLibrary;
    QString pleaseWait;
    QString preparing;
    QString preparingDelete;
    QString checkingAlbumArt;
    QString deleting;
    QString copying;
    QString cancelling;
    QString updatingPlaylists;
    QString copyingPhotos;
    QString convertingVideo;
    QString backupTransferFailed;
    // %1: the phone's folder with the files its own apps import.
    QString phoneFilesWritten;
    QString enableUsb;
    QString notEnoughSpaceTitle;
    QString notEnoughSpaceText;
    QString dontSync;
    QString syncAnyway;
    QString iTunesStopped;
    QString unableToConnectTitle;
    QString unableToConnectText;
    QString phoneInUse;
    QString helpAddress;
    QString iTunesInfoTitle;
    QString iTunesInfoText;
    QString notCopiedFolder;
    QString notCopiedOther;
    QString drmWarning;
    QString dontDisplayAgain;
    QString usbEject;
    QString libraryNotFound;
    QString chooseLibrary;
    QString connectPageHint;
    QString createBackup;
    QString blackberryPhotos;
    QString syncNotFinished;
    // A finished run that left tracks behind; the summary below says how many and why.
    QString syncEndedNotCopied;
    QString stopToClose;
    QString stopAndClose;
    QString keepSynchronizing;
    QString previewing;
    QString folderGone;
    QString folderGoneHint;
};
