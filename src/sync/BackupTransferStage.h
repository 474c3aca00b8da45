#pragma once

#include <QString>

class MusicSync;
class SyncSettings;

// The stage of a run that moves the data of an old phone to the new one: when the phone's
// settings name a backup (an iPhone backup folder or a BlackBerry backup file), it unpacks it,
// has the exporters write their XML files into the working folder, copies the photos to "DCIM"
// and the XML files to "CORVO" on the phone, puts the files a stock phone imports (vCard,
// iCalendar, SMS Backup & Restore, notes as text, with a README) into "Download/Pellmar" for
// people without the companion app, and then switches the copy settings off, so that
// each transfer happens once per request. An iPhone backup that cannot be unpacked (typically
// an encrypted one) marks the run's backup transfer as failed; the music part goes on.
class BackupTransferStage
{
public:
    BackupTransferStage(MusicSync& aSync, SyncSettings& aSettings, const QString& aDeviceId);

    void run();

    // The working folder the backup data is unpacked into ("CORVO/extracted/").
    static QString workingFolder();
    // Where the exporters write the files for "Download/Pellmar" (inside the working folder).
    static QString phoneFilesFolder();

private:
    void transferBlackBerry(const QString& aBackupPath);
    void transferIPhone(const QString& aBackupPath);
    void copyToPhone();
    // Copies the files of phoneFilesFolder() to "Download/Pellmar", each through a temporary
    // name, the README last.
    void copyPhoneFiles();
    void switchCopySettingsOff();

    MusicSync& mSync;
    SyncSettings& mSettings;
    QString mDeviceId;
};
