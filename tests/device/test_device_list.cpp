// The device list over a fake mountinfo and sysfs tree with real folders as mount points, phone
// folders, the auto-refresh rules, the space calculation and the auto-refresher.
#include "TestMain.h"
#include "TestPaths.h"
#include "device/DeviceTestHelpers.h"
#include "device/FakeSystemTree.h"
#include "device/FaultPhone.h"

#include "device/AutoRefresher.h"
#include "device/DeviceList.h"
#include "device/DeviceParentMs.h"
#include "device/DeviceRefresher.h"
#include "device/DeviceListObserver.h"
#include "device/MountedChecker.h"
#include "device/SpaceCalculator.h"
#include "device/UsbMSDevice.h"
#include "device/linux/DeviceEventWatcher.h"
#include "device/linux/VolumeLister.h"
#include "settings/SyncSettings.h"
#include "tracks/SyncState.h"

#include <QProcess>
#include <QSemaphore>
#include <QSignalSpy>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

namespace {

using DeviceTestHelpers::writeFile;

struct CountingObserver : DeviceListObserver
{
    int mCalls = 0;
    void DeviceListChanged() override { ++mCalls; }
};

// Stands in for the MTP enumeration: hands over the parents a test queues.
class FakeRefresher : public DeviceRefresher
{
public:
    bool isRunning() override { return mRunning; }
    QList<DeviceParent*> takeNewParents() override { return std::exchange(mNew, {}); }
    QList<DeviceParent*> takeGoneParents() override { return std::exchange(mGone, {}); }
    void startRefresh(const QList<DeviceParent*>& aKnownParents) override
    {
        ++mStarts;
        mKnown = aKnownParents;
    }
    void lock() override { ++mLocks; }
    void unlock() override { ++mUnlocks; }
    void devicesChanged() override { ++mEvents; }

    bool mRunning = false;
    int mEvents = 0;
    QList<DeviceParent*> mNew;
    QList<DeviceParent*> mGone;
    QList<DeviceParent*> mKnown;
    int mStarts = 0;
    int mLocks = 0;
    int mUnlocks = 0;
};

class MtpParent : public DeviceParent
{
public:
    using DeviceParent::DeviceParent;
    int GetDeviceType() override { return DeviceType::Mtp; }
};

// A phone whose free space cannot be read.
class NoFreeSpacePhone : public FaultPhone
{
public:
    using FaultPhone::FaultPhone;
    int GetFreeStorageSpace(quint64&) override { return -1; }
};

class FailingCapacityPhone : public FaultPhone
{
public:
    using FaultPhone::FaultPhone;
    int GetStorageCapacity(quint64&) override { return -7; }
};

// A phone whose checks hang until the test lets them go, as on a stalled network mount.
class HungChecker : public MountedChecker
{
public:
    QSemaphore mEntered;
    QSemaphore mGo;
    Inspection Inspect(const QString& aRootPath) override
    {
        mEntered.release();
        mGo.acquire();
        return MountedChecker::Inspect(aRootPath);
    }
};

QStringList names(const DeviceList& aList)
{
    QStringList result;
    for (Device* device : aList.GetDevices())
        result << device->FriendlyName();
    return result;
}

} // namespace

class TestDeviceList : public QObject
{
    Q_OBJECT

private slots:
    void volumeLister();
    void refreshOverFakeSystem();
    void phoneFolders();
    void hungPhoneCheckLeavesTheEventLoopTurning();
    void emptyList();
    void connectedDeviceIsTheLastConfigured();
    void mtpRefresherResults();
    void autoRefreshRules();
    void refreshesOnEventsNotOnAClock();
    void mountTableChangeIsAnEvent();
    void autoRefreshLogLines();
    void logScenario();
    void spaceCalculation();
    void autoRefresher();
};

