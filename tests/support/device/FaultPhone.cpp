#include "device/FaultPhone.h"

#include <QDir>

#include <cerrno>

FaultPhone::FaultPhone(const QString& aRootPath, const QString& aFriendlyName, bool aMounted)
    : UsbMSDevice(aRootPath, aFriendlyName, aMounted)
{
}

void FaultPhone::setFault(Fault aFault, qint64 aAfterBytes)
{
    mFault = aFault;
    mFaultAfterBytes = aAfterBytes;
}

int FaultPhone::GetStorageCapacity(quint64& aCapacity)
{
    if (mCapacity)
        aCapacity = *mCapacity;
    else
        return UsbMSDevice::GetStorageCapacity(aCapacity);
    return 0;
}

int FaultPhone::GetFreeStorageSpace(quint64& aFreeSpace)
{
    if (mFreeSpace)
        aFreeSpace = *mFreeSpace;
    else
        return UsbMSDevice::GetFreeStorageSpace(aFreeSpace);
    return 0;
}

int FaultPhone::openCopyTarget(const QString& aPath, int aFlags)
{
    ++mCopiesAttempted;
    mWrittenThisCopy = 0;
    if (mFault == Fault::ReadOnly) {
        errno = EROFS;
        return -1;
    }
    return UsbMSDevice::openCopyTarget(aPath, aFlags);
}

qint64 FaultPhone::writeCopyChunk(int aTarget, const char* aData, qint64 aSize)
{
    if (mFault == Fault::None || mWrittenThisCopy + aSize <= mFaultAfterBytes) {
        mWrittenThisCopy += aSize;
        return UsbMSDevice::writeCopyChunk(aTarget, aData, aSize);
    }
    const qint64 room = qMax<qint64>(0, mFaultAfterBytes - mWrittenThisCopy);
    const qint64 written = room > 0 ? UsbMSDevice::writeCopyChunk(aTarget, aData, room) : 0;
    mWrittenThisCopy += qMax<qint64>(0, written);
    if (mFault == Fault::Disappears) {
        // The whole phone goes away under the open file, as when the cable is pulled.
        QDir(RootPath()).removeRecursively();
        return UsbMSDevice::writeCopyChunk(aTarget, aData + room, aSize - room)
               + qMax<qint64>(0, written);
    }
    errno = ENOSPC;
    return written > 0 ? written : -1;
}
