// The track cache: byte layout, reading back, in-place updates, totals, and opening through
// the settings file.

#include "TestMain.h"

#include "app/AppPaths.h"
#include "settings/SyncSettings.h"
#include "tracks/CacheBytes.h"
#include "tracks/Track.h"
#include "tracks/TrackCache.h"
#include "tracks/TrackList.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

namespace {

QString cachePath(const QString& aName)
{
    return AppPaths::corvoFolder() + QLatin1Char('/') + aName;
}

qint32 int32At(const QByteArray& aBytes, qint64 aOffset)
{
    return qFromLittleEndian<qint32>(aBytes.constData() + aOffset);
}

qint64 int64At(const QByteArray& aBytes, qint64 aOffset)
{
    return qFromLittleEndian<qint64>(aBytes.constData() + aOffset);
}

// A track just copied to the phone.
Track copiedTrack(const QString& aName, qint64 aSize, const QString& aDeviceId)
{
    Track track(aName, QStringLiteral("Album"), QStringLiteral("Artist"), 1,
                QStringLiteral("/music/") + aName + QStringLiteral(".mp3"), true, true, false,
                aDeviceId);
    track.setSizeOnDevice(aSize);
    return track;
}

} // namespace

class TestTrackCache : public QObject
{
    Q_OBJECT

private slots:
    void newCacheIsAHeader();
    void recordByteLayout();
    void recordsReadBackCompletely();
    void deleteAndCopyAgainReusesTheRecord();
    void totalsAndLimitedRead();
    void clearKeepsPersistentIds();
    void openThroughSettings();
};

void TestTrackCache::newCacheIsAHeader()
{
    const QString path = cachePath(QStringLiteral("new"));
    {
        TrackCache cache;
        QCOMPARE(cache.openFile(path), -5001);
    }
    QCOMPARE(CacheBytes::readFile(path),
             QByteArray::fromHex("e8030000" "e9030000" "04000000" "01000000"
                                 "ea030000" "08000000" "0000000000000000"
                                 "eb030000" "04000000" "2c000000"));
    QVERIFY(QFile::exists(path + QLatin1Char('p')));
    TrackCache cache;
    QCOMPARE(cache.openFile(path), 0);
    TrackList list;
    QCOMPARE(cache.updateTrackList(list), 0);
    QCOMPARE(list.count(), 0);
}

void TestTrackCache::recordByteLayout()
{
    const QString path = cachePath(QStringLiteral("layout"));
    TrackCache cache;
    QCOMPARE(cache.openFile(path), -5001);
    Track track(QStringLiteral("A"), QStringLiteral("B\u00e9"), QString(), 7,
                QStringLiteral("/x.m4a"), true, true, false, QStringLiteral("\\a"));
    track.setSizeOnDevice(0x0102030405);
    track.setConvertToMp3(true);
    QCOMPARE(cache.addTrack(track), 0);
    cache.close();

    const QByteArray expected = QByteArray::fromHex(
        "e8030000" "e9030000" "04000000" "01000000"  // magic, version 1
        "ea030000" "08000000" "0504030201000000"     // total on the phone
        "eb030000" "04000000" "a6000000"             // integrity: 166 bytes
        "00000000"                                   // record start
        "01000000" "02000000" "4100"                 // name "A"
        "02000000" "04000000" "4200e900"             // album "Bé"
        "03000000" "00000000"                        // artist ""
        "04000000" "0c000000" "2f0078002e006d0034006100" // path "/x.m4a"
        "05000000" "04000000" "07000000"             // track number
        "09000000" "08000000" "0000000000000000"     // id offset
        "0a000000" "04000000" "04000000"             // id length
        "07000000" "04000000" "03000000"             // on the phone, converted
        "08000000" "08000000" "0504030201000000");   // size on the phone
    QCOMPARE(CacheBytes::readFile(path).toHex(), expected.toHex());
    QCOMPARE(CacheBytes::readFile(path + QLatin1Char('p')), QByteArray::fromHex("5c006100"));

    QCOMPARE(cache.openFile(path), 0);
    QCOMPARE(cache.readHeader(), 0);
    Track read;
    QCOMPARE(cache.readTrack(read), 0);
    QCOMPARE(read.flagsFilePosition(), 138);
    QCOMPARE(read.deviceIdFilePosition(), qint64(110));
}

