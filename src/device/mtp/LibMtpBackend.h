#pragma once

#include "device/mtp/MtpBackend.h"

#include <QHash>
#include <QMutex>

struct LIBMTP_mtpdevice_struct;

// MtpBackend over libmtp. Devices are opened uncached: the cached open walks every object on
// the phone (one request per object on Android), which on a full phone takes minutes. Folders
// are listed one at a time instead. libmtp reports through a per-device error stack: it is
// cleared before every call, and every entry is logged and cleared after it.
class LibMtpBackend : public MtpBackend
{
public:
    LibMtpBackend();
    ~LibMtpBackend() override;

    int listRawDevices(QList<MtpRawDevice>& aDevices) override;
    Handle openDevice(const MtpRawDevice& aDevice, OpenResult& aResult) override;
    void closeDevice(Handle aDevice) override;
    QString serialNumber(Handle aDevice) override;
    QString friendlyName(Handle aDevice) override;
    int listStorages(Handle aDevice, QList<MtpStorageInfo>& aStorages) override;
    int listFolder(Handle aDevice, quint32 aStorageId, quint32 aFolderId,
                   QList<MtpObject>& aFiles) override;
    int createFolder(Handle aDevice, quint32 aParentId, quint32 aStorageId,
                     const QString& aName, quint32& aNewId) override;
    int sendFile(Handle aDevice, const QString& aLocalPath, MtpObject& aFile,
                 const Progress& aProgress) override;
    int getFile(Handle aDevice, quint32 aObjectId, const QString& aLocalPath) override;
    int deleteObject(Handle aDevice, quint32 aObjectId) override;
    int renameObject(Handle aDevice, quint32 aObjectId, const QString& aNewName) override;

    // Another process has the USB device node of bus aBus, device aDevNum open (a desktop's
    // MTP handling claims a phone when it is plugged in). aProcRoot prefixes /proc.
    static bool deviceNodeHeldElsewhere(quint32 aBus, quint32 aDevNum,
                                        const QString& aProcRoot = QString());

private:
    LIBMTP_mtpdevice_struct* device(Handle aDevice);
    // Logs every entry of the device's error stack under aMessage and clears it; answers
    // whether there was any.
    static bool drainErrors(LIBMTP_mtpdevice_struct* aDevice, const char* aMessage);

    QMutex mMutex;
    QHash<Handle, LIBMTP_mtpdevice_struct*> mDevices;
    Handle mNextHandle = 1;
};
