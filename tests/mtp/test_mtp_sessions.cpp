// The MTP phone against the store's unkind habits, as libmtp and Android have them: handles
// that live for one session, a locked phone, folders whose names differ only in case, a
// listing that skips an object, and calls from two threads at once.
#include "TestMain.h"
#include "mtp/FakeMtpPhone.h"

#include "device/mtp/MtpPhone.h"
#include "device/mtp/MtpPhoneParent.h"
#include "device/mtp/MtpPhoneRefresher.h"
#include "device/mtp/MtpCachedConnection.h"
#include "device/mtp/MtpConnection.h"
#include "tracks/Track.h"
#include "tracks/TrackCache.h"
#include "tracks/TrackList.h"

#include <QSemaphore>
#include <QTemporaryDir>

#include <thread>

namespace {

constexpr quint32 kRoot = MtpBackend::kRootFolderId;

QString localFile(const QTemporaryDir& aDir, const QString& aName, const QByteArray& aContent)
{
    const QString path = aDir.filePath(aName);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(aContent);
    return path;
}

Track song(const QString& aPath, const QString& aArtist)
{
    Track track;
    track.setTrackName(QStringLiteral("Song"));
    track.setAlbumName(QStringLiteral("Album"));
    track.setArtistName(aArtist);
    track.setPath(aPath);
    return track;
}

} // namespace

class TestMtpSessions : public QObject
{
    Q_OBJECT

private slots:
    void storeNumbersObjectsPerSession();
    void reopeningDropsTheCachedIds();
    void trackMissingFromOneListingIsNotDeleted();
    void foldersAreReusedWhateverTheirCase();
    void lockedPhoneIsNamedAndNotReopenedAtOnce();
    void nothingButTheRunTalksToThePhone();
    void phonePulledOutIsNoticedAfterAFailure();
};

void TestMtpSessions::storeNumbersObjectsPerSession()
{
    FakeMtpPhone phone;
    phone.backend().putFile(phone.storageId(), "Music/a.mp3", "a");
    MtpConnection device(phone.sharedBackend(), [&] {
        QList<MtpRawDevice> raws;
        MtpConnection::GetRawDevices(phone.backend(), raws);
        return raws.first();
    }());
    QCOMPARE(device.Open(1, 0), MtpBackend::OpenResult::Opened);
    QList<MtpObject> root;
    QCOMPARE(device.GetFilesAndFolders(phone.storageId(), kRoot, root), 0);
    const quint32 corvo = root.at(0).mId;
    const quint32 music = root.at(1).mId;
    QList<MtpObject> inMusic;
    QCOMPARE(device.GetFilesAndFolders(phone.storageId(), music, inMusic), 0);
    // A file is no folder to list.
    QList<MtpObject> none;
    QVERIFY(device.GetFilesAndFolders(phone.storageId(), inMusic.first().mId, none) != 0);

    // A new session numbers afresh, in the order it meets the objects: the old handle of
    // "CORVO" now names "Music", and handles not yet issued name nothing.
    QCOMPARE(device.Open(1, 0), MtpBackend::OpenResult::Opened);
    QVERIFY(device.GetFilesAndFolders(phone.storageId(), music, none) != 0);
    QList<MtpObject> again;
    QCOMPARE(device.GetFilesAndFolders(phone.storageId(), kRoot, again), 0);
    QVERIFY(device.GetFilesAndFolders(phone.storageId(), corvo, none) == 0);
    QCOMPARE(none.first().mName, QStringLiteral("android.xml"));
    // A second open of a phone this process holds is refused, as a claimed interface is.
    MtpConnection other(phone.sharedBackend(), device.RawDevice());
    QCOMPARE(other.Open(1, 0), MtpBackend::OpenResult::Busy);
}