void TestDeviceList::volumeLister()
{
    QTemporaryDir dir;
    FakeSystemTree sys(dir.path() + "/sys-root");
    sys.addDisk("sdb", "8:17", true, true, "SAMSUNG", "Galaxy S10");
    sys.addDisk("sdc", "8:33", true, true, QString(), QString());
    sys.addDisk("sdd", "8:49", true, false, "WD", "Passport");
    sys.addDisk("sde", "8:65", false, true, "ATA", "Card Reader");
    sys.addMount("8:17", "/dev/sdb1", "/media/user/My Phone");
    sys.addMount("8:33", "/dev/sdc1", "/media/user/NONAME");
    sys.addMount("8:49", "/dev/sdd1", "/media/user/Backup");
    sys.addMount("8:65", "/dev/sde1", "/media/user/Card");
    sys.addMount("0:50", "tmpfs", "/run/user/1000");
    sys.addMount("8:99", "/dev/sdz1", "/media/user/Unknown");
    sys.addRawLine("garbage without fields");
    sys.addRawLine("1 2 3 - -");
    sys.addRawLine(QByteArray());
    sys.addRawLine("40 25 8:17 / /media/user/Tab\\011and\\134back rw shared:5 - vfat /dev/sdb1 rw");
    sys.addRawLine("41 25 8:17 /Music /home/user/Music rw shared:5 - vfat /dev/sdb1 rw");

    VolumeLister lister(sys.root());
    const QList<Volume> all = lister.mountedVolumes();
    QStringList roots;
    for (const Volume& v : all)
        roots << v.mRootPath;
    QCOMPARE(roots, QStringList({"/", "/media/user/My Phone/", "/media/user/NONAME/",
                                 "/media/user/Backup/", "/media/user/Card/", "/media/user/Unknown/",
                                 "/media/user/Tab\tand\\back/", "/home/user/Music/"}));

    const QList<Volume> phones = lister.removableUsbVolumes();
    QCOMPARE(phones.size(), 3);
    QCOMPARE(phones.at(0).mName, QStringLiteral("SAMSUNG Galaxy S10"));
    QCOMPARE(phones.at(0).mDevice, QStringLiteral("/dev/sdb1"));
    // Without vendor and model the mount point's name (the volume label) names it.
    QCOMPARE(phones.at(1).mName, QStringLiteral("NONAME"));
    QCOMPARE(phones.at(2).mRootPath, QStringLiteral("/media/user/Tab\tand\\back/"));

    QCOMPARE(VolumeLister::unescapeMountField("a\\040b\\04"), QStringLiteral("a b\\04"));

    // No mountinfo at all: nothing, and no crash.
    QVERIFY(VolumeLister(dir.path() + "/nothing").mountedVolumes().isEmpty());
}

