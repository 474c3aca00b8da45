#include "cli/SyncStateText.h"

#include <QCoreApplication>

QString SyncStateText::text(int aState)
{
    switch (aState) {
    case 0: return QCoreApplication::translate("SyncUi", "Connect your phone to the PC");
    case 1:
        return QCoreApplication::translate("SyncUi",
                                           "A phone is connected and is ready to be synchronized");
    case 2: return QCoreApplication::translate("SyncUi", "Phone synchronization is complete");
    case 3:
        return QCoreApplication::translate("SyncUi", "Phone synchronization is complete") + " ("
               + QCoreApplication::translate("SyncUi", "Errors detected") + ")";
    case 4: return QCoreApplication::translate("SyncUi", "The phone has not been set up");
    case 5: return QCoreApplication::translate("SyncUi", "The settings file could not be opened");
    case 6: return QCoreApplication::translate("SyncUi", "Phone synchronization was cancelled");
    case 8: return QCoreApplication::translate("SyncUi", "Scanning iTunes Library");
    case 9: return QCoreApplication::translate("SyncUi", "Preparing to synchronize");
    case 10: return QCoreApplication::translate("SyncUi", "Preparing to delete tracks");
    case 11: return QCoreApplication::translate("SyncUi", "Checking for album art");
    case 12: return QCoreApplication::translate("SyncUi", "Deleting tracks from the phone");
    case 13: return QCoreApplication::translate("SyncUi", "Copying tracks to the phone");
    case 14: return QCoreApplication::translate("SyncUi", "Cancelling");
    case 15: return QCoreApplication::translate("SyncUi", "Updating playlists");
    case 16: return QCoreApplication::translate("SyncUi", "Copying photos to the phone");
    case 17: return QCoreApplication::translate("SyncUi", "Converting video");
    default: return QStringLiteral("State %1").arg(aState);
    }
}
