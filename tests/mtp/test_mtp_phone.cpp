// The portable-device layer and the MTP phone over the in-memory phone store: the folder cache,
// remote files, the retrying copy, replacing without overwrite, playlists, deletion and the
// phone's identity and description files.
#include "TestMain.h"
#include "mtp/FakeMtpPhone.h"

#include "device/mtp/MtpPhone.h"
#include "device/mtp/MtpPhoneParent.h"
#include "device/mtp/LibMtpBackend.h"
#include "device/mtp/MtpFile.h"
#include "device/mtp/MtpCachedConnection.h"
#include "device/mtp/MtpConnection.h"
#include "tracks/PlaylistEntry.h"
#include "tracks/Track.h"
#include "tracks/TrackCache.h"
#include "tracks/TrackList.h"

#include <QTemporaryDir>

#include <atomic>

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

Track songAt(const QString& aPath, const QString& aName = QStringLiteral("Song"))
{
    Track track;
    track.setTrackName(aName);
    track.setAlbumName(QStringLiteral("Album"));
    track.setArtistName(QStringLiteral("Artist"));
    track.setPath(aPath);
    return track;
}

} // namespace

class TestMtpPhone : public QObject
{
    Q_OBJECT

private slots:
    void libmtpListingAcceptsNoDevice();
    void rawListingLeavesOutMassStorage();
    void folderListingsAreCached();
    void missingRemoteFileOpensEmpty();
    void failedSendThatLandedIsDeletedAndSentAgain();
    void replacingKeepsTheOldFileUntilTheNewOneIsWhole();
    void cancelStopsTheTransferAndLeavesNothing();
    void uploadAndDeleteTrack();
    void deletingAnUnresolvablePathCountsAsDeleted();
    void playlistNamesAndReplacement();
    void oldPlaylistsAreDeletedAndForgotten();
    void albumArtIsOnePicturePerAlbum();
    void identityAndDescription();
    void freeSpaceIsReadAgain();
};

void TestMtpPhone::libmtpListingAcceptsNoDevice()
{
    LibMtpBackend backend;
    QList<MtpRawDevice> devices;
    QCOMPARE(MtpConnection::GetRawDevices(backend, devices), 0);
    for (const MtpRawDevice& device : devices)
        QVERIFY(device.mId.contains(QLatin1Char(':')));
}

void TestMtpPhone::rawListingLeavesOutMassStorage()
{
    FakeMtpBackend backend;
    backend.addPhone("Samsung", "Galaxy", "S1", "Galaxy");
    backend.addMassStorageDevice("SanDisk", "Cruzer");
    QList<MtpRawDevice> devices;
    QCOMPARE(MtpConnection::GetRawDevices(backend, devices), 0);
    QCOMPARE(devices.size(), 1);
    QCOMPARE(devices.first().mProduct, QStringLiteral("Galaxy"));
}

void TestMtpPhone::folderListingsAreCached()
{
    FakeMtpPhone phone;
    MtpPhone* device = phone.connect();
    QVERIFY(device);
    // The roots of two storages are two folders; a folder is its id.
    QVERIFY(MtpCachedConnection::MangleFolderId(kRoot, 65537) != MtpCachedConnection::MangleFolderId(kRoot, 65538));
    QCOMPARE(MtpCachedConnection::MangleFolderId(123, 65537), quint64(123));

    MtpCachedConnection* cached = device->CachedDevice();
    QList<MtpObject> first;
    QCOMPARE(cached->GetFilesAndFolders(phone.storageId(), kRoot, first), 0);
    phone.backend().resetCalls();
    QList<MtpObject> second;
    QCOMPARE(cached->GetFilesAndFolders(phone.storageId(), kRoot, second), 0);
    QCOMPARE(phone.backend().calls(FakeMtpBackend::kListFolder), 0);
    QCOMPARE(second.size(), first.size());

    // A file sent into the listed folder shows in the next listing, from the cache.
    QTemporaryDir dir;
    MtpObject file;
    file.mName = "notes.txt";
    file.mParentId = kRoot;
    file.mStorageId = phone.storageId();
    QCOMPARE(cached->SendFile(localFile(dir, "n", "hello"), file), 0);
    QVERIFY(file.mId != 0);
    QList<MtpObject> third;
    cached->GetFilesAndFolders(phone.storageId(), kRoot, third);
    QCOMPARE(third.size(), first.size() + 1);
    QCOMPARE(third.last().mName, QStringLiteral("notes.txt"));
    QCOMPARE(phone.backend().calls(FakeMtpBackend::kListFolder), 0);

    // A folder just made is known to be empty: looking into it asks nothing.
    const quint32 made = cached->CreateFolder(kRoot, phone.storageId(), "New");
    QVERIFY(made != 0);
    QList<MtpObject> inside;
    QCOMPARE(cached->GetFilesAndFolders(phone.storageId(), made, inside), 0);
    QVERIFY(inside.isEmpty());
    QCOMPARE(phone.backend().calls(FakeMtpBackend::kListFolder), 0);

    // A failed listing is not remembered as empty.
    phone.backend().putFile(phone.storageId(), "Other/x.txt", "x");
    phone.backend().failNext(FakeMtpBackend::kListFolder);
    quint32 other = 0;
    quint32 parent = 0;
    device->CachedDevice()->ForgetFolder(kRoot, phone.storageId());
    QCOMPARE(device->GetOrCreateFromPath("\\Other\\x.txt", other, parent, false), MtpPhone::kNotFound);
    QCOMPARE(device->GetOrCreateFromPath("\\Other\\x.txt", other, parent, false), 0);
}

