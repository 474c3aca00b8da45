#include "ui/SyncUiFrontEnd.h"

#include "app/DebugLog.h"
#include "device/Device.h"
#include "sync/SyncPlan.h"
#include "ui/BackupPasswordDialog.h"
#include "ui/MessageCatalogue.h"
#include "ui/ModalAnswerer.h"
#include "ui/RunQuestions.h"
#include "ui/SyncUi.h"

#include <QMessageBox>

void SyncUiFrontEnd::phoneNotMounted(Device&)
{
    logMessage("Device is not mounted");
    const MessageCatalogue& c = MessageCatalogue::get();
    QMessageBox box(QMessageBox::Warning, c.productName, c.enableUsb, QMessageBox::Ok, &mWindow);
    box.setObjectName(QStringLiteral("notMountedBox"));
    ModalAnswerer::exec(box);
}

void SyncUiFrontEnd::settingsDamaged(const SettingsSnapshot&)
{
    // The wizard sets the phone up again, as for a phone never set up.
    logMessage("Settings damaged");
    mWindow.changeSettings(SyncUi::kModeNewPhone);
}

void SyncUiFrontEnd::phoneNotConfigured(Device&)
{
    mWindow.changeSettings(SyncUi::kModeNewPhone);
}

void SyncUiFrontEnd::phoneInUse(Device& aPhone, const QString& aHolder)
{
    RunQuestions::tellPhoneInUse(&mWindow, aPhone.FriendlyName(), aHolder);
    mWindow.SetRegularButtons();
    mWindow.autoRefresher().start();
}

QByteArray SyncUiFrontEnd::backupPassword(const QString& aBackupPath)
{
    LogScope scope("SyncUiFrontEnd::backupPassword");
    bool kept = false;
    const QByteArray password = BackupPasswordDialog::ask(&mWindow, aBackupPath, kept);
    if (kept)
        mKeyringPasswordOf = aBackupPath;
    return password;
}

bool SyncUiFrontEnd::goOnWithoutSpace(const SyncPlan& aPlan)
{
    LogScope scope("SyncUiFrontEnd::goOnWithoutSpace");
    return RunQuestions::goOnWithoutSpace(&mWindow, aPlan.mSpaceNeeded - aPlan.mFreeSpace);
}

void SyncUiFrontEnd::copyProtectedFound(const SyncPlan&)
{
    // Copy-protected tracks are listed in the run's summary; the run does not wait for them.
    logMessage("SyncUiFrontEnd::copyProtectedFound");
}

bool SyncUiFrontEnd::confirmDeletions(const SyncPlan& aPlan)
{
    LogScope scope("SyncUiFrontEnd::confirmDeletions");
    return RunQuestions::confirmDeletions(aPlan, aPlan.mDeviceId);
}