void TestDeviceList::refreshOverFakeSystem()
{
    QTemporaryDir dir;
    FakeSystemTree sys(dir.path() + "/sys-root");
    const QString mountPoint = dir.path() + "/media/My Phone";
    QVERIFY(QDir().mkpath(mountPoint));
    writeFile(mountPoint + "/CORVO/uniqueid", "123Y");
    sys.addDisk("sdb", "8:17", true, true, "SAMSUNG", "Galaxy");

    DeviceList list(nullptr, sys.root());
    QSignalSpy checks(&list, &DeviceList::checkMountedStatus);
    list.RefreshDevices();  // the first refresh finds the system's own volumes new
    QVERIFY(!list.RefreshDevices());
    QVERIFY(!list.DeviceIsConnected());

    // Plugged in: listed at once, but unmounted until the checker has answered.
    sys.addMount("8:17", "/dev/sdb1", mountPoint);
    QVERIFY(list.RefreshDevices());
    QCOMPARE(checks.size(), 1);
    QCOMPARE(checks.at(0).at(0).toString(), mountPoint + "/");
    QCOMPARE(names(list), QStringList({"SAMSUNG Galaxy"}));
    auto* first = static_cast<UsbMSDevice*>(list.GetDevices().at(0));
    QCOMPARE(first->RootPath(), mountPoint + "/");
    QCOMPARE(first->UniqueDeviceId(), QStringLiteral("TEMP-DEVICE-ID"));
    QCOMPARE(list.ParentOf(first)->GetDeviceType(), DeviceType::MassStorage);

    // The checker answers in the background; the next refresh sees it mounted and reports it.
    QTRY_COMPARE_WITH_TIMEOUT(list.MountedState(mountPoint + "/"), 1, 5000);
    QVERIFY(list.RefreshDevices());
    Device* mounted = list.GetDevices().at(0);
    QCOMPARE(mounted->UniqueDeviceId(), QStringLiteral("123Y"));
    // An unchanged phone keeps its object, so pointers handed out stay the same.
    QVERIFY(!list.RefreshDevices());
    QCOMPARE(list.GetDevices().at(0), mounted);
    // A pointer from an earlier refresh stays valid.
    QCOMPARE(first->FriendlyName(), QStringLiteral("SAMSUNG Galaxy"));

    // A volume whose root cannot be queried is answered as not mounted and stays unmounted.
    sys.addDisk("sdc", "8:33", true, true, "Other", "Phone");
    sys.addMount("8:33", "/dev/sdc1", dir.path() + "/media/vanished");
    QVERIFY(list.RefreshDevices());
    QTRY_COMPARE_WITH_TIMEOUT(list.MountedState(dir.path() + "/media/vanished/"), 2, 5000);
    QVERIFY(!list.RefreshDevices());
    QCOMPARE(names(list), QStringList({"SAMSUNG Galaxy", "Other Phone"}));
    QVERIFY(!list.GetDevices().at(1)->IsMounted());
    sys.removeMount(dir.path() + "/media/vanished");

    // Unplugged.
    sys.removeMount(mountPoint);
    QVERIFY(list.RefreshDevices());
    QVERIFY(!list.DeviceIsConnected());
    QCOMPARE(mounted->UniqueDeviceId(), QStringLiteral("123Y"));
}

void TestDeviceList::phoneFolders()
{
    QTemporaryDir dir;
    const QString a = dir.path() + "/PhoneA";
    const QString b = dir.path() + "/PhoneB";
    QVERIFY(QDir().mkpath(a));
    QVERIFY(QDir().mkpath(b));
    writeFile(a + "/CORVO/uniqueid", "1Y");
    qputenv("PELLMAR_PHONE_FOLDERS", (a + ":" + dir.path() + "/Missing:").toUtf8());
    DeviceList list(nullptr, dir.path() + "/no-system");
    qunsetenv("PELLMAR_PHONE_FOLDERS");
    list.AddPhoneFolder(b);
    list.AddPhoneFolder(b + "/");
    QCOMPARE(list.PhoneFolders(), QStringList({a, dir.path() + "/Missing", b}));

    QVERIFY(list.RefreshDevices());
    QCOMPARE(names(list), QStringList({"PhoneA", "Missing", "PhoneB"}));
    QVERIFY(list.GetDevices().at(0)->IsMounted());
    QCOMPARE(list.GetDevices().at(0)->UniqueDeviceId(), QStringLiteral("1Y"));
    QVERIFY(!list.GetDevices().at(1)->IsMounted());
    QVERIFY(!list.RefreshDevices());

    // A folder that appears counts as a change.
    QVERIFY(QDir().mkpath(dir.path() + "/Missing"));
    QVERIFY(list.RefreshDevices());
    QVERIFY(list.GetDevices().at(1)->IsMounted());

    list.SelectDevice(2);
    QVERIFY(list.DeviceIsSelected());
    QCOMPARE(list.SelectedDevice()->FriendlyName(), QStringLiteral("PhoneB"));
    list.SelectDevice(3);
    QVERIFY(!list.DeviceIsSelected());
}