void TestMtpPhone::missingRemoteFileOpensEmpty()
{
    FakeMtpPhone phone;
    MtpPhone* device = phone.connect();
    MtpFile missing(*device, "\\CORVO\\nothing.txt");
    QVERIFY(missing.open(QIODevice::ReadOnly));
    QCOMPARE(missing.readAll(), QByteArray());
    QVERIFY(missing.close());
    QVERIFY(!phone.backend().hasPath(phone.storageId(), "CORVO/nothing.txt"));

    // Written and closed, it is sent; read again, it has the bytes.
    MtpFile written(*device, "\\CORVO\\deep\\note.txt");
    QVERIFY(written.open(QIODevice::WriteOnly));
    QVERIFY(written.write("content"));
    QVERIFY(written.close());
    QCOMPARE(phone.backend().fileData(phone.storageId(), "CORVO/deep/note.txt"), QByteArray("content"));
    MtpFile reread(*device, "\\CORVO\\deep\\note.txt");
    QVERIFY(reread.open(QIODevice::ReadOnly));
    QCOMPARE(reread.readAll(), QByteArray("content"));
}

void TestMtpPhone::failedSendThatLandedIsDeletedAndSentAgain()
{
    FakeMtpPhone phone;
    MtpPhone* device = phone.connect();
    QTemporaryDir dir;
    const QString source = localFile(dir, "a.mp3", "track bytes");
    phone.backend().resetCalls();
    phone.backend().failSendsButKeep(1);
    MtpFile file(*device);
    QVERIFY(file.copy(source, "\\Music\\A\\B\\a.mp3", 5, MtpObject::kOther));
    QCOMPARE(phone.backend().calls(FakeMtpBackend::kSend), 2);
    QCOMPARE(phone.backend().calls(FakeMtpBackend::kDelete), 1);
    QCOMPARE(phone.backend().namesIn(phone.storageId(), "Music/A/B"), QStringList{"a.mp3"});

    // Sends that keep failing give up after the attempts asked for.
    phone.backend().resetCalls();
    phone.backend().failSendsOf("b.mp3");
    QVERIFY(!file.copy(localFile(dir, "b.mp3", "b"), "\\Music\\A\\B\\b.mp3", 3, MtpObject::kOther));
    QCOMPARE(phone.backend().calls(FakeMtpBackend::kSend), 3);
    QVERIFY(!phone.backend().hasPath(phone.storageId(), "Music/A/B/b.mp3"));
}

