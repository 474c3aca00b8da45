#include "device/mtp/LibMtpBackend.h"

#include "app/DebugLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <libmtp.h>

#include <cstdlib>
#include <cstring>

#include <unistd.h>

namespace {

QString takeLibMtpString(char* aText)
{
    const QString text = aText ? QString::fromUtf8(aText).trimmed() : QString();
    std::free(aText);
    return text;
}

int progressTrampoline(uint64_t const aSent, uint64_t const aTotal, void const* const aData)
{
    const auto* progress = static_cast<const MtpBackend::Progress*>(aData);
    return (*progress && !(*progress)(aSent, aTotal)) ? 1 : 0;
}

bool rawDeviceFor(const MtpRawDevice& aDevice, LIBMTP_raw_device_t& aRaw)
{
    const QStringList parts = aDevice.mId.split(QLatin1Char(':'));
    if (parts.size() != 2)
        return false;
    LIBMTP_raw_device_t* raws = nullptr;
    int count = 0;
    if (LIBMTP_Detect_Raw_Devices(&raws, &count) != LIBMTP_ERROR_NONE)
        return false;
    bool found = false;
    for (int i = 0; i < count && !found; ++i) {
        if (QString::number(raws[i].bus_location) == parts.at(0)
            && QString::number(raws[i].devnum) == parts.at(1)) {
            aRaw = raws[i];
            found = true;
        }
    }
    std::free(raws);
    return found;
}

} // namespace

LibMtpBackend::LibMtpBackend()
{
    static const bool initialised = [] {
        LIBMTP_Init();
        return true;
    }();
    Q_UNUSED(initialised);
}

LibMtpBackend::~LibMtpBackend()
{
    for (LIBMTP_mtpdevice_t* device : std::as_const(mDevices))
        LIBMTP_Release_Device(device);
}

LIBMTP_mtpdevice_t* LibMtpBackend::device(Handle aDevice)
{
    QMutexLocker locker(&mMutex);
    return mDevices.value(aDevice, nullptr);
}

bool LibMtpBackend::drainErrors(LIBMTP_mtpdevice_t* aDevice, const char* aMessage)
{
    if (!aDevice)
        return false;
    bool any = false;
    for (LIBMTP_error_t* error = LIBMTP_Get_Errorstack(aDevice); error; error = error->next) {
        logValue(aMessage, QStringLiteral("%1 %2").arg(int(error->errornumber))
                               .arg(QString::fromUtf8(error->error_text ? error->error_text : "")));
        any = true;
    }
    LIBMTP_Clear_Errorstack(aDevice);
    return any;
}

int LibMtpBackend::listRawDevices(QList<MtpRawDevice>& aDevices)
{
    LogScope scope("LibMtpBackend::listRawDevices");
    aDevices.clear();
    LIBMTP_raw_device_t* raws = nullptr;
    int count = 0;
    const LIBMTP_error_number_t error = LIBMTP_Detect_Raw_Devices(&raws, &count);
    if (error == LIBMTP_ERROR_NO_DEVICE_ATTACHED) {
        logMessage("No raw devices found");
        logReturn(0);
        return 0;
    }
    if (error != LIBMTP_ERROR_NONE) {
        logValue("! Failed to detect raw devices, error", int(error));
        std::free(raws);
        logReturn(-1);
        return -1;
    }
    for (int i = 0; i < count; ++i) {
        MtpRawDevice device;
        device.mVendor = QString::fromUtf8(raws[i].device_entry.vendor ? raws[i].device_entry.vendor : "");
        device.mProduct =
            QString::fromUtf8(raws[i].device_entry.product ? raws[i].device_entry.product : "");
        device.mId = QStringLiteral("%1:%2").arg(raws[i].bus_location).arg(raws[i].devnum);
        // libmtp lists devices with an MTP interface only; mass storage never shows here.
        device.mMassStorage = false;
        aDevices.append(device);
    }
    std::free(raws);
    logReturn(0);
    return 0;
}