void TestTrackCache::recordsReadBackCompletely()
{
    const QString path = cachePath(QStringLiteral("roundtrip"));
    const QString longPath = QStringLiteral("/music/") + QString(900, QLatin1Char('x'));
    {
        TrackCache cache;
        QCOMPARE(cache.openFile(path), -5001);
        Track music(QStringLiteral("Nocturne \U0001F3B5 \u591c"), QString(), QString(), -2,
                    longPath, true, true, false, QStringLiteral("\\Music\\\u00e9t\u00e9.mp3"));
        music.setSizeOnDevice(5000000000LL);
        QCOMPARE(cache.addTrack(music), 0);
        Track converted = copiedTrack(QStringLiteral("Conv"), 77, QStringLiteral("\\c.mp3"));
        converted.setPath(QStringLiteral("/music/Conv.m4a"));
        converted.setConvertToMp3(true);
        converted.setOnRemoteDevice(false);
        QCOMPARE(cache.addTrack(converted), 0);
        QCOMPARE(cache.totalSizeOfUploadedFiles(), 5000000000LL);
    }
    const QByteArray bytes = CacheBytes::readFile(path);
    QCOMPARE(int32At(bytes, 40), qint32(bytes.size()));
    QCOMPARE(int64At(bytes, 24), 5000000000LL);

    TrackCache cache;
    QCOMPARE(cache.openFile(path), 0);
    QCOMPARE(cache.readHeader(), 0);
    Track first;
    QCOMPARE(cache.readTrack(first), 0);
    QCOMPARE(first.trackName(), QStringLiteral("Nocturne \U0001F3B5 \u591c"));
    QCOMPARE(first.albumName(), QString());
    QCOMPARE(first.path(), longPath);
    QCOMPARE(first.trackNumberOnAlbum(), -2);
    QCOMPARE(first.deviceId(), QStringLiteral("/Music/\u00e9t\u00e9.mp3"));
    QCOMPARE(first.sizeOnDevice(), 5000000000LL);
    QVERIFY(first.onRemoteDevice() && first.inCache() && !first.onLocalSyncPlaylist());
    QVERIFY(!first.converted());
    QCOMPARE(int32At(bytes, first.flagsFilePosition()), 7);
    QCOMPARE(int32At(bytes, first.deviceIdFilePosition()), 9);

    // The last record ends exactly at the end of the file.
    Track second;
    QCOMPARE(cache.readTrack(second), 0);
    QVERIFY(second.converted() && !second.onRemoteDevice() && second.inCache());
    QCOMPARE(second.deviceId(), QStringLiteral("/c.mp3"));
    QCOMPARE(second.uniqueId(), QStringLiteral("ConvAlbumArtist1mp3"));
    Track none;
    QCOMPARE(cache.readTrack(none), -5002);
}