void TestMtpPhone::replacingKeepsTheOldFileUntilTheNewOneIsWhole()
{
    FakeMtpPhone phone;
    MtpPhone* device = phone.connect();
    QTemporaryDir dir;
    QCOMPARE(device->CopyFile(localFile(dir, "1", "old"), "\\CORVO\\file.txt", false).code(), 0);
    // Without replace the file on the phone stays.
    QCOMPARE(device->CopyFile(localFile(dir, "2", "new"), "\\CORVO\\file.txt", false).code(), 0);
    QCOMPARE(phone.backend().fileData(phone.storageId(), "CORVO/file.txt"), QByteArray("old"));
    QCOMPARE(device->CopyFile(localFile(dir, "3", "newer"), "\\CORVO\\file.txt", true).code(), 0);
    QCOMPARE(phone.backend().files(phone.storageId()).value("CORVO/file.txt"), QByteArray("newer"));
    QCOMPARE(phone.backend().namesIn(phone.storageId(), "CORVO").filter("file"), QStringList({"file.txt"}));
    // A send cut short (under the temporary name) leaves the old file whole.
    phone.backend().failSendsOf(".pellmar-partial-file.txt");
    QCOMPARE(device->CopyFile(localFile(dir, "4", "cut"), "\\CORVO\\file.txt", true).code(), PhoneResult::kCopyFailed);
    QCOMPARE(phone.backend().files(phone.storageId()).value("CORVO/file.txt"), QByteArray("newer"));
    QCOMPARE(phone.backend().namesIn(phone.storageId(), "CORVO").filter("file"), QStringList({"file.txt"}));
    // A phone that refuses the rename still gets the file, under its own name.
    phone.backend().failSendsOf(".pellmar-partial-file.txt", false);
    phone.backend().failNext(FakeMtpBackend::kRename);
    QCOMPARE(device->CopyFile(localFile(dir, "5", "newest"), "\\CORVO\\file.txt", true).code(), 0);
    QCOMPARE(phone.backend().files(phone.storageId()).value("CORVO/file.txt"), QByteArray("newest"));
    QCOMPARE(phone.backend().namesIn(phone.storageId(), "CORVO").filter("file"), QStringList({"file.txt"}));
}

void TestMtpPhone::cancelStopsTheTransferAndLeavesNothing()
{
    FakeMtpPhone phone;
    MtpPhone* device = phone.connect();
    std::atomic<bool> cancelled{false};
    device->SetCancelFlag(&cancelled);
    QList<quint64> progress;
    device->SetTransferObserver([&](const QString&, quint64 aSent, quint64) {
        progress.append(aSent);
        cancelled.store(true);
    });
    QTemporaryDir dir;
    const QString source = localFile(dir, "big.mp3", QByteArray(300 * 1024, 'x'));
    Track track = songAt(source);
    phone.backend().resetCalls();
    QCOMPARE(device->UploadTrack(track).code(), MtpPhone::kSendFailed);
    QCOMPARE(progress.size(), 1);
    // Not tried again once cancelled, and no partial object is left.
    QCOMPARE(phone.backend().calls(FakeMtpBackend::kSend), 1);
    QVERIFY(phone.backend().namesIn(phone.storageId(), "Music/Artist/Album").isEmpty());
    QVERIFY(!track.onRemoteDevice());
    device->SetCancelFlag(nullptr);
}

void TestMtpPhone::uploadAndDeleteTrack()
{
    FakeMtpPhone phone;
    MtpPhone* device = phone.connect();
    QTemporaryDir dir;
    Track track = songAt(localFile(dir, "01 Song.mp3", "song bytes"));
    QCOMPARE(device->UploadTrack(track).code(), 0);
    QCOMPARE(track.deviceId(), QStringLiteral("/Music/Artist/Album/01 Song.mp3"));
    QVERIFY(track.onRemoteDevice());
    QCOMPARE(track.sizeOnDevice(), qint64(10));
    QCOMPARE(phone.backend().fileData(phone.storageId(), "Music/Artist/Album/01 Song.mp3"),
             QByteArray("song bytes"));
    quint32 id = 0;
    QVERIFY(device->GetIdFromTrack(track, id) == 0 && id != 0);

    TrackCache cache;
    QVERIFY(cache.openFile(dir.filePath("mcache0")) >= -5001);
    QCOMPARE(cache.addTrack(track), 0);
    QCOMPARE(device->DeleteTrack(track).code(), 0);
    QVERIFY(!track.onRemoteDevice());
    QVERIFY(!phone.backend().hasPath(phone.storageId(), "Music/Artist/Album/01 Song.mp3"));
    // The deletion is known to the folder cache: the track can be sent again at once.
    QCOMPARE(device->UploadTrack(track).code(), 0);
    cache.close();
}

