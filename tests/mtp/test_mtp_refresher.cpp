// Finding MTP phones: new and gone phones, two phones of one model, phones that cannot be
// opened and what the user is told, and the lock that keeps enumeration away from a run.
#include "TestMain.h"
#include "mtp/FakeMtpPhone.h"

#include "device/Device.h"
#include "device/DeviceList.h"
#include "device/mtp/MtpPhoneParent.h"
#include "device/mtp/MtpPhoneRefresher.h"

#include <QElapsedTimer>
#include <QSemaphore>
#include <QSignalSpy>

#include <thread>

class TestMtpRefresher : public QObject
{
    Q_OBJECT

private slots:
    void twoPhonesOfOneModelAreTwoPhones();
    void goneAndKnownPhones();
    void busyAndLockedPhonesSayWhy();
    void openIsRetried();
    void neverEnumeratesWhileLocked();
    void deviceListTakesOverPhones();
};

void TestMtpRefresher::twoPhonesOfOneModelAreTwoPhones()
{
    auto backend = std::make_shared<FakeMtpBackend>();
    for (const char* serial : {"AAA", "BBB"}) {
        const int phone = backend->addPhone("Samsung", "Galaxy S21", serial, "Galaxy S21");
        backend->addStorage(phone, "Internal storage", 1000, 1000);
    }
    QList<DeviceParent*> found = FakeMtpPhone::enumerate(backend);
    QCOMPARE(found.size(), 2);
    auto* first = static_cast<MtpPhoneParent*>(found.at(0));
    auto* second = static_cast<MtpPhoneParent*>(found.at(1));
    QCOMPARE(first->Identity(), QStringLiteral("AAA"));
    QCOMPARE(second->Identity(), QStringLiteral("BBB"));
    QCOMPARE(first->GetDeviceType(), 1);

    // With one of them known, the other is still found as new (once released: a phone
    // still open is busy).
    delete second;
    found.removeLast();
    QList<DeviceParent*> gone;
    const QList<DeviceParent*> again = FakeMtpPhone::enumerate(backend, {first}, &gone);
    QCOMPARE(again.size(), 1);
    QCOMPARE(static_cast<MtpPhoneParent*>(again.first())->Identity(), QStringLiteral("BBB"));
    QVERIFY(gone.isEmpty());
    qDeleteAll(again);
    qDeleteAll(found);

    // Without serial numbers the place on the bus tells them apart.
    auto plain = std::make_shared<FakeMtpBackend>();
    for (int i = 0; i < 2; ++i)
        plain->addStorage(plain->addPhone("Acme", "Phone", "", ""), "Card", 10, 10);
    found = FakeMtpPhone::enumerate(plain);
    QCOMPARE(found.size(), 2);
    QVERIFY(static_cast<MtpPhoneParent*>(found.at(0))->Identity()
            != static_cast<MtpPhoneParent*>(found.at(1))->Identity());
    qDeleteAll(found);
}

void TestMtpRefresher::goneAndKnownPhones()
{
    auto backend = std::make_shared<FakeMtpBackend>();
    const int phone = backend->addPhone("Google", "Pixel", "P1", "Pixel");
    backend->addStorage(phone, "Internal", 1000, 1000);
    backend->addStorage(phone, "Card", 1000, 1000);
    const QList<DeviceParent*> found = FakeMtpPhone::enumerate(backend);
    QCOMPARE(found.size(), 1);
    // One device per storage, in storage order.
    QCOMPARE(found.first()->Devices().size(), 2);
    QCOMPARE(found.first()->Devices().at(1)->FriendlyName(), QStringLiteral("Pixel Card"));

    backend->resetCalls();
    QList<DeviceParent*> gone;
    QVERIFY(FakeMtpPhone::enumerate(backend, found, &gone).isEmpty());
    QVERIFY(gone.isEmpty());
    // A known phone is not opened again.
    QCOMPARE(backend->calls(FakeMtpBackend::kOpen), 0);

    backend->removePhone(phone);
    QVERIFY(FakeMtpPhone::enumerate(backend, found, &gone).isEmpty());
    QCOMPARE(gone, found);
    qDeleteAll(found);
}