void TestTrackCache::deleteAndCopyAgainReusesTheRecord()
{
    const QString path = cachePath(QStringLiteral("reuse"));
    const QString oldId = QStringLiteral("\\Music\\one.mp3");
    // The program's form; the file keeps "\\" between the parts.
    const QString newId = QStringLiteral("/Music/one 2.mp3");
    {
        TrackCache cache;
        QCOMPARE(cache.openFile(path), -5001);
        QCOMPARE(cache.addTrack(copiedTrack(QStringLiteral("One"), 1000, oldId)), 0);
    }
    const qint64 size = QFileInfo(path).size();
    auto flagsOf = [&](const Track& aTrack) {
        return int32At(CacheBytes::readFile(path), aTrack.flagsFilePosition() + 8);
    };

    // Next run: the library knows the track too; the merged track carries the cache positions.
    TrackCache cache;
    TrackList list;
    list.addTrack(Track(QStringLiteral("One"), QStringLiteral("Album"), QStringLiteral("Artist"), 1,
                        QStringLiteral("/music/One.mp3"), true, false, false, QString()));
    QCOMPARE(cache.openFile(path), 0);
    QCOMPARE(cache.updateTrackList(list), 0);
    QCOMPARE(list.count(), 1);
    QCOMPARE(flagsOf(list.at(0)), 1);
    QCOMPARE(cache.removeDeletedTrack(list.at(0)), 0);
    QCOMPARE(flagsOf(list.at(0)), 0);
    QCOMPARE(cache.totalSizeOfUploadedFiles(), qint64(0));
    cache.close();
    QCOMPARE(QFileInfo(path).size(), size);

    // A later run copies it again.
    TrackList later;
    QCOMPARE(cache.openFile(path), 0);
    QCOMPARE(cache.updateTrackList(later), 0);
    Track track = later.at(0);
    QVERIFY(!track.onRemoteDevice() && track.inCache());
    track.setOnRemoteDevice(true);
    track.setDeviceId(newId);
    QCOMPARE(cache.addTrack(track), 0);
    cache.close();

    const QByteArray bytes = CacheBytes::readFile(path);
    QCOMPARE(bytes.size(), size);
    QCOMPARE(flagsOf(track), 1);
    QCOMPARE(int64At(bytes, track.deviceIdFilePosition() + 8), qint64(oldId.size() * 2));
    QCOMPARE(int32At(bytes, track.deviceIdFilePosition() + 24), qint32(newId.size() * 2));
    QCOMPARE(CacheBytes::readFile(path + QLatin1Char('p')),
             CacheBytes::utf16(oldId) + CacheBytes::utf16(QStringLiteral("\\Music\\one 2.mp3")));
    QCOMPARE(int64At(bytes, 24), qint64(1000));

    TrackList last;
    QCOMPARE(cache.openFile(path), 0);
    QCOMPARE(cache.updateTrackList(last), 0);
    QCOMPARE(last.count(), 1);
    QCOMPARE(last.at(0).deviceId(), newId);
    QVERIFY(last.at(0).onRemoteDevice());
}

void TestTrackCache::totalsAndLimitedRead()
{
    const QString path = cachePath(QStringLiteral("totals"));
    TrackCache cache;
    QCOMPARE(cache.openFile(path), -5001);
    for (int i = 1; i <= 10; ++i)
        QCOMPARE(cache.addTrack(copiedTrack(QString::number(i), i, QStringLiteral("\\t"))), 0);
    QCOMPARE(cache.totalSizeOfUploadedFiles(), qint64(55));
    QCOMPARE(cache.decrementTotalSizeOfUploadedFiles(100), 0);
    QCOMPARE(cache.totalSizeOfUploadedFiles(), qint64(0));
    QCOMPARE(cache.incrementTotalSizeOfUploadedFiles(40), 0);
    QCOMPARE(cache.setTotalSizeOfUploadedFiles(12345), 0);
    cache.close();
    QCOMPARE(int64At(CacheBytes::readFile(path), 24), qint64(12345));

    TrackList five;
    QCOMPARE(cache.openFile(path), 0);
    QCOMPARE(cache.updateTrackList(five, 5), 0);
    QCOMPARE(five.count(), 5);
    QCOMPARE(five.totalSizeOnDevice(), qint64(12345));
    QCOMPARE(cache.totalSizeOfUploadedFiles(), qint64(12345));

    TrackList all;
    QCOMPARE(cache.updateTrackList(all), 0);
    QCOMPARE(all.count(), 10);
    QCOMPARE(all.totalSizeOnDevice(), qint64(55));
}