void TestMtpPhone::deletingAnUnresolvablePathCountsAsDeleted()
{
    FakeMtpPhone phone;
    MtpPhone* device = phone.connect();
    QTemporaryDir dir;
    const QString cachePath = dir.filePath("mcache0");
    TrackCache cache;
    QVERIFY(cache.openFile(cachePath) >= -5001);
    Track track = songAt("/music/gone.mp3");
    track.setDeviceId("\\Music\\Nobody\\Nothing\\gone.mp3");
    track.setOnRemoteDevice(true);
    QCOMPARE(cache.addTrack(track), 0);
    QCOMPARE(cache.close(), 0);

    QVERIFY(cache.openFile(cachePath) >= -5001);
    TrackList cached;
    QCOMPARE(cache.updateTrackList(cached), 0);
    QCOMPARE(device->DeleteTrack(cached.at(0)).code(), 0);
    QVERIFY(!cached.at(0).onRemoteDevice());
    cache.close();
    // Nothing was created while looking.
    QVERIFY(!phone.backend().hasPath(phone.storageId(), "Music/Nobody"));

    // A path that climbs out of the root names nothing.
    Track climbing = songAt("/music/x.mp3");
    climbing.setDeviceId("\\..\\CORVO\\android.xml");
    quint32 id = 0;
    quint32 parent = 0;
    QCOMPARE(device->GetOrCreateFromPath(climbing.deviceId(), id, parent, false), MtpPhone::kNotFound);
}

void TestMtpPhone::playlistNamesAndReplacement()
{
    FakeMtpPhone phone;
    MtpPhone* device = phone.connect();
    QTemporaryDir dir;
    TrackList tracks;
    Track track = songAt(localFile(dir, "01 Song.mp3", "song"));
    QCOMPARE(device->UploadTrack(track).code(), 0);
    tracks.addTrack(track);
    PlaylistEntry playlist;
    playlist.mName = "Rock/Pop: Best";
    playlist.mItems.append(PlaylistItem{0, 0});

    device->PrepareForSync();
    QCOMPARE(device->createPlaylist(playlist, tracks, false).code(), 0);
    // The same entry form as on a folder phone: relative to the playlist's folder, with "/".
    const QByteArray expected = "#EXTM3U\r\n#EXTINF:0,Song\r\n../Music/Artist/Album/01 Song.mp3\r\n";
    QCOMPARE(phone.backend().fileData(phone.storageId(), "Playlists_CDZ/Rock_Pop_ Best.m3u"), expected);

    // An identical playlist is left alone; a changed one replaces the old object.
    phone.backend().resetCalls();
    QCOMPARE(device->createPlaylist(playlist, tracks, false).code(), 0);
    QCOMPARE(phone.backend().calls(FakeMtpBackend::kSend), 0);
    playlist.mItems.append(PlaylistItem{0, 0});
    QCOMPARE(device->createPlaylist(playlist, tracks, false).code(), 0);
    QCOMPARE(phone.backend().namesIn(phone.storageId(), "Playlists_CDZ"), QStringList{"Rock_Pop_ Best.m3u"});
    QVERIFY(phone.backend().fileData(phone.storageId(), "Playlists_CDZ/Rock_Pop_ Best.m3u").size()
            > expected.size());
}

void TestMtpPhone::oldPlaylistsAreDeletedAndForgotten()
{
    FakeMtpPhone phone;
    phone.backend().putFile(phone.storageId(), "Playlists_CDZ/Old.m3u", "#EXTM3U\r\n");
    phone.backend().putFile(phone.storageId(), "Playlists_CDZ/Kept.m3u", "#EXTM3U\r\n");
    MtpPhone* device = phone.connect();
    // What a dry run shows; listing makes no playlist folder on a phone without one.
    QStringList listed = device->PlaylistFiles();
    listed.sort();
    QCOMPARE(listed, (QStringList{"Kept.m3u", "Old.m3u"}));
    FakeMtpPhone bare;
    QVERIFY(bare.connect()->PlaylistFiles().isEmpty());
    QVERIFY(!bare.backend().hasPath(bare.storageId(), "Playlists_CDZ"));
    QTemporaryDir dir;
    TrackList tracks;
    PlaylistEntry kept;
    kept.mName = "Kept";
    device->PrepareForSync();
    QCOMPARE(device->createPlaylist(kept, tracks, false).code(), 0);
    device->removeOldPlaylists();
    QCOMPARE(phone.backend().namesIn(phone.storageId(), "Playlists_CDZ"), QStringList{"Kept.m3u"});
    // The cached listing forgot the deleted playlist: a playlist of that name is sent anew.
    PlaylistEntry old;
    old.mName = "Old";
    QCOMPARE(device->createPlaylist(old, tracks, false).code(), 0);
    QVERIFY(phone.backend().hasPath(phone.storageId(), "Playlists_CDZ/Old.m3u"));
}