void TestMtpRefresher::busyAndLockedPhonesSayWhy()
{
    auto backend = std::make_shared<FakeMtpBackend>();
    const int busy = backend->addPhone("Google", "Pixel", "B", "Busy");
    backend->addStorage(busy, "Internal", 10, 10);
    const int locked = backend->addPhone("Google", "Pixel", "L", "Locked");
    backend->addStorage(locked, "Internal", 10, 10);
    backend->setBusy(busy, true);
    backend->setLocked(locked, true);

    MtpPhoneRefresher refresher(backend);
    refresher.setOpenRetry(1, 0);
    QSignalSpy unable(&refresher, &MtpPhoneRefresher::unableToOpenDevice);
    refresher.startRefresh({});
    refresher.waitForRun();
    QVERIFY(refresher.takeNewParents().isEmpty());
    QCOMPARE(refresher.openProblems(),
             QStringList({"Close the phone in your file manager",
                          "Unlock the phone and choose File transfer"}));
    QCOMPARE(unable.count(), 1);

    // Unlocked and released, both phones appear on the next run after a device event.
    backend->setBusy(busy, false);
    backend->setLocked(locked, false);
    refresher.devicesChanged();
    refresher.startRefresh({});
    refresher.waitForRun();
    const QList<DeviceParent*> found = refresher.takeNewParents();
    QCOMPARE(found.size(), 2);
    QVERIFY(refresher.openProblems().isEmpty());
    qDeleteAll(found);
}

void TestMtpRefresher::openIsRetried()
{
    auto backend = std::make_shared<FakeMtpBackend>();
    backend->addStorage(backend->addPhone("Google", "Pixel", "P", "Pixel"), "Internal", 10, 10);
    backend->failNext(FakeMtpBackend::kOpen, 2);
    MtpPhoneRefresher refresher(backend);
    refresher.setOpenRetry(3, 0);
    refresher.startRefresh({});
    refresher.waitForRun();
    const QList<DeviceParent*> found = refresher.takeNewParents();
    QCOMPARE(found.size(), 1);
    QCOMPARE(backend->calls(FakeMtpBackend::kOpen), 3);
    qDeleteAll(found);
}

void TestMtpRefresher::neverEnumeratesWhileLocked()
{
    auto backend = std::make_shared<FakeMtpBackend>();
    backend->addStorage(backend->addPhone("Google", "Pixel", "P", "Pixel"), "Internal", 10, 10);
    backend->addStorage(backend->addPhone("Google", "Pixel", "Q", "Second"), "Internal", 10, 10);
    QSemaphore entered;
    QSemaphore release;
    backend->setListHook([&]() {
        entered.release();
        release.acquire();
    });
    MtpPhoneRefresher refresher(backend);
    refresher.setOpenRetry(1, 0);

    // Taking the lock never waits for a run, even one that hangs; that run then opens no
    // phone.
    refresher.startRefresh({});
    QVERIFY(entered.tryAcquire(1, 5000));
    QElapsedTimer timer;
    timer.start();
    refresher.lock();
    QVERIFY(timer.elapsed() < 1000);
    backend->resetCalls();
    release.release();
    refresher.waitForRun();
    QCOMPARE(backend->calls(FakeMtpBackend::kOpen), 0);
    QVERIFY(refresher.takeNewParents().isEmpty());

    // While the lock is held, runs end without asking the phone anything.
    backend->resetCalls();
    release.release(10);
    for (int i = 0; i < 3; ++i) {
        refresher.startRefresh({});
        refresher.waitForRun();
    }
    QCOMPARE(backend->totalCalls(), 0);
    QVERIFY(!refresher.isRunning());
    refresher.unlock();
    refresher.startRefresh({});
    refresher.waitForRun();
    QCOMPARE(backend->calls(FakeMtpBackend::kList), 1);
    const QList<DeviceParent*> found = refresher.takeNewParents();
    QCOMPARE(found.size(), 2);
    qDeleteAll(found);
}

void TestMtpRefresher::deviceListTakesOverPhones()
{
    auto backend = std::make_shared<FakeMtpBackend>();
    const int phone = backend->addPhone("Google", "Pixel", "P", "Pixel");
    const quint32 storage = backend->addStorage(phone, "Internal", 10, 10);
    backend->putFile(storage, "CORVO/android.xml", "<android version=\"12\"/>");
    DeviceList list;
    auto refresher = std::make_unique<MtpPhoneRefresher>(backend);
    refresher->setOpenRetry(1, 0);
    MtpPhoneRefresher* raw = refresher.get();
    QSignalSpy unable(&list, &DeviceList::unableToOpenDevice);
    list.SetDeviceRefresher(std::move(refresher));
    list.RefreshDevices();
    raw->waitForRun();
    QVERIFY(list.RefreshDevices());
    QCOMPARE(list.GetDevices().size(), 1);
    QCOMPARE(list.GetDevices().first()->FriendlyName(), QStringLiteral("Pixel Internal"));
    raw->waitForRun();

    // The refresher's complaint reaches the list's own signal.
    backend->removePhone(phone);
    const int second = backend->addPhone("Google", "Pixel", "Q", "Other");
    backend->setBusy(second, true);
    list.RefreshDevices();
    raw->waitForRun();
    QCoreApplication::processEvents();
    QVERIFY(list.RefreshDevices());
    QVERIFY(list.GetDevices().isEmpty());
    QCOMPARE(unable.count(), 1);
    raw->waitForRun();
}

PELLMAR_TEST_MAIN(TestMtpRefresher)
#include "test_mtp_refresher.moc"