void TestMtpSessions::reopeningDropsTheCachedIds()
{
    FakeMtpPhone phone;
    phone.backend().putFile(phone.storageId(), "Music/Keep/Album/keep.mp3", "keep");
    phone.backend().putFile(phone.storageId(), "Music/Old/Album/old.mp3", "old");
    MtpPhone* device = phone.connect();
    quint32 id = 0;
    quint32 parent = 0;
    // The listings of this session are cached, then the run opens the phone anew.
    QCOMPARE(device->GetOrCreateFromPath("\\Music\\Keep\\Album\\keep.mp3", id, parent, false), 0);
    device->PrepareForSync();
    QVERIFY(phone.backend().sessions(0) >= 2);
    QTemporaryDir dir;
    TrackCache cache;
    QVERIFY(cache.openFile(dir.filePath("mcache0")) >= -5001);
    Track old = song("/music/old.mp3", "Old");
    old.setDeviceId("\\Music\\Old\\Album\\old.mp3");
    old.setOnRemoteDevice(true);
    QCOMPARE(cache.addTrack(old), 0);
    QCOMPARE(device->DeleteTrack(old).code(), 0);
    cache.close();
    device->FinalizeSync();
    // The right object went, and nothing else.
    QVERIFY(!phone.backend().hasPath(phone.storageId(), "Music/Old/Album/old.mp3"));
    QCOMPARE(phone.backend().fileData(phone.storageId(), "Music/Keep/Album/keep.mp3"), QByteArray("keep"));
    QCOMPARE(phone.backend().overlappingCalls(), 0);
}

void TestMtpSessions::trackMissingFromOneListingIsNotDeleted()
{
    FakeMtpPhone phone;
    phone.backend().putFile(phone.storageId(), "Music/Artist/Album/gone.mp3", "x");
    MtpPhone* device = phone.connect();
    QTemporaryDir dir;
    TrackCache cache;
    QVERIFY(cache.openFile(dir.filePath("mcache0")) >= -5001);
    Track track = song("/music/gone.mp3", "Artist");
    track.setDeviceId("\\Music\\Artist\\Album\\gone.mp3");
    track.setOnRemoteDevice(true);
    QCOMPARE(cache.addTrack(track), 0);

    // The phone cannot list the album: it cannot show the track gone, so it stays on record.
    device->CachedDevice()->ForgetAll();
    phone.backend().failNext(FakeMtpBackend::kListFolder, 10);
    QCOMPARE(device->DeleteTrack(track).code(), PhoneResult::kDeleteFailed);
    QVERIFY(track.onRemoteDevice());
    phone.backend().failNext(FakeMtpBackend::kListFolder, 0);
    // One listing skips it: asked afresh, the phone shows it, and it is really deleted.
    phone.backend().dropFromListing("gone.mp3", 1);
    QCOMPARE(device->DeleteTrack(track).code(), 0);
    QVERIFY(!phone.backend().hasPath(phone.storageId(), "Music/Artist/Album/gone.mp3"));
    cache.close();
}

void TestMtpSessions::foldersAreReusedWhateverTheirCase()
{
    FakeMtpPhone phone;
    phone.backend().putFile(phone.storageId(), "music/Abba/Album/other.mp3", "other");
    MtpPhone* device = phone.connect();
    QTemporaryDir dir;
    Track track = song(localFile(dir, "01 Song.mp3", "song"), "ABBA");
    QCOMPARE(device->UploadTrack(track).code(), 0);
    // Into the folders that are there, and named as the phone names them.
    QCOMPARE(track.deviceId(), QStringLiteral("/music/Abba/Album/01 Song.mp3"));
    QCOMPARE(phone.backend().namesIn(phone.storageId(), "music/Abba/Album"),
             (QStringList{"other.mp3", "01 Song.mp3"}));
    QCOMPARE(phone.backend().namesIn(phone.storageId(), ""), (QStringList{"CORVO", "music"}));
}

