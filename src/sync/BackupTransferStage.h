#pragma once

#include <QString>

class MusicSync;
class SyncSettings;

// The stage of a run that moves the data of an old phone to the new one. For now it empties the
// working folder and, when the phone names a backup, reports that the transfer of backup data is
// not available yet; the music part of the run follows either way.
class BackupTransferStage
{
public:
    BackupTransferStage(MusicSync& aSync, SyncSettings& aSettings, const QString& aDeviceId);

    void run();

    // The working folder the backup data is unpacked into ("CORVO/extracted/").
    static QString workingFolder();

private:
    MusicSync& mSync;
    SyncSettings& mSettings;
    QString mDeviceId;
};
