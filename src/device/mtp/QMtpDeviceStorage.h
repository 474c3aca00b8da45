#pragma once

#include <QString>

class QMtpDevice;

// One storage of an opened phone (internal memory, a card).
class QMtpDeviceStorage
{
public:
    QMtpDeviceStorage(QMtpDevice* aDevice, const QString& aId, quint64 aCapacity,
                      quint64 aFreeSpace, const QString& aDescription);

    QString Id() const;
    quint64 Capacity() const { return mCapacity; }
    quint64 FreeSpace() const { return mFreeSpace; }
    // "Storage" when the phone gives none.
    QString Description() const { return mDescription; }
    QMtpDevice* Device() const { return mDevice; }
    // Reads capacity and free space again; false when the phone no longer lists the storage.
    bool Refresh();

private:
    quint64 mCapacity = 0;
    quint64 mFreeSpace = 0;
    QString mDescription;
    QMtpDevice* mDevice = nullptr;
    QString mId;
};
