#include "ui/AfterRunNotices.h"

#include "device/Device.h"
#include "device/DeviceList.h"
#include "device/DeviceType.h"
#include "settings/SyncSettings.h"
#include "sync/SyncResult.h"
#include "ui/BackupPasswordKeyring.h"
#include "ui/MessageCatalogue.h"
#include "ui/ModalAnswerer.h"
#include "ui/UsbEjectWarning.h"

#include <QMessageBox>

namespace {

void tell(QWidget* aParent, QMessageBox::Icon aIcon, const QString& aText, const char* aName,
          const QString& aDetails = QString())
{
    QMessageBox box(aIcon, MessageCatalogue::get().productName, aText, QMessageBox::Ok, aParent);
    box.setInformativeText(aDetails);
    box.setObjectName(QLatin1String(aName));
    ModalAnswerer::exec(box);
}

} // namespace

void AfterRunNotices::show(QWidget* aParent, const SyncResult* aResult,
                           const QString& aKeyringPasswordOf, DeviceList& aDevices, bool aComplete)
{
    const MessageCatalogue& c = MessageCatalogue::get();
    if (aResult && aResult->mBackupPasswordWrong) {
        // A kept password that no longer opens the backup is dropped: the next run asks.
        if (!aKeyringPasswordOf.isEmpty())
            BackupPasswordKeyring::forget(aKeyringPasswordOf);
        tell(aParent, QMessageBox::Warning, tr("The backup password is not right."),
             "backupPasswordWrongBox",
             tr("Nothing of the backup was transferred; it will be with the next "
                "synchronization."));
    }
    if (aResult && aResult->mBackupTransferFailed)
        tell(aParent, QMessageBox::Warning, c.backupTransferFailed, "backupFailedBox");
    if (aResult && !aResult->mPhoneFilesFolder.isEmpty())
        tell(aParent, QMessageBox::Information,
             c.phoneFilesWritten.arg(aResult->mPhoneFilesFolder.toHtmlEscaped()), "phoneFilesBox");
    // The reminder begins "Synchronization is complete.": only a complete run earns it.
    if (!aComplete || !aDevices.DeviceIsConnected())
        return;
    const SettingsSnapshot settings = SettingsSnapshot::read();
    Device* phone = aDevices.ConnectedDevice(settings);
    if (phone->GetDeviceType() != DeviceType::MassStorage)
        return;
    const QString id = phone->UniqueDeviceId();
    if (settings.phone(id).skipUsbEjectWarning())
        return;
    UsbEjectWarning warning;
    if (ModalAnswerer::exec(warning) == 1)
        SyncSettings::update(
            [&](SyncSettings& aSettings) { aSettings.setSkipUsbEjectWarning(id, true); });
}
