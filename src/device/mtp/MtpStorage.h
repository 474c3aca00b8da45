#pragma once

#include <QString>

#include <atomic>

class MtpConnection;

// One storage of an opened phone (internal memory, a card).
class MtpStorage
{
public:
    MtpStorage(MtpConnection* aDevice, quint32 aId, quint64 aCapacity,
                      quint64 aFreeSpace, const QString& aDescription);

    quint32 Id() const;
    quint64 Capacity() const { return mCapacity.load(); }
    quint64 FreeSpace() const { return mFreeSpace.load(); }
    // "Storage" when the phone gives none.
    QString Description() const { return mDescription; }
    MtpConnection* Device() const { return mDevice; }
    // Reads capacity and free space again; false when the phone no longer lists the storage,
    // or, with aWait false, when another thread is talking to the phone.
    bool Refresh(bool aWait = true);
    // What a run sent or deleted, so that the free space stays right between readings.
    void UseFreeSpace(quint64 aBytes);
    void AddFreeSpace(quint64 aBytes);

private:
    std::atomic<quint64> mCapacity{0};
    // Read by the window while a run updates it.
    std::atomic<quint64> mFreeSpace{0};
    QString mDescription;
    MtpConnection* mDevice = nullptr;
    quint32 mId = 0;
};
