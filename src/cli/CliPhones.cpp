#include "cli/CliPhones.h"

#include "cli/CliOptions.h"
#include "device/Device.h"
#include "device/DeviceList.h"
#include "device/UsbMSDevice.h"
#include "device/mtp/LibMtpBackend.h"
#include "device/mtp/MtpPhoneRefresher.h"
#include "settings/DamagedSettingsCopy.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>

namespace {

// A folder as the device list keeps it: absolute, clean, without a trailing "/".
QString cleanFolder(const QString& aFolder)
{
    return QDir::cleanPath(QFileInfo(aFolder).absoluteFilePath());
}

QString folderOf(Device* aDevice)
{
    auto* folderPhone = dynamic_cast<UsbMSDevice*>(aDevice);
    return folderPhone ? cleanFolder(folderPhone->RootPath()) : QString();
}

} // namespace

CliPhones::CliPhones() = default;
CliPhones::~CliPhones()
{
    if (mMtp && mMtpLocked)
        mMtp->unlock();
}

void CliPhones::openMtpPhones()
{
    auto refresher = std::make_unique<MtpPhoneRefresher>(std::make_shared<LibMtpBackend>());
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
    mSettings = SettingsSnapshot::read();
    for (const auto& [id, folder] : mSettings.phoneFolders()) {
        mRemembered.append({cleanFolder(folder), id});
        mList->AddPhoneFolder(folder);
    }
    openMtpPhones();
    // USB volumes are listed unmounted until the background check has answered; give it a
    // moment, as the window's next refresh would. Folders answer at once.
    const QStringList folders = mList->PhoneFolders();
    bool waiting = false;
    for (Device* device : mList->GetDevices())
        waiting = waiting || (!device->IsMounted() && !folders.contains(folderOf(device)));
    if (waiting) {
        const QDeadlineTimer deadline(500);
        while (!deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        mList->RefreshDevices();
    }
    return true;
}

QString CliPhones::damagedSettingsText() const
{
    return mSettings.isDamaged() ? damagedSettingsMessage() : QString();
}

QString CliPhones::damagedSettingsMessage()
{
    // Nothing is written here: the file is kept aside by the next command that saves.
    const QString path = SettingsSnapshot::filePath();
    return QStringLiteral("The settings file %1 is damaged; its content will be kept as %2 "
                          "before it is replaced. Set the phone up again with "
                          "'pellmar-sync setup'.")
        .arg(path, DamagedSettingsCopy::target(path));
}

Device* CliPhones::choose(const CliOptions& aOptions, QString& aError)
{
    const QList<Device*>& devices = mList->GetDevices();
    if (devices.isEmpty()) {
        // A locked phone is attached but shows nothing: say what to do about it.
        aError = mMtpProblems.isEmpty()
                     ? QStringLiteral("no phone found (connect one, or name a folder with --phone-folder)")
                     : QStringLiteral("no phone could be opened: %1").arg(mMtpProblems.join(QStringLiteral("; ")));
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
    if (aOptions.phoneFolders().size() == 1) {
        for (Device* device : devices) {
            if (!namedFolder(aOptions, device).isEmpty())
                return device;
        }
    }
    Device* best = mList->ConnectedDevice(mSettings);
    if (best && best->IsConfigured(mSettings))
        return best;
    // A set-up phone whose folder is gone reads as not set up; it is still the phone meant.
    Device* gone = lastRememberedGone();
    return gone ? gone : best;
}

Device* CliPhones::lastRememberedGone() const
{
    for (qsizetype i = mRemembered.size() - 1; i >= 0; --i) {
        for (Device* device : mList->GetDevices()) {
            if (!device->IsMounted() && folderOf(device) == mRemembered.at(i).first)
                return device;
        }
    }
    return nullptr;
}

QString CliPhones::rememberedId(Device* aDevice) const
{
    const QString folder = folderOf(aDevice);
    if (folder.isEmpty())
        return QString();
    for (qsizetype i = mRemembered.size() - 1; i >= 0; --i) {
        if (mRemembered.at(i).first == folder)
            return mRemembered.at(i).second;
    }
    return QString();
}

QString CliPhones::namedFolder(const CliOptions& aOptions, Device* aDevice) const
{
    const QString folder = folderOf(aDevice);
    for (const QString& named : aOptions.phoneFolders()) {
        if (!folder.isEmpty() && cleanFolder(named) == folder)
            return folder;
    }
    return QString();
}

QString CliPhones::notMountedText(Device* aDevice) const
{
    if (!rememberedId(aDevice).isEmpty())
        return QStringLiteral("the phone '%1' is not connected: its folder %2 is not there")
            .arg(aDevice->FriendlyName(), folderOf(aDevice));
    return QStringLiteral("the phone '%1' is not mounted; enable its USB connection first")
        .arg(aDevice->FriendlyName());
}

DeviceParent* CliPhones::parentOf(Device* aDevice) const
{
    return mList->ParentOf(aDevice);
}
