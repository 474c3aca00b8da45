#include "cli/CliPhones.h"

#include "cli/CliOptions.h"
#include "device/Device.h"
#include "device/DeviceList.h"
#include "device/UsbMSDevice.h"
#include "device/mtp/LibMtpBackend.h"
#include "device/mtp/MtpMacDeviceRefresher.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>

CliPhones::CliPhones() = default;
CliPhones::~CliPhones()
{
    if (mMtp && mMtpLocked)
        mMtp->unlock();
}

void CliPhones::openMtpPhones()
{
    auto refresher = std::make_unique<MtpMacDeviceRefresher>(std::make_shared<LibMtpBackend>());
    mMtp = refresher.get();
    mList->SetDeviceRefresher(std::move(refresher));
    mList->RefreshDevices();
    mMtp->waitForRun();
    mMtpProblems = mMtp->openProblems();
    mList->RefreshDevices();
    mMtp->waitForRun();
    mMtp->lock();
    mMtpLocked = true;
}

bool CliPhones::open(const CliOptions& aOptions, QString& aError)
{
    mList = std::make_unique<DeviceList>();
    for (const QString& folder : aOptions.phoneFolders()) {
        if (!QFileInfo(folder).isDir()) {
            aError = QStringLiteral("phone folder %1 does not exist").arg(folder);
            return false;
        }
        mList->AddPhoneFolder(folder);
    }
    openMtpPhones();
    // USB volumes are listed unmounted until the background check has answered; give it a
    // moment, as the window's next refresh would.
    bool waiting = false;
    for (Device* device : mList->GetDevices())
        waiting = waiting || !device->IsMounted();
    if (waiting) {
        const QDeadlineTimer deadline(500);
        while (!deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        mList->RefreshDevices();
    }
    return true;
}

Device* CliPhones::choose(const CliOptions& aOptions, QString& aError)
{
    const QList<Device*>& devices = mList->GetDevices();
    if (devices.isEmpty()) {
        aError = QStringLiteral("no phone found (connect one, or name a folder with --phone-folder)");
        return nullptr;
    }
    const QString wanted = aOptions.phone();
    if (!wanted.isEmpty()) {
        for (Device* device : devices) {
            if (device->UniqueDeviceId() == wanted)
                return device;
        }
        for (Device* device : devices) {
            if (device->FriendlyName() == wanted)
                return device;
        }
        aError = QStringLiteral("no phone with the id or name '%1'").arg(wanted);
        return nullptr;
    }
    const QStringList folders = aOptions.phoneFolders();
    if (folders.size() == 1) {
        const QString root =
            QDir::cleanPath(QFileInfo(folders.first()).absoluteFilePath()) + QLatin1Char('/');
        for (Device* device : devices) {
            auto* folderPhone = dynamic_cast<UsbMSDevice*>(device);
            if (folderPhone && folderPhone->RootPath() == root)
                return device;
        }
    }
    return mList->ConnectedDevice();
}

DeviceParent* CliPhones::parentOf(Device* aDevice) const
{
    return mList->ParentOf(aDevice);
}