void TestDeviceList::hungPhoneCheckLeavesTheEventLoopTurning()
{
    QTemporaryDir dir;
    const QString folder = dir.path() + "/Phone";
    writeFile(folder + "/CORVO/uniqueid", "77Y");
    writeFile(folder + "/CORVO/android.xml",
              "<android version=\"30\" screen_pixels=\"2400\"/>");
    DeviceList list(nullptr, dir.path() + "/no-system");
    auto checker = std::make_unique<HungChecker>();
    HungChecker* hung = checker.get();
    list.SetMountedChecker(std::move(checker));
    list.CheckInBackground(true);
    list.AddPhoneFolder(folder);
    CountingObserver observer;
    list.EnableAutoRefresh(&observer);
    QVERIFY(hung->mEntered.tryAcquire(1, 10000));

    // While the check hangs, the list's thread goes on turning its event loop; the phone is
    // listed, but not as mounted and without reading its files.
    int ticks = 0;
    QTimer probe;
    connect(&probe, &QTimer::timeout, [&] { ++ticks; });
    probe.start(10);
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 5, 10000);
    QCOMPARE(names(list), QStringList({"Phone"}));
    QCOMPARE(list.MountedState(folder + "/"), 0);
    QCOMPARE(list.GetDevices().at(0)->UniqueDeviceId(), QStringLiteral("TEMP-DEVICE-ID"));
    const int callsWhileHung = observer.mCalls;

    // Answered: the list changes at once, with the id and description the check read.
    hung->mGo.release(1000);
    QTRY_COMPARE_WITH_TIMEOUT(list.MountedState(folder + "/"), int(MountedChecker::kMounted),
                              10000);
    QVERIFY(observer.mCalls > callsWhileHung);
    Device* phone = list.GetDevices().at(0);
    QCOMPARE(phone->UniqueDeviceId(), QStringLiteral("77Y"));
    QCOMPARE(phone->AndroidVersion(), 30);
    QCOMPARE(phone->ScreenPixels(), 2400);
    list.DisableAutoRefresh();
}

void TestDeviceList::emptyList()
{
    QTemporaryDir dir;
    FakeSystemTree sys(dir.path());
    DeviceList list(nullptr, sys.root());
    QVERIFY(!list.DeviceIsConnected());
    QVERIFY(!list.DeviceIsSelected());
    list.RefreshDevices();
    QVERIFY(!list.RefreshDevices());
    QVERIFY(!list.DeviceIsConnected());
    QVERIFY(list.GetParentDevices().isEmpty());
    QCOMPARE(list.ConnectedDevice(SettingsSnapshot::read()), nullptr);
    QCOMPARE(list.ParentOf(nullptr), nullptr);
}

void TestDeviceList::connectedDeviceIsTheLastConfigured()
{
    QTemporaryDir dir;
    DeviceList list(nullptr, dir.path() + "/no-system");
    for (const char* name : {"P1", "P2", "P3", "P4"}) {
        QVERIFY(QDir().mkpath(dir.path() + "/" + name));
        list.AddPhoneFolder(dir.path() + "/" + name);
    }
    writeFile(dir.path() + "/P2/CORVO/uniqueid", "2Y");
    writeFile(dir.path() + "/P3/CORVO/uniqueid", "3Y");
    QVERIFY(list.RefreshDevices());
    // Nobody configured: the first phone.
    QCOMPARE(list.ConnectedDevice(SettingsSnapshot::read())->FriendlyName(), QStringLiteral("P1"));

    SyncSettings settings;
    settings.load();
    settings.setConfig("3Y", "P3", true, {}, 0, {});
    settings.setConfig("2Y", "P2", true, {}, 0, {});
    QCOMPARE(list.ConnectedDevice(SettingsSnapshot::read())->FriendlyName(), QStringLiteral("P2"));
    settings.load();
    settings.setConfig("3Y", "P3", true, {}, 0, {});
    QCOMPARE(list.ConnectedDevice(SettingsSnapshot::read())->FriendlyName(), QStringLiteral("P3"));
    QFile::remove(SyncSettings::settingsFilePath());
}

