#pragma once

#include "settings/PhoneSettings.h"

#include <QByteArray>
#include <QString>

class SyncRunContext;
class SettingsSnapshot;
struct SyncResult;

// The stage of a run that moves the data of an old phone to the new one: when the phone's
// settings name a backup (an iPhone backup folder or a BlackBerry backup file), it unpacks it,
// has the exporters write their XML files into the working folder, copies the photos to "DCIM"
// and the XML files to "CORVO" on the phone, puts the files a stock phone imports (vCard,
// iCalendar, SMS Backup & Restore, notes as text, with a README) into "Download/Pellmar" for
// people without the companion app, and then switches the copy settings off, so that
// each transfer happens once per request. An iPhone backup that cannot be unpacked (typically
// a damaged one) marks the run's backup transfer as failed; the music part goes on. An encrypted
// backup is opened with its password, asked for before the run; a wrong password or none skips
// the transfer and keeps the choices. Whatever was decrypted is removed from the working folder
// when the stage ends. What happened goes into the run's result.
class BackupTransferStage
{
public:
    // aSettings: the run's snapshot, read only. aPassword: the encrypted backup's password.
    BackupTransferStage(SyncRunContext& aContext, const SettingsSnapshot& aSettings,
                        const QString& aDeviceId, SyncResult& aResult,
                        const QByteArray& aPassword);

    void run();

    // The working folder the backup data is unpacked into ("CORVO/extracted/").
    static QString workingFolder();
    // Where the exporters write the files for "Download/Pellmar" (inside the working folder).
    static QString phoneFilesFolder();
    // At start-up: empties the decrypted data that a run or export which died left in the
    // working folder, unless a live one is using it.
    static void removeLeftovers();
    // Deletes a folder with everything in it; true when nothing is left (or it did not exist).
    static bool removeDir(const QString& aDirName);

private:
    void transferBlackBerry(const QString& aBackupPath);
    // False when the transfer was skipped for want of the right password: the copy choices
    // then stay on.
    bool transferIPhone(const QString& aBackupPath);
    void copyToPhone();
    // Copies the files of phoneFilesFolder() to "Download/Pellmar", each through a temporary
    // name, the README last.
    void copyPhoneFiles();
    void switchCopySettingsOff();

    SyncRunContext& mContext;
    const PhoneSettings mSettings;
    QString mDeviceId;
    SyncResult& mResult;
    const QByteArray& mPassword;
};