void TestTrackCache::clearKeepsPersistentIds()
{
    const QString path = cachePath(QStringLiteral("clear"));
    TrackCache cache;
    QCOMPARE(cache.openFile(path), -5001);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(cache.addTrack(copiedTrack(QString::number(i), 10, QStringLiteral("\\id"))), 0);
    const QByteArray ids = CacheBytes::readFile(path + QLatin1Char('p'));
    QCOMPARE(cache.clear(), 0);
    QCOMPARE(CacheBytes::readFile(path), CacheBytes().header(0, 44).bytes());
    QCOMPARE(CacheBytes::readFile(path + QLatin1Char('p')), ids);

    QCOMPARE(cache.addTrack(copiedTrack(QStringLiteral("after"), 5, QStringLiteral("\\n"))), 0);
    TrackList list;
    QCOMPARE(cache.updateTrackList(list), 0);
    QCOMPARE(list.count(), 1);
    QCOMPARE(list.at(0).deviceId(), QStringLiteral("/n"));
}

void TestTrackCache::openThroughSettings()
{
    TrackCache cache;
    QFile::remove(SyncSettings::settingsFilePath());
    QCOMPARE(cache.open(SettingsSnapshot::read(), QStringLiteral("phone")), -5003);

    SyncSettings settings;
    settings.load();
    QCOMPARE(settings.setConfig(QStringLiteral("phone"), QStringLiteral("Phone"), true, {}, 0, {}),
             0);
    QCOMPARE(cache.open(SettingsSnapshot::read(), QStringLiteral("unknown")), -6000);
    QCOMPARE(cache.open(SettingsSnapshot::read(), QStringLiteral("phone")), -5001);
    QCOMPARE(cache.cacheFilePath(), cachePath(QStringLiteral("mcache0")));
    QVERIFY(QFile::exists(cachePath(QStringLiteral("mcache0p"))));
    QCOMPARE(cache.open(SettingsSnapshot::read(), QStringLiteral("phone")), 0);
    cache.close();

    // A name written on another system, or pointing elsewhere, stays in the CORVO folder.
    const QString outside = QDir::tempPath() + QStringLiteral("/pellmar-elsewhere/mcache9");
    const struct {
        QString stored;
        QString used;
    } cases[] = {
        {QStringLiteral("C:\\Users\\me\\CORVO/mcache7"), cachePath(QStringLiteral("mcache7"))},
        {outside, cachePath(QStringLiteral("mcache9"))},
        {AppPaths::corvoFolder() + QStringLiteral("/../mcache5"),
         cachePath(QStringLiteral("mcache5"))},
    };
    for (const auto& c : cases) {
        settings.load();
        settings.setStringValue(QStringLiteral("phone"), QStringLiteral("cache"), c.stored);
        settings.save();
        QCOMPARE(cache.open(SettingsSnapshot::read(), QStringLiteral("phone")), -5001);
        QCOMPARE(cache.cacheFilePath(), c.used);
        cache.close();
    }
    QVERIFY(!QFile::exists(outside));
    QVERIFY(!QFile::exists(AppPaths::applicationDataPath() + QStringLiteral("/mcache5")));
    settings.load();
    settings.setStringValue(QStringLiteral("phone"), QStringLiteral("cache"), QStringLiteral(".."));
    settings.save();
    QCOMPARE(cache.open(SettingsSnapshot::read(), QStringLiteral("phone")), -6001);
    // The settings file itself, named as the cache, is never opened as one.
    for (const QString& name : {SyncSettings::settingsFilePath(), QStringLiteral("corvo.xml")}) {
        QCOMPARE(TrackCache::resolveCacheFilePath(name), QString());
        settings.load();
        settings.setStringValue(QStringLiteral("phone"), QStringLiteral("cache"), name);
        settings.save();
        const QByteArray withName = [] {
            QFile file(SyncSettings::settingsFilePath());
            file.open(QIODevice::ReadOnly);
            return file.readAll();
        }();
        QCOMPARE(cache.open(SettingsSnapshot::read(), QStringLiteral("phone")), -6001);
        QFile file(SyncSettings::settingsFilePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), withName);
    }
}

PELLMAR_TEST_MAIN(TestTrackCache)
#include "test_track_cache.moc"
