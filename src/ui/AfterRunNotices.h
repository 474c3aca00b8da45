#pragma once

#include <QCoreApplication>
#include <QString>

class DeviceList;
struct SyncResult;
class QWidget;

// What the window tells the user once a run has ended, each in a box of its own: a backup
// password that was not right, a backup transfer that failed, where the old phone's data went
// on the phone, and (after a complete run of a mass-storage phone) the reminder to eject it.
class AfterRunNotices
{
    Q_DECLARE_TR_FUNCTIONS(AfterRunNotices)

public:
    // aResult is what the run that ended did (none: only the eject reminder). aKeyringPasswordOf names
    // the backup whose password the run took from the keyring: a kept password that turned
    // out wrong is dropped there. aComplete: the run finished.
    static void show(QWidget* aParent, const SyncResult* aResult, const QString& aKeyringPasswordOf,
                     DeviceList& aDevices, bool aComplete);
};