void TestDeviceList::mtpRefresherResults()
{
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.path() + "/Ms"));
    DeviceList list(nullptr, dir.path() + "/no-system");
    list.AddPhoneFolder(dir.path() + "/Ms");
    auto owned = std::make_unique<FakeRefresher>();
    FakeRefresher* refresher = owned.get();
    list.SetDeviceRefresher(std::move(owned));

    auto* mtp = new MtpParent("Pixel");
    mtp->AddDevice(new UsbMSDevice(dir.path() + "/storage1", "Internal", false));
    mtp->AddDevice(new UsbMSDevice(dir.path() + "/storage2", "Card", false));
    refresher->mNew = {mtp};
    // Results wait while a run is in progress.
    refresher->mRunning = true;
    QVERIFY(list.RefreshDevices());
    QCOMPARE(names(list), QStringList({"Ms"}));
    QCOMPARE(refresher->mStarts, 0);

    refresher->mRunning = false;
    QVERIFY(list.RefreshDevices());
    QCOMPARE(names(list), QStringList({"Ms", "Internal", "Card"}));
    QCOMPARE(refresher->mKnown, QList<DeviceParent*>({mtp}));
    QCOMPARE(list.ParentOf(list.GetDevices().at(2)), mtp);
    // Mass-storage phones are rebuilt behind the MTP phone, which counts as a change once.
    QVERIFY(list.RefreshDevices());
    QCOMPARE(names(list), QStringList({"Internal", "Card", "Ms"}));
    QVERIFY(!list.RefreshDevices());
    QCOMPARE(refresher->mStarts, 3);

    refresher->mGone = {mtp};
    QVERIFY(list.RefreshDevices());
    QCOMPARE(names(list), QStringList({"Ms"}));
    QCOMPARE(list.GetParentDevices().size(), 1);
}

void TestDeviceList::autoRefreshRules()
{
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.path() + "/Phone"));
    DeviceList list(nullptr, dir.path() + "/no-system");
    auto owned = std::make_unique<FakeRefresher>();
    FakeRefresher* refresher = owned.get();
    list.SetDeviceRefresher(std::move(owned));
    CountingObserver first;
    CountingObserver second;

    list.DisableAutoRefresh();  // already disabled: the lock is left alone
    QCOMPARE(refresher->mLocks, 0);

    list.EnableAutoRefresh(&first);
    QVERIFY(list.AutoRefreshEnabled());
    QCOMPARE(first.mCalls, 1);  // the forced update tells the observer whatever changed
    QCOMPARE(refresher->mUnlocks, 0);
    list.EnableAutoRefresh(&second);
    QCOMPARE(second.mCalls, 0);

    // The timer's update tells the first observer only of changes.
    list.update();
    QCOMPARE(first.mCalls, 1);
    list.AddPhoneFolder(dir.path() + "/Phone");
    list.update();
    QCOMPARE(first.mCalls, 2);
    QCOMPARE(second.mCalls, 0);

    list.DisableAutoRefresh();
    QCOMPARE(refresher->mLocks, 1);
    list.DisableAutoRefresh();
    QCOMPARE(refresher->mLocks, 1);
    // Disabled: the timer's update does nothing.
    QVERIFY(QDir(dir.path() + "/Phone").removeRecursively());
    list.update();
    QCOMPARE(first.mCalls, 2);

    list.EnableAutoRefresh(&second);
    QCOMPARE(refresher->mUnlocks, 1);
    QCOMPARE(second.mCalls, 1);
    QCOMPARE(first.mCalls, 2);
    list.DisableAutoRefresh();
}

