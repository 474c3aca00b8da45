#include "cli/SyncStateText.h"

#include "tracks/SyncState.h"

#include <QCoreApplication>

QString SyncStateText::text(int aState)
{
    switch (aState) {
    case SyncState::NoPhone:
        return QCoreApplication::translate("SyncUi", "Connect your phone to the PC");
    case SyncState::PhoneReady:
        return QCoreApplication::translate("SyncUi",
                                           "A phone is connected and is ready to be synchronized");
    case SyncState::Finished:
        return QCoreApplication::translate("SyncUi", "Phone synchronization is complete");
    case SyncState::FinishedWithErrors:
        return QCoreApplication::translate("SyncUi", "Phone synchronization is complete") + " ("
               + QCoreApplication::translate("SyncUi", "Errors detected") + ")";
    case SyncState::NotConfigured:
        return QCoreApplication::translate("SyncUi", "The phone has not been set up");
    case SyncState::NoSettings:
        return QCoreApplication::translate("SyncUi", "The settings file could not be opened");
    case SyncState::Cancelled:
        return QCoreApplication::translate("SyncUi", "Phone synchronization was cancelled");
    case SyncState::ScanningLibrary:
        return QCoreApplication::translate("SyncUi", "Scanning iTunes Library");
    case SyncState::Preparing:
        return QCoreApplication::translate("SyncUi", "Preparing to synchronize");
    case SyncState::PreparingToDelete:
        return QCoreApplication::translate("SyncUi", "Preparing to delete tracks");
    case SyncState::CheckingAlbumArt:
        return QCoreApplication::translate("SyncUi", "Checking for album art");
    case SyncState::Deleting:
        return QCoreApplication::translate("SyncUi", "Deleting tracks from the phone");
    case SyncState::Copying:
        return QCoreApplication::translate("SyncUi", "Copying tracks to the phone");
    case SyncState::Cancelling:
        return QCoreApplication::translate("SyncUi", "Cancelling");
    case SyncState::Playlists:
        return QCoreApplication::translate("SyncUi", "Updating playlists");
    case SyncState::CopyingPhotos:
        return QCoreApplication::translate("SyncUi", "Copying photos to the phone");
    case SyncState::ConvertingVideo:
        return QCoreApplication::translate("SyncUi", "Converting video");
    default: return QStringLiteral("State %1").arg(aState);
    }
}