bool LibMtpBackend::deviceNodeHeldElsewhere(quint32 aBus, quint32 aDevNum, const QString& aProcRoot)
{
    const QString node = QStringLiteral("/dev/bus/usb/%1/%2")
                             .arg(aBus, 3, 10, QLatin1Char('0'))
                             .arg(aDevNum, 3, 10, QLatin1Char('0'));
    const QString self = QString::number(::getpid());
    const QDir proc(aProcRoot + QStringLiteral("/proc"));
    for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool numeric = false;
        pid.toInt(&numeric);
        if (!numeric || pid == self)
            continue;
        const QDir fds(proc.filePath(pid + QStringLiteral("/fd")));
        for (const QFileInfo& fd : fds.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
            if (fd.symLinkTarget() == node || QFile::symLinkTarget(fd.filePath()) == node)
                return true;
        }
    }
    return false;
}

MtpBackend::Handle LibMtpBackend::openDevice(const MtpRawDevice& aDevice, OpenResult& aResult)
{
    LogScope scope("LibMtpBackend::openDevice");
    logValue("id", aDevice.mId);
    aResult = OpenResult::Failed;
    LIBMTP_raw_device_t raw {};
    if (!rawDeviceFor(aDevice, raw)) {
        logMessage("Raw device is no longer attached");
        return 0;
    }
    // Asked before libmtp tries: its failed claim of the interface leaks a file descriptor
    // each time, and the desktop's file manager claims a phone on plug-in.
    if (deviceNodeHeldElsewhere(raw.bus_location, raw.devnum)) {
        logMessage("Device is busy: another program has it open");
        aResult = OpenResult::Busy;
        return 0;
    }
    LIBMTP_mtpdevice_t* opened = LIBMTP_Open_Raw_Device_Uncached(&raw);
    if (!opened) {
        // libmtp only prints why.
        logMessage("Unable to open raw device");
        return 0;
    }
    drainErrors(opened, "! Error while opening the device");
    QMutexLocker locker(&mMutex);
    const Handle handle = mNextHandle++;
    mDevices.insert(handle, opened);
    aResult = OpenResult::Opened;
    return handle;
}

void LibMtpBackend::closeDevice(Handle aDevice)
{
    LIBMTP_mtpdevice_t* closed = nullptr;
    {
        QMutexLocker locker(&mMutex);
        closed = mDevices.take(aDevice);
    }
    if (closed)
        LIBMTP_Release_Device(closed);
}

QString LibMtpBackend::serialNumber(Handle aDevice)
{
    LIBMTP_mtpdevice_t* opened = device(aDevice);
    if (!opened)
        return QString();
    LIBMTP_Clear_Errorstack(opened);
    const QString serial = takeLibMtpString(LIBMTP_Get_Serialnumber(opened));
    drainErrors(opened, "! Failed to read the serial number");
    return serial;
}

QString LibMtpBackend::friendlyName(Handle aDevice)
{
    LIBMTP_mtpdevice_t* opened = device(aDevice);
    if (!opened)
        return QString();
    LIBMTP_Clear_Errorstack(opened);
    QString name = takeLibMtpString(LIBMTP_Get_Friendlyname(opened));
    drainErrors(opened, "! Failed to read the friendly name");
    return name;
}