void TestDeviceList::refreshesOnEventsNotOnAClock()
{
    QTemporaryDir dir;
    DeviceList list(nullptr, dir.path() + "/no-system");
    auto owned = std::make_unique<FakeRefresher>();
    FakeRefresher* refresher = owned.get();
    list.SetDeviceRefresher(std::move(owned));
    CountingObserver observer;
    list.EnableAutoRefresh(&observer);
    QCOMPARE(refresher->mStarts, 1);
    // Nothing changes: nothing is enumerated, however long the window stays open.
    QTest::qWait(3 * DeviceList::kEventDelayMs);
    QCOMPARE(refresher->mStarts, 1);

    // A USB event: phones that failed are tried again, and one refresh follows a burst.
    for (int i = 0; i < 3; ++i)
        list.devicesChanged(true);
    QCOMPARE(refresher->mEvents, 3);
    QTRY_COMPARE_WITH_TIMEOUT(refresher->mStarts, 2, 2000);
    QTest::qWait(2 * DeviceList::kEventDelayMs);
    QCOMPARE(refresher->mStarts, 2);

    // An event during a run never starts a second run beside it.
    refresher->mRunning = true;
    list.devicesChanged(false);
    QTest::qWait(2 * DeviceList::kEventDelayMs);
    QCOMPARE(refresher->mStarts, 2);
    QCOMPARE(refresher->mEvents, 3);
    list.DisableAutoRefresh();
}

void TestDeviceList::mountTableChangeIsAnEvent()
{
    DeviceEventWatcher watcher;
    QVERIFY(watcher.WatchesMounts());
    QSignalSpy events(&watcher, &DeviceEventWatcher::devicesChanged);
    QTemporaryDir dir;
    QProcess mount;
    mount.start(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"),
                                          QStringLiteral("none"), dir.path()});
    if (!mount.waitForFinished(10000) || mount.exitCode() != 0)
        QSKIP("mounting is refused here");
    const auto unmount = qScopeGuard([&] {
        QProcess::execute(QStringLiteral("umount"), {dir.path()});
    });
    // The kernel signals the change of the mount table; the watcher turns it into an event.
    QTRY_VERIFY_WITH_TIMEOUT(!events.isEmpty(), 5000);
    QCOMPARE(events.first().first().toBool(), false);
}

void TestDeviceList::autoRefreshLogLines()
{
    // The trace log is opened at start-up, so the scenario runs in a child with a log folder.
    QTemporaryDir home;
    QVERIFY(QDir(home.path()).mkpath("Desktop/CDZ"));
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    env.insert("PELLMAR_DEVICE_LOG_SCENARIO", "1");
    env.remove("XDG_CONFIG_HOME");
    env.remove("XDG_DESKTOP_DIR");
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {"logScenario"});
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitCode(), 0);
    QFile logFile(home.path() + "/Desktop/CDZ/log.txt");
    QVERIFY(logFile.open(QIODevice::ReadOnly));
    QList<QByteArray> lines;
    for (const QByteArray& line : logFile.readAll().split('\n')) {
        // Drop the time stamp "hh:mm:ss:zzz", the indentation of messages and the CR.
        QByteArray body = line.mid(12);
        if (body.startsWith("    "))
            body = body.mid(4);
        if (body.endsWith('\r'))
            body.chop(1);
        if (body.startsWith("Autorefresh") || body.startsWith("Locking") || body.startsWith("Unlocking")
            || body == "DeviceList::forceUpdate" || body == "DeviceList::Initialise")
            lines << body;
    }
    QCOMPARE(lines, QList<QByteArray>({"Autorefresh already disabled",
                                       "Autorefresher is already unlocked",
                                       "DeviceList::forceUpdate",
                                       "DeviceList::Initialise",
                                       "Autorefresh is already enabled",
                                       "Locking the autorefresher",
                                       "Autorefresh is locked",
                                       "Autorefresh already disabled",
                                       "Unlocking the autorefresher",
                                       "DeviceList::forceUpdate"}));
}

