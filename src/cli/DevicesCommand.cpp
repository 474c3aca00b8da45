#include "app/DebugLog.h"
#include "cli/DevicesCommand.h"

#include "cli/CliLibrary.h"
#include "cli/CliOptions.h"
#include "cli/CliPhones.h"
#include "device/Device.h"
#include "device/DeviceList.h"
#include "device/DeviceType.h"
#include "device/mtp/MtpPhoneRefresher.h"

#include <QTextStream>

PELLMAR_REGISTER_COMMAND(DevicesCommand)

namespace {

QString megabytes(quint64 aBytes, bool aKnown)
{
    if (!aKnown)
        return QStringLiteral("-");
    return QString::number(double(aBytes) / (1024.0 * 1024.0), 'f', 1) + QStringLiteral(" MB");
}

} // namespace

QString DevicesCommand::summary() const
{
    return QStringLiteral("list the phones found, with their state and space");
}

QString DevicesCommand::description() const
{
    return QStringLiteral("Lists every phone found, folders and MTP phones (one entry per storage):\n"
                          "id, name, kind, mounted, configured, capacity and free space. The phone\n"
                          "marked '*' is the one 'run' uses by default; --phone picks another by id\n"
                          "or name. An MTP phone that cannot be opened is named with the fix.\n"
                          "Folders of phones set up with --phone-folder are looked at too; one\n"
                          "that is gone is listed as not mounted. The first line names the library\n"
                          "in use.");
}

QList<QCommandLineOption> DevicesCommand::options() const
{
    return CliOptions::phoneOptions();
}

int DevicesCommand::run(const CliOptions& aOptions)
{
    LogScope scope("DevicesCommand::run");
    QTextStream out(stdout);
    QTextStream err(stderr);
    CliPhones phones;
    QString error;
    if (!phones.open(aOptions, error)) {
        err << "pellmar-sync devices: " << error << "\n";
        return CliExit::kError;
    }
    if (!aOptions.library().isEmpty() && !CliLibrary::locate(aOptions, error)) {
        err << "pellmar-sync devices: " << error << "\n";
        return CliExit::kError;
    }
    out << CliLibrary::inUseText(aOptions);
    const QList<Device*>& devices = phones.list().GetDevices();
    if (const QString damaged = phones.damagedSettingsText(); !damaged.isEmpty())
        out << damaged << "\n";
    for (const QString& problem : phones.mtpProblems()) {
        out << "A phone is attached but could not be opened: " << problem;
        if (problem == QLatin1String(MtpPhoneRefresher::kBusyText))
            out << " (or use its mounted folder with --phone-folder)";
        out << ".\n";
    }
    if (devices.isEmpty()) {
        out << "No phone found.\n";
        return CliExit::kDone;
    }
    Device* chosen = phones.choose(aOptions, error);
    for (Device* device : devices) {
        const bool mounted = device->IsMounted();
        quint64 capacity = 0;
        quint64 freeSpace = 0;
        const bool spaceKnown = mounted && device->GetStorageCapacity(capacity) == 0
                                && device->GetFreeStorageSpace(freeSpace) == 0 && capacity > 0;
        // A remembered folder that is gone cannot tell its id; the settings still know it.
        const QString remembered = mounted ? QString() : phones.rememberedId(device);
        out << (device == chosen ? "* " : "  ") << device->FriendlyName() << "\n"
            << "    id:         " << (remembered.isEmpty() ? device->UniqueDeviceId() : remembered)
            << "\n"
            << "    kind:       " << (device->GetDeviceType() == DeviceType::Mtp ? "MTP" : "folder")
            << "\n"
            << "    mounted:    " << (mounted ? "yes" : "no")
            << (remembered.isEmpty() ? "" : " (its folder is not there)") << "\n"
            << "    configured: "
            << (!remembered.isEmpty() || device->IsConfigured(phones.settings()) ? "yes" : "no") << "\n"
            << "    capacity:   " << megabytes(capacity, spaceKnown) << "\n"
            << "    free:       " << megabytes(freeSpace, spaceKnown) << "\n";
    }
    return CliExit::kDone;
}
