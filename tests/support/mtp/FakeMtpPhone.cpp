#include "mtp/FakeMtpPhone.h"

#include "device/mtp/MtpPhone.h"
#include "device/mtp/MtpPhoneParent.h"
#include "device/mtp/MtpPhoneRefresher.h"

FakeMtpPhone::FakeMtpPhone(bool aWithDescription, quint64 aCapacity)
    : mBackend(std::make_shared<FakeMtpBackend>())
{
    const int phone = mBackend->addPhone(QStringLiteral("Google"), QStringLiteral("Pixel 7"),
                                         QStringLiteral("SERIAL1"), QStringLiteral("Pixel"));
    mStorageId = mBackend->addStorage(phone, QStringLiteral("Internal storage"), aCapacity, aCapacity);
    if (aWithDescription)
        mBackend->putFile(mStorageId, QStringLiteral("CORVO/android.xml"),
                          "<android version=\"13\" screen_pixels=\"2592000\"/>");
}

FakeMtpPhone::~FakeMtpPhone() = default;

QList<DeviceParent*> FakeMtpPhone::enumerate(const std::shared_ptr<FakeMtpBackend>& aBackend,
                                             const QList<DeviceParent*>& aKnown,
                                             QList<DeviceParent*>* aGone, QStringList* aProblems)
{
    MtpPhoneRefresher refresher(aBackend);
    refresher.setOpenRetry(2, 0);
    refresher.startRefresh(aKnown);
    refresher.waitForRun();
    if (aGone)
        *aGone = refresher.takeGoneParents();
    if (aProblems)
        *aProblems = refresher.openProblems();
    return refresher.takeNewParents();
}

MtpPhone* FakeMtpPhone::connect()
{
    mParent.reset();
    const QList<DeviceParent*> found = enumerate(mBackend);
    if (found.isEmpty())
        return nullptr;
    mParent.reset(static_cast<MtpPhoneParent*>(found.first()));
    for (qsizetype i = 1; i < found.size(); ++i)
        delete found.at(i);
    device()->SetReopenPolicy(2, 0);
    return device();
}

MtpPhone* FakeMtpPhone::device() const
{
    return mParent && !mParent->Devices().isEmpty()
               ? static_cast<MtpPhone*>(mParent->Devices().first())
               : nullptr;
}