void TestDeviceList::logScenario()
{
    if (qEnvironmentVariableIsEmpty("PELLMAR_DEVICE_LOG_SCENARIO"))
        QSKIP("run by autoRefreshLogLines in a child process");
    QTemporaryDir dir;
    DeviceList list(nullptr, dir.path());
    CountingObserver observer;
    list.DisableAutoRefresh();
    list.EnableAutoRefresh(&observer);
    list.EnableAutoRefresh(&observer);
    list.DisableAutoRefresh();
    list.DisableAutoRefresh();
    list.EnableAutoRefresh(&observer);
}

void TestDeviceList::spaceCalculation()
{
    QTemporaryDir dir;
    qint64 used = -1;
    qint64 freeSpace = -1;

    FaultPhone phone(dir.path());
    phone.setCapacity(4000000000ULL);
    phone.setFreeSpace(1000000000ULL);
    QCOMPARE(SpaceCalculator::Calculate(&phone, used, freeSpace), 0);
    QCOMPARE(used, qint64(3000000000LL));
    QCOMPARE(freeSpace, qint64(1000000000LL));

    // The real volume: used plus free never exceeds the capacity.
    UsbMSDevice real(dir.path(), "Real", true);
    quint64 capacity = 0;
    real.GetStorageCapacity(capacity);
    QCOMPARE(SpaceCalculator::Calculate(&real, used, freeSpace), 0);
    QVERIFY(freeSpace > 0);
    QVERIFY(quint64(used + freeSpace) <= capacity);

    NoFreeSpacePhone noFree(dir.path());
    noFree.setCapacity(5000);
    QCOMPARE(SpaceCalculator::Calculate(&noFree, used, freeSpace), 0);
    QCOMPARE(used, qint64(5000));
    QCOMPARE(freeSpace, qint64(0));

    FailingCapacityPhone noCapacity(dir.path());
    QCOMPARE(SpaceCalculator::Calculate(&noCapacity, used, freeSpace), -7);
    QCOMPARE(used, qint64(0));
    QCOMPARE(freeSpace, qint64(0));

    FaultPhone gone(dir.path() + "/gone", "Gone", false);
    gone.setCapacity(100);
    gone.setFreeSpace(10);
    QCOMPARE(SpaceCalculator::Calculate(&gone, used, freeSpace), 0);
    QCOMPARE(used, qint64(0));
    QCOMPARE(freeSpace, qint64(0));
}

void TestDeviceList::autoRefresher()
{
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.path() + "/Phone"));
    DeviceList list(nullptr, dir.path() + "/no-system");
    AutoRefresher refresher(&list);
    QSignalSpy states(&refresher, &AutoRefresher::connectedDeviceStateChanged);
    QSignalSpy space(&refresher, &AutoRefresher::freeSpaceUpdate);

    refresher.start();
    QVERIFY(list.AutoRefreshEnabled());
    QCOMPARE(states.size(), 1);
    QCOMPARE(states.at(0), QVariantList({SyncState::NoPhone, 0}));
    QCOMPARE(space.size(), 0);

    list.AddPhoneFolder(dir.path() + "/Phone");
    list.update();
    QCOMPARE(states.size(), 2);
    QCOMPARE(states.at(1), QVariantList({SyncState::PhoneReady, 0}));
    QCOMPARE(space.size(), 1);
    QVERIFY(space.at(0).at(1).toLongLong() > 0);

    // Library changes refresh the space while the refresher runs, not during a run.
    refresher.libraryChanged();
    QCOMPARE(space.size(), 2);

    refresher.stop();
    QVERIFY(!list.AutoRefreshEnabled());
    refresher.libraryChanged();
    QCOMPARE(space.size(), 2);
}

PELLMAR_TEST_MAIN(TestDeviceList)
#include "test_device_list.moc"