void TestMtpSessions::lockedPhoneIsNamedAndNotReopenedAtOnce()
{
    auto backend = std::make_shared<FakeMtpBackend>();
    const int phone = backend->addPhone("Google", "Pixel", "L", "Locked");
    backend->addStorage(phone, "Internal", 10, 10);
    backend->setLocked(phone, true);
    MtpPhoneRefresher refresher(backend);
    refresher.setOpenRetry(1, 0);
    for (int run = 0; run < 3; ++run) {
        refresher.startRefresh({});
        refresher.waitForRun();
        QCOMPARE(refresher.openProblems(), QStringList{MtpPhoneRefresher::kLockedText});
    }
    // Each release resets the phone's USB link: opened once, not on every refresh.
    QCOMPARE(backend->calls(FakeMtpBackend::kOpen), 1);
    // A device event (the user unlocked it and chose File transfer) tries again at once.
    backend->setLocked(phone, false);
    refresher.devicesChanged();
    refresher.startRefresh({});
    refresher.waitForRun();
    const QList<DeviceParent*> found = refresher.takeNewParents();
    QCOMPARE(found.size(), 1);
    QVERIFY(refresher.openProblems().isEmpty());
    qDeleteAll(found);
}

void TestMtpSessions::nothingButTheRunTalksToThePhone()
{
    FakeMtpPhone phone(true, 1 << 20);
    MtpPhone* device = phone.connect();
    const quint64 before = phone.backend().freeSpace(phone.storageId());
    QTemporaryDir dir;
    Track track = song(localFile(dir, "01 Song.mp3", QByteArray(1000, 'x')), "Artist");
    QSemaphore inSend;
    QSemaphore goOn;
    phone.backend().setSendHook([&] {
        inSend.release();
        goOn.acquire();
    });
    int result = -1;
    std::thread run([&] {
        device->PrepareForSync();
        result = device->UploadTrack(track).code();
    });
    QVERIFY(inSend.tryAcquire(1, 5000));
    // A library change makes the window ask for the free space while a file is on its way:
    // it gets the run's figure, and the phone is not asked.
    phone.backend().resetCalls();
    quint64 freeSpace = 0;
    QCOMPARE(device->GetFreeStorageSpace(freeSpace), 0);
    QCOMPARE(freeSpace, before);
    QCOMPARE(phone.backend().totalCalls(), 0);
    goOn.release();
    run.join();
    phone.backend().setSendHook({});
    QCOMPARE(result, 0);
    // What the run sent is counted.
    QCOMPARE(device->GetFreeStorageSpace(freeSpace), 0);
    QCOMPARE(freeSpace, before - 1000);
    device->FinalizeSync();
    QCOMPARE(phone.backend().overlappingCalls(), 0);

    // The store does see two calls on one phone at once, and fails the second.
    FakeMtpBackend store;
    store.addStorage(store.addPhone("Google", "Pixel", "S", "Pixel"), "Internal", 1000, 1000);
    QList<MtpRawDevice> raws;
    store.listRawDevices(raws);
    MtpBackend::OpenResult opened;
    const MtpBackend::Handle handle = store.openDevice(raws.first(), opened);
    store.setSendHook([&] {
        inSend.release();
        goOn.acquire();
    });
    std::thread sender([&] {
        MtpObject file;
        file.mName = "raw.bin";
        file.mParentId = kRoot;
        file.mStorageId = raws.isEmpty() ? 0 : 65537;
        store.sendFile(handle, localFile(dir, "raw", "r"), file, {});
    });
    QVERIFY(inSend.tryAcquire(1, 5000));
    QList<MtpStorageInfo> storages;
    QCOMPARE(store.listStorages(handle, storages), -1);
    QCOMPARE(store.overlappingCalls(), 1);
    goOn.release();
    sender.join();
}

void TestMtpSessions::phonePulledOutIsNoticedAfterAFailure()
{
    FakeMtpPhone phone;
    MtpPhone* device = phone.connect();
    QTemporaryDir dir;
    Track first = song(localFile(dir, "01 First.mp3", "first"), "Artist");
    QCOMPARE(device->UploadTrack(first).code(), 0);
    // While all goes well the phone is not asked.
    phone.backend().resetCalls();
    QVERIFY(device->StillConnected());
    QCOMPARE(phone.backend().totalCalls(), 0);

    phone.backend().removePhone(0);
    Track second = song(localFile(dir, "02 Second.mp3", "second"), "Artist");
    QVERIFY(device->UploadTrack(second).code() != 0);
    QVERIFY(!second.onRemoteDevice());
    QVERIFY(!device->StillConnected());
}

PELLMAR_TEST_MAIN(TestMtpSessions)
#include "test_mtp_sessions.moc"