void TestMtpPhone::albumArtIsOnePicturePerAlbum()
{
    FakeMtpPhone phone;
    MtpPhone* device = phone.connect();
    QTemporaryDir dir;
    const Track track = songAt(dir.filePath("01 Song.mp3"));
    device->uploadAlbumArt(track, localFile(dir, "first.jpg", "first picture"));
    device->uploadAlbumArt(track, localFile(dir, "second.jpg", "second picture"));
    QCOMPARE(phone.backend().namesIn(phone.storageId(), "Music/Artist/Album"), QStringList{"folder.jpg"});
    QCOMPARE(phone.backend().fileData(phone.storageId(), "Music/Artist/Album/folder.jpg"),
             QByteArray("second picture"));
}

void TestMtpPhone::identityAndDescription()
{
    FakeMtpPhone phone;
    MtpPhone* device = phone.connect();
    QCOMPARE(device->FriendlyName(), QStringLiteral("Pixel Internal storage"));
    QCOMPARE(device->AndroidVersion(), 13);
    QCOMPARE(device->UniqueDeviceId(), QStringLiteral("TEMP-DEVICE-ID"));
    // A phone that does not take the id file is not set up, and says so.
    phone.backend().failSendsOf("uniqueid");
    QCOMPARE(device->SetConfigured().code(), PhoneResult::kSendFailed);
    QVERIFY(!phone.backend().hasPath(phone.storageId(), "CORVO/uniqueid"));
    QCOMPARE(device->UniqueDeviceId(), QStringLiteral("TEMP-DEVICE-ID"));
    phone.backend().failSendsOf("uniqueid", false);
    QVERIFY(device->SetConfigured().isOk());
    const QString id = device->UniqueDeviceId();
    QVERIFY(id.endsWith(QLatin1Char('Y')));
    QCOMPARE(phone.backend().fileData(phone.storageId(), "CORVO/uniqueid"), id.toLatin1());
    // Opened again, the phone reads its id; configuring again keeps it.
    device = phone.connect();
    QCOMPARE(device->UniqueDeviceId(), id);
    device->SetConfigured();
    QCOMPARE(device->UniqueDeviceId(), id);

    // A description that cannot be fetched but exists counts as version 10.
    phone.backend().failNext(FakeMtpBackend::kGet, 2);
    device = phone.connect();
    QCOMPARE(device->AndroidVersion(), 10);
    QCOMPARE(device->ScreenPixels(), 400000);

    // Without a description (no companion app) the phone is an ordinary phone.
    FakeMtpPhone bare(false);
    QVERIFY(bare.connect());
    QCOMPARE(bare.device()->AndroidVersion(), -1);

    // A phone without a friendly name is named by product and vendor.
    auto backend = std::make_shared<FakeMtpBackend>();
    const int unnamed = backend->addPhone("Motorola", "moto g", "", "");
    backend->addStorage(unnamed, "", 1000, 1000);
    const QList<DeviceParent*> found = FakeMtpPhone::enumerate(backend);
    QCOMPARE(found.size(), 1);
    QCOMPARE(found.first()->Devices().first()->FriendlyName(), QStringLiteral("moto g Motorola Storage"));
    qDeleteAll(found);
}

void TestMtpPhone::freeSpaceIsReadAgain()
{
    FakeMtpPhone phone(true, 5000);
    MtpPhone* device = phone.connect();
    quint64 capacity = 0;
    quint64 free = 0;
    QCOMPARE(device->GetStorageCapacity(capacity), 0);
    QCOMPARE(capacity, quint64(5000));
    phone.backend().setFreeSpace(phone.storageId(), 1234);
    QCOMPARE(device->GetFreeStorageSpace(free), 0);
    QCOMPARE(free, quint64(1234));
}

PELLMAR_TEST_MAIN(TestMtpPhone)
#include "test_mtp_phone.moc"