int LibMtpBackend::listStorages(Handle aDevice, QList<MtpStorageInfo>& aStorages)
{
    LogScope scope("LibMtpBackend::listStorages");
    aStorages.clear();
    LIBMTP_mtpdevice_t* opened = device(aDevice);
    if (!opened) {
        logReturn(-1);
        return -1;
    }
    LIBMTP_Clear_Errorstack(opened);
    // Frees and rebuilds opened->storage: nothing else may read that list meanwhile (the
    // caller holds the phone's lock).
    const int result = LIBMTP_Get_Storage(opened, LIBMTP_STORAGE_SORTBY_NOTSORTED);
    // A phone that is locked, or set to charging only, announces no storage: libmtp answers
    // -1 with nothing on the error stack, as it does when the request itself failed. 1 means
    // storages made up by libmtp for a phone without storage information: usable.
    const bool errors = drainErrors(opened, "Error on ->Next");
    if (result < 0 || errors || !opened->storage) {
        if (!errors)
            logMessage("The phone announces no storage");
        logReturn(-1);
        return -1;
    }
    for (LIBMTP_devicestorage_t* storage = opened->storage; storage; storage = storage->next) {
        MtpStorageInfo info;
        info.mId = storage->id;
        info.mCapacity = storage->MaxCapacity;
        info.mFreeSpace = storage->FreeSpaceInBytes;
        info.mDescription = QString::fromUtf8(storage->StorageDescription ? storage->StorageDescription : "");
        aStorages.append(info);
    }
    logReturn(0);
    return 0;
}

int LibMtpBackend::listFolder(Handle aDevice, quint32 aStorageId, quint32 aFolderId,
                              QList<MtpObject>& aFiles)
{
    LogScope scope("LibMtpBackend::listFolder");
    aFiles.clear();
    LIBMTP_mtpdevice_t* opened = device(aDevice);
    const uint32_t storage = aStorageId;
    const uint32_t folder = aFolderId;
    if (!opened) {
        logReturn(-1);
        return -1;
    }
    // NULL is an empty folder, a failure with an error on the stack, and also what is left
    // when the description of every object failed to read (skipped without a word). So an
    // empty answer is believed only when the folder itself still answers.
    LIBMTP_Clear_Errorstack(opened);
    LIBMTP_file_t* files = LIBMTP_Get_Files_And_Folders(opened, storage, folder);
    const bool failed = drainErrors(opened, "! Failed to list the folder");
    if (!files && !failed) {
        int result = MtpBackend::kIncompleteListing;
        if (folder != LIBMTP_FILES_AND_FOLDERS_ROOT) {
            LIBMTP_file_t* self = LIBMTP_Get_Filemetadata(opened, folder);
            drainErrors(opened, "! Failed to read the folder");
            result = self && self->filetype == LIBMTP_FILETYPE_FOLDER ? 0 : -1;
            if (self)
                LIBMTP_destroy_file_t(self);
        }
        logReturn(result);
        return result;
    }
    while (files) {
        MtpObject file;
        file.mId = files->item_id;
        file.mParentId = aFolderId;
        file.mStorageId = aStorageId;
        file.mName = QString::fromUtf8(files->filename ? files->filename : "");
        file.mSize = files->filesize;
        if (files->filetype == LIBMTP_FILETYPE_FOLDER)
            file.mType = MtpObject::kFolder;
        else if (files->filetype == LIBMTP_FILETYPE_PLAYLIST
                 || file.mName.endsWith(QLatin1String(".m3u"), Qt::CaseInsensitive))
            file.mType = MtpObject::kPlaylist;
        else
            file.mType = MtpObject::kOther;
        logValue("Name + ID: ", file.mName + QStringLiteral(", ") + QString::number(file.mId));
        aFiles.append(file);
        LIBMTP_file_t* next = files->next;
        LIBMTP_destroy_file_t(files);
        files = next;
    }
    const int result = failed && aFiles.isEmpty() ? -1 : 0;
    logReturn(result);
    return result;
}

int LibMtpBackend::createFolder(Handle aDevice, quint32 aParentId, quint32 aStorageId,
                                const QString& aName, quint32& aNewId)
{
    LogScope scope("LibMtpBackend::createFolder");
    aNewId = 0;
    LIBMTP_mtpdevice_t* opened = device(aDevice);
    if (!opened) {
        logReturn(-1);
        return -1;
    }
    LIBMTP_Clear_Errorstack(opened);
    QByteArray name = aName.toUtf8();
    const uint32_t id = LIBMTP_Create_Folder(opened, name.data(), aParentId, aStorageId);
    drainErrors(opened, "! Failed to set WPD_OBJECT_PARENT_ID, hr");
    if (id == 0) {
        logReturn(-1);
        return -1;
    }
    aNewId = id;
    logReturn(0);
    return 0;
}

