#include "TestPhone.h"

#include <QDir>

#include <cerrno>

TestPhone::TestPhone(const QString& aRootPath, const QString& aName)
    : PhoneProbe<UsbMSDevice>((QDir().mkpath(aRootPath), aRootPath), aName, true)
{
}

qint64 TestPhone::writeCopyChunk(int aTarget, const char* aData, qint64 aSize)
{
    if (mWriteLimit && mWritten + aSize > *mWriteLimit) {
        errno = ENOSPC;
        return -1;
    }
    mWritten += aSize;
    return UsbMSDevice::writeCopyChunk(aTarget, aData, aSize);
}
