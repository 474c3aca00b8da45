#pragma once

#include "mtp/FakeMtpBackend.h"

#include <QList>
#include <QString>

#include <memory>

class MtpPhone;
class DeviceParent;
class MtpPhoneParent;

// A fake MTP phone with one storage ("Internal storage", with "CORVO/android.xml" unless asked
// otherwise), found and opened the way the program finds phones: by a refresher run.
class FakeMtpPhone
{
public:
    explicit FakeMtpPhone(bool aWithDescription = true, quint64 aCapacity = 1ULL << 33);
    ~FakeMtpPhone();

    FakeMtpBackend& backend() { return *mBackend; }
    std::shared_ptr<FakeMtpBackend> sharedBackend() const { return mBackend; }
    quint32 storageId() const { return mStorageId; }

    // Opens the phone (again, with a fresh folder cache): the parent and its storage device.
    MtpPhone* connect();
    MtpPhoneParent* parent() const { return mParent.get(); }
    MtpPhone* device() const;

    // One synchronous refresher run over aBackend: the phones it found new, and those it
    // found gone among aKnown. Opens without pauses between attempts.
    static QList<DeviceParent*> enumerate(const std::shared_ptr<FakeMtpBackend>& aBackend,
                                          const QList<DeviceParent*>& aKnown = {},
                                          QList<DeviceParent*>* aGone = nullptr,
                                          QStringList* aProblems = nullptr);

private:
    std::shared_ptr<FakeMtpBackend> mBackend;
    quint32 mStorageId = 0;
    std::unique_ptr<MtpPhoneParent> mParent;
};