int LibMtpBackend::sendFile(Handle aDevice, const QString& aLocalPath, MtpObject& aFile,
                            const Progress& aProgress)
{
    LogScope scope("LibMtpBackend::sendFile");
    LIBMTP_mtpdevice_t* opened = device(aDevice);
    if (!opened) {
        logReturn(-1);
        return -1;
    }
    LIBMTP_file_t* file = LIBMTP_new_file_t();
    file->filename = strdup(aFile.mName.toUtf8().constData());
    file->filesize = QFileInfo(aLocalPath).size();
    // Everything goes as a plain file; the phone's media scanner types it by its extension.
    file->filetype = LIBMTP_FILETYPE_UNKNOWN;
    file->parent_id = aFile.mParentId;
    file->storage_id = aFile.mStorageId;
    LIBMTP_Clear_Errorstack(opened);
    const int result = LIBMTP_Send_File_From_File(opened, QFile::encodeName(aLocalPath).constData(),
                                                  file, progressTrampoline, &aProgress);
    drainErrors(opened, "! Failed to transfer object to device, hr");
    if (result == 0)
        aFile.mId = file->item_id;
    LIBMTP_destroy_file_t(file);
    logReturn(result == 0 ? 0 : -1);
    return result == 0 ? 0 : -1;
}

int LibMtpBackend::getFile(Handle aDevice, quint32 aObjectId, const QString& aLocalPath)
{
    LogScope scope("LibMtpBackend::getFile");
    LIBMTP_mtpdevice_t* opened = device(aDevice);
    const uint32_t id = aObjectId;
    if (!opened) {
        logReturn(-1);
        return -1;
    }
    LIBMTP_Clear_Errorstack(opened);
    const int result = LIBMTP_Get_File_To_File(opened, id, QFile::encodeName(aLocalPath).constData(),
                                               nullptr, nullptr);
    drainErrors(opened, "! Failed to transfer object from device, hr");
    if (result == 0)
        logMessage("* Transferred object");
    logReturn(result == 0 ? 0 : -1);
    return result == 0 ? 0 : -1;
}

int LibMtpBackend::renameObject(Handle aDevice, quint32 aObjectId, const QString& aNewName)
{
    LogScope scope("LibMtpBackend::renameObject");
    LIBMTP_mtpdevice_t* opened = device(aDevice);
    const uint32_t id = aObjectId;
    if (!opened) {
        logReturn(-1);
        return -1;
    }
    LIBMTP_Clear_Errorstack(opened);
    LIBMTP_file_t* file = LIBMTP_Get_Filemetadata(opened, id);
    int result = -1;
    if (file) {
        // Sets the object's file name property (MTP SetObjectPropValue), which Android renames
        // the file on its storage by.
        result = LIBMTP_Set_File_Name(opened, file, aNewName.toUtf8().constData()) == 0 ? 0 : -1;
        LIBMTP_destroy_file_t(file);
    }
    drainErrors(opened, "! Failed to rename an object on the device, hr");
    logReturn(result);
    return result;
}

int LibMtpBackend::deleteObject(Handle aDevice, quint32 aObjectId)
{
    LogScope scope("LibMtpBackend::deleteObject");
    LIBMTP_mtpdevice_t* opened = device(aDevice);
    const uint32_t id = aObjectId;
    if (!opened) {
        logReturn(-1);
        return -1;
    }
    LIBMTP_Clear_Errorstack(opened);
    const int result = LIBMTP_Delete_Object(opened, id);
    drainErrors(opened, "! Failed to delete an object from the device, hr");
    logMessage(result == 0 ? "The object was deleted from the device."
                           : "The object failed to be deleted from the device.");
    logReturn(result == 0 ? 0 : -1);
    return result == 0 ? 0 : -1;
}
