#pragma once

#include "settings/SettingsSnapshot.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <memory>

class CliOptions;
class Device;
class DeviceList;
class DeviceParent;
class MtpPhoneRefresher;

// The phones a command can see: the device list with the folders named by --phone-folder and
// the folders of phones set up with it earlier (a remembered folder that is gone is listed as
// not mounted), and the choice of one phone by --phone (id or name), by the one folder given,
// or as the window chooses (the phone set up last).
class CliPhones
{
public:
    CliPhones();
    ~CliPhones();

    // Builds and refreshes the device list, MTP phones included. False with aError when a named
    // folder is missing.
    bool open(const CliOptions& aOptions, QString& aError);
    // Why MTP phones that are attached could not be opened, with what the user can do.
    QStringList mtpProblems() const { return mMtpProblems; }

    DeviceList& list() { return *mList; }
    // The settings as open read them: once for the whole command.
    const SettingsSnapshot& settings() const { return mSettings; }
    // What the user is told when the settings file is damaged (it then reads as no settings
    // at all); empty when it is not.
    QString damagedSettingsText() const;
    // That text, for a settings file known to be damaged.
    static QString damagedSettingsMessage();

    // The phone to work with, or null with aError.
    Device* choose(const CliOptions& aOptions, QString& aError);
    DeviceParent* parentOf(Device* aDevice) const;

    // The id under which aDevice's folder was remembered, empty when it was not. A folder
    // phone that is not there cannot read its own id.
    QString rememberedId(Device* aDevice) const;
    // The folder of aDevice when it is a folder phone named by --phone-folder, else empty.
    QString namedFolder(const CliOptions& aOptions, Device* aDevice) const;
    // Why aDevice, which is not mounted, cannot be used, for the user.
    QString notMountedText(Device* aDevice) const;

private:
    // Lists the MTP phones: one enumeration opens the new phones, a second one takes them over;
    // then the enumeration stays locked, so nothing touches a phone while a command uses it.
    void openMtpPhones();
    // The remembered phone set up last whose folder is gone, or null.
    Device* lastRememberedGone() const;

    SettingsSnapshot mSettings;
    std::unique_ptr<DeviceList> mList;
    MtpPhoneRefresher* mMtp = nullptr;
    bool mMtpLocked = false;
    QStringList mMtpProblems;
    // Remembered phone folders (clean, absolute) with their phones' ids, in the settings'
    // order.
    QList<QPair<QString, QString>> mRemembered;
};
