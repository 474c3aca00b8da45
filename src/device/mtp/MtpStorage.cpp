#include "device/mtp/MtpStorage.h"

#include "app/DebugLog.h"
#include "device/mtp/MtpConnection.h"

#include <algorithm>

MtpStorage::MtpStorage(MtpConnection* aDevice, quint32 aId, quint64 aCapacity,
                                     quint64 aFreeSpace, const QString& aDescription)
    : mCapacity(aCapacity), mFreeSpace(aFreeSpace), mDescription(aDescription), mDevice(aDevice),
      mId(aId)
{
    logMessage("Getting storage description");
    if (mDescription.isEmpty()) {
        logMessage("Failed, so setting value as \"Storage\"");
        mDescription = QStringLiteral("Storage");
    } else {
        logValue("Succeeded", mDescription);
    }
}

quint32 MtpStorage::Id() const
{
    logValue("QMtpDeviceStorage::Id", qint64(mId));
    return mId;
}

bool MtpStorage::Refresh(bool aWait)
{
    MtpStorageInfo info;
    if (!mDevice || mDevice->ReadStorageInfo(mId, info, aWait) != 0)
        return false;
    mCapacity = info.mCapacity;
    mFreeSpace = info.mFreeSpace;
    return true;
}

void MtpStorage::UseFreeSpace(quint64 aBytes)
{
    quint64 now = mFreeSpace.load();
    while (!mFreeSpace.compare_exchange_weak(now, now - std::min(now, aBytes))) {
    }
}

void MtpStorage::AddFreeSpace(quint64 aBytes)
{
    mFreeSpace.fetch_add(aBytes);
}
