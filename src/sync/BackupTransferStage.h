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
// a damaged one) marks the run's backup transfer as failed; the music part goes on. An encrypted
// backup is opened with its password, asked for when the stage starts; a wrong password or a
// cancelled question skips the transfer and keeps the choices. Whatever was decrypted is
// removed from the working folder when the stage ends.
class BackupTransferStage
{
public:
    BackupTransferStage(MusicSync& aSync, SyncSettings& aSettings, const QString& aDeviceId);

    void run();

    // The working folder the backup data is unpacked into ("CORVO/extracted/").
    static QString workingFolder();
    // Where the exporters write the files for "Download/Pellmar" (inside the working folder).
    static QString phoneFilesFolder();
    // At start-up: empties the decrypted data that a run or export which died left in the
    // working folder, unless a live one is using it.
    static void removeLeftovers();

private:
    void transferBlackBerry(const QString& aBackupPath);
    // False when the transfer was skipped for want of the right password: the copy choices
    // then stay on.
    bool transferIPhone(const QString& aBackupPath);
    // The password of an encrypted backup: the one given before the run, else the answer to
    // the run's question. Empty when the user cancelled.
    QByteArray backupPassword(const QString& aBackupPath);
    void copyToPhone();
    // Copies the files of phoneFilesFolder() to "Download/Pellmar", each through a temporary
    // name, the README last.
    void copyPhoneFiles();
    void switchCopySettingsOff();

    MusicSync& mSync;
    SyncSettings& mSettings;
    QString mDeviceId;
};
