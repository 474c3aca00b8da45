// The track cache against corrupt or hostile files and failing writes: clear results, no crash,
// no allocation beyond the file, and the user's existing records left readable.

#include "TestMain.h"

#include "app/AppPaths.h"
#include "tracks/CacheBytes.h"
#include "tracks/FaultyFile.h"
#include "tracks/Track.h"
#include "tracks/TrackCache.h"
#include "tracks/TrackList.h"

#include <QDir>
#include <QFile>

#include <memory>
#include <random>

namespace {

const QString kId = QStringLiteral("\\a.mp3");

QString cachePath(const QString& aName)
{
    QDir().mkpath(AppPaths::corvoFolder());
    return AppPaths::corvoFolder() + QLatin1Char('/') + aName;
}

// Writes a cache file and its persistent ids; returns the cache path.
QString writeCache(const QString& aName, const QByteArray& aCache,
                   const QByteArray& aIds = CacheBytes::utf16(kId))
{
    const QString path = cachePath(aName);
    CacheBytes::writeFile(path, aCache);
    CacheBytes::writeFile(path + QLatin1Char('p'), aIds);
    return path;
}

// A cache with two complete records.
CacheBytes twoRecords()
{
    CacheBytes bytes;
    bytes.header(20);
    bytes.record(QStringLiteral("one"), 0, 12, 1, 10).record(QStringLiteral("two"), 0, 12, 1, 10);
    return bytes;
}

// Opens aPath through fault-injecting files that the cache then owns.
struct FaultyCache
{
    TrackCache cache;
    FaultyFile* cacheFile = nullptr;
    FaultyFile* idsFile = nullptr;

    qint32 open(const QString& aPath)
    {
        auto file = std::make_unique<FaultyFile>(aPath);
        auto ids = std::make_unique<FaultyFile>(aPath + QLatin1Char('p'));
        cacheFile = file.get();
        idsFile = ids.get();
        return cache.openFiles(std::move(file), std::move(ids));
    }
};

Track newTrack(const QString& aName)
{
    Track track(aName, QStringLiteral("Album"), QStringLiteral("Artist"), 1,
                QStringLiteral("/music/x.mp3"), true, true, false, QStringLiteral("\\x.mp3"));
    track.setSizeOnDevice(99);
    return track;
}

int readAll(const QString& aPath, qint32& aResult)
{
    TrackCache cache;
    TrackList list;
    aResult = cache.openFile(aPath);
    if (aResult == 0)
        aResult = cache.updateTrackList(list);
    return list.count();
}

} // namespace

class TestTrackCacheFaults : public QObject
{
    Q_OBJECT

private slots:
    void badHeader_data();
    void badHeader();
    void headerItemsInAnyOrder();
    void badRecord_data();
    void badRecord();
    void mutatedFilesNeverCrash();
    void readErrorIsReported();
    void failedAppendLeavesRecordsReadable();
    void failedInPlaceWritesAreReported();
    void failedHeaderLeavesEmptyFile();
    void filesThatCannotBeOpened();
    void unknownPositionsWriteNothing();
};

void TestTrackCacheFaults::badHeader_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint32>("header");
    QTest::addColumn<qint32>("update");
    const QByteArray full = CacheBytes().header(0, 44).bytes();
    QTest::newRow("wrong magic") << CacheBytes().int32(1001).raw(full.mid(4)).bytes() << -6004
                                 << -6004;
    QTest::newRow("cut inside the magic") << full.left(2) << -6004 << -6004;
    QTest::newRow("magic only") << full.left(4) << -5002 << 0;
    QTest::newRow("version only") << full.left(16) << -5002 << 0;
    QTest::newRow("cut inside the total") << full.left(30) << -6004 << -6004;
    QTest::newRow("total of four bytes")
        << CacheBytes().int32(1000).int32Item(1002, 5).int32Item(1003, 44).bytes() << -6004
        << -6004;
    QTest::newRow("unknown header tag") << CacheBytes().raw(full).int32Item(1004, 1).bytes()
                                        << -6004 << -6004;
}

void TestTrackCacheFaults::badHeader()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qint32, header);
    QFETCH(qint32, update);
    const QString path = writeCache(QStringLiteral("header"), bytes);
    TrackCache cache;
    QCOMPARE(cache.openFile(path), 0);
    QCOMPARE(cache.readHeader(), header);
    TrackList list;
    QCOMPARE(cache.updateTrackList(list), update);
    QCOMPARE(list.count(), 0);
    // Without both header positions nothing may be written, least of all over the magic.
    QVERIFY(cache.addTrack(newTrack(QStringLiteral("x"))) != 0);
    cache.close();
    QCOMPARE(CacheBytes::readFile(path), bytes);
}

void TestTrackCacheFaults::headerItemsInAnyOrder()
{
    CacheBytes bytes;
    bytes.int32(1000).int32Item(1003, 0).int64Item(1002, 7).int32Item(1001, 1);
    const QString path = writeCache(QStringLiteral("order"), bytes.bytes());
    TrackCache cache;
    QCOMPARE(cache.openFile(path), 0);
    TrackList list;
    QCOMPARE(cache.updateTrackList(list), 0);
    QCOMPARE(cache.totalSizeOfUploadedFiles(), qint64(7));
    QCOMPARE(cache.addTrack(newTrack(QStringLiteral("x"))), 0);
    cache.close();
    const QByteArray after = CacheBytes::readFile(path);
    QCOMPARE(qFromLittleEndian<qint32>(after.constData() + 12), qint32(after.size()));
    QCOMPARE(qFromLittleEndian<qint64>(after.constData() + 24), qint64(106));
    qint32 result = 1;
    QCOMPARE(readAll(path, result), 1);
    QCOMPARE(result, 0);
}

void TestTrackCacheFaults::badRecord_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("ids");
    QTest::addColumn<qint32>("result");
    QTest::addColumn<int>("tracks");
    QTest::addColumn<qint64>("lastSize");
    const CacheBytes good = twoRecords();
    const QByteArray ids = CacheBytes::utf16(kId);
    const QByteArray third = CacheBytes().record(QStringLiteral("three"), 0, 12, 1, 10).bytes();
    const auto withThird = [&](qsizetype aCut) { return good.bytes() + third.left(aCut); };
    const qsizetype flagsEnd = third.size() - 16;

    QTest::newRow("last record complete") << withThird(third.size()) << ids << 0 << 3
                                          << qint64(10);
    QTest::newRow("cut behind the flags") << withThird(flagsEnd) << ids << 0 << 3 << qint64(0);
    QTest::newRow("cut inside the size") << withThird(flagsEnd + 10) << ids << -6004 << 2 << qint64(-1);
    QTest::newRow("cut before the flags") << withThird(flagsEnd - 12) << ids << -6004 << 2 << qint64(-1);
    QTest::newRow("cut inside the name") << withThird(14) << ids << -6004 << 2 << qint64(-1);
    QTest::newRow("marker only") << withThird(4) << ids << -6004 << 2 << qint64(-1);
    QTest::newRow("half a marker") << withThird(2) << ids << -6004 << 2 << qint64(-1);
    for (qint32 tag : {6, 11, 1001, -1}) {
        QTest::addRow("tag %d", tag) << good.bytes() + CacheBytes().int32(0).int32Item(tag, 0).bytes()
                                     << ids << -6004 << 2 << qint64(-1);
    }
    for (qint32 length : {-2, 3, 0x7ffffffe, qint32(0x80000000)}) {
        QTest::addRow("string length %d", length)
            << good.bytes() + CacheBytes().int32(0).int32(1).int32(length).int32(0).bytes() << ids
            << -6004 << 2 << qint64(-1);
    }
    const QString tooLong(524289, QLatin1Char('n'));
    QTest::newRow("name longer than a megabyte")
        << good.bytes() + CacheBytes().int32(0).stringItem(1, tooLong).bytes() << ids << -6004
        << 2 << qint64(-1);
    QTest::newRow("id longer than a megabyte")
        << good.bytes() + CacheBytes().record(QStringLiteral("x"), 0, 1048578, 1, 1).bytes()
        << ids + CacheBytes::utf16(tooLong) << -6004 << 2 << qint64(-1);
    QTest::newRow("int32 item of 8 bytes")
        << good.bytes() + CacheBytes().int32(0).int32(5).int32(8).int64(1).bytes() << ids << -6004
        << 2 << qint64(-1);
    QTest::newRow("int64 item of 4 bytes")
        << good.bytes() + CacheBytes().int32(0).int32(8).int32(4).int32(1).bytes() << ids << -6004
        << 2 << qint64(-1);
    const struct {
        const char* name;
        qint64 offset;
        qint32 length;
    } references[] = {{"id beyond the ids file", 1LL << 40, 12},
                      {"negative id offset", -4, 12},
                      {"huge id length", 0, 0x7ffffffe},
                      {"negative id length", 0, -12},
                      {"odd id length", 0, 3}};
    for (const auto& r : references) {
        QTest::newRow(r.name) << good.bytes()
                                     + CacheBytes().record(QStringLiteral("x"), r.offset, r.length,
                                                           1, 1).bytes()
                              << ids << -6004 << 2 << qint64(-1);
    }
    QTest::newRow("short read in the ids file") << good.bytes() << ids.left(9) << -6004 << 0 << qint64(-1);
}

void TestTrackCacheFaults::badRecord()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, ids);
    QFETCH(qint32, result);
    QFETCH(int, tracks);
    QFETCH(qint64, lastSize);
    const QString path = writeCache(QStringLiteral("record"), bytes, ids);
    FaultyCache faulty;
    QCOMPARE(faulty.open(path), 0);
    TrackList list;
    QCOMPARE(faulty.cache.updateTrackList(list), result);
    QCOMPARE(list.count(), tracks);
    // Nothing was asked of either file beyond what it holds, nor more than a read window.
    QVERIFY(faulty.cacheFile->largestRead() <= qMin<qint64>(bytes.size(), 1 << 20));
    QVERIFY(faulty.idsFile->largestRead() <= qMin<qint64>(ids.size(), 1 << 20));
    if (lastSize >= 0) {
        QVERIFY(list.at(tracks - 1).onRemoteDevice());
        QCOMPARE(list.at(tracks - 1).sizeOnDevice(), lastSize);
    }
}

void TestTrackCacheFaults::mutatedFilesNeverCrash()
{
    const CacheBytes good = twoRecords();
    const QByteArray original = good.bytes() + good.bytes().mid(44);
    std::mt19937 random(7);
    const QString path = cachePath(QStringLiteral("mutated"));
    for (int round = 0; round < 1500; ++round) {
        QByteArray bytes = original;
        const int changes = 1 + int(random() % 4);
        for (int i = 0; i < changes; ++i)
            bytes[qsizetype(random() % quint32(bytes.size()))] = char(random() & 0xff);
        if (round % 5 == 0)
            bytes.truncate(qsizetype(random() % quint32(bytes.size())));
        writeCache(QStringLiteral("mutated"), bytes);
        FaultyCache faulty;
        QCOMPARE(faulty.open(path), bytes.isEmpty() ? -5001 : 0);
        TrackList list;
        const qint32 result = faulty.cache.updateTrackList(list);
        QVERIFY2(result == 0 || result == -6004, qPrintable(QString::number(result)));
        QVERIFY(faulty.cacheFile->largestRead() <= qMax<qint64>(bytes.size(), 44));
    }
}

void TestTrackCacheFaults::readErrorIsReported()
{
    const QString path = writeCache(QStringLiteral("readerror"), twoRecords().bytes());
    FaultyCache faulty;
    QCOMPARE(faulty.open(path), 0);
    faulty.cacheFile->failReads(true);
    QCOMPARE(faulty.cache.readHeader(), -6003);
}

void TestTrackCacheFaults::failedAppendLeavesRecordsReadable()
{
    const QByteArray before = twoRecords().bytes();
    const QByteArray idsBefore = CacheBytes::utf16(kId);
    const QString path = writeCache(QStringLiteral("append"), before, idsBefore);
    {
        // The disk fills up partway through the record.
        FaultyCache faulty;
        QCOMPARE(faulty.open(path), 0);
        TrackList list;
        QCOMPARE(faulty.cache.updateTrackList(list), 0);
        faulty.cacheFile->failWritesAfter(30);
        QCOMPARE(faulty.cache.addTrack(newTrack(QStringLiteral("new"))), -6002);
        QCOMPARE(faulty.cacheFile->failedWrites(), 1);
    }
    QCOMPARE(CacheBytes::readFile(path), before);
    QCOMPARE(CacheBytes::readFile(path + QLatin1Char('p')), idsBefore);
    {
        // The persistent-ids file is the one that is full.
        FaultyCache faulty;
        QCOMPARE(faulty.open(path), 0);
        TrackList list;
        QCOMPARE(faulty.cache.updateTrackList(list), 0);
        faulty.idsFile->failWritesAfter(5);
        QCOMPARE(faulty.cache.addTrack(newTrack(QStringLiteral("new"))), -6002);
    }
    QCOMPARE(CacheBytes::readFile(path), before);
    QCOMPARE(CacheBytes::readFile(path + QLatin1Char('p')), idsBefore);

    TrackCache cache;
    TrackList list;
    QCOMPARE(cache.openFile(path), 0);
    QCOMPARE(cache.updateTrackList(list), 0);
    QCOMPARE(cache.addTrack(newTrack(QStringLiteral("new"))), 0);
    cache.close();
    qint32 result = 1;
    QCOMPARE(readAll(path, result), 3);
    QCOMPARE(result, 0);
}

void TestTrackCacheFaults::failedInPlaceWritesAreReported()
{
    const QString path = writeCache(QStringLiteral("inplace"), twoRecords().bytes());
    FaultyCache faulty;
    QCOMPARE(faulty.open(path), 0);
    TrackList list;
    QCOMPARE(faulty.cache.updateTrackList(list), 0);
    QCOMPARE(faulty.cache.totalSizeOfUploadedFiles(), qint64(20));

    faulty.cacheFile->failWritesAfter(0);
    QCOMPARE(faulty.cache.removeDeletedTrack(list.at(0)), -6002);
    QCOMPARE(faulty.cache.incrementTotalSizeOfUploadedFiles(5), -6002);
    QCOMPARE(faulty.cache.writeIntegrityValue(), -6002);
    // The flags item (8 bytes) goes out, the total (12 bytes) does not.
    faulty.cacheFile->failWritesAfter(8);
    QCOMPARE(faulty.cache.removeDeletedTrack(list.at(0)), -6002);
    QCOMPARE(faulty.cache.totalSizeOfUploadedFiles(), qint64(20));
    faulty.cache.close();
    QCOMPARE(qFromLittleEndian<qint64>(CacheBytes::readFile(path).constData() + 24), qint64(20));
}

void TestTrackCacheFaults::failedHeaderLeavesEmptyFile()
{
    const QString path = cachePath(QStringLiteral("header-fails"));
    {
        FaultyCache faulty;
        auto file = std::make_unique<FaultyFile>(path);
        file->failWritesAfter(10);
        QCOMPARE(faulty.cache.openFiles(std::move(file),
                                        std::make_unique<QFile>(path + QLatin1Char('p'))),
                 -6002);
    }
    QCOMPARE(QFileInfo(path).size(), qint64(0));
    TrackCache cache;
    QCOMPARE(cache.openFile(path), -5001);
    cache.close();
    QCOMPARE(QFileInfo(path).size(), qint64(44));
}

void TestTrackCacheFaults::filesThatCannotBeOpened()
{
    const QString blocker = cachePath(QStringLiteral("plainfile"));
    CacheBytes::writeFile(blocker, "x");
    TrackCache cache;
    QCOMPARE(cache.openFile(blocker + QStringLiteral("/mcache0")), -6001);
    QVERIFY(!cache.isOpen());

    const QString path = cachePath(QStringLiteral("idsdir"));
    QVERIFY(QDir().mkpath(path + QLatin1Char('p')));
    QCOMPARE(cache.openFile(path), -6001);
    QVERIFY(!cache.isOpen());
    QCOMPARE(cache.addTrack(newTrack(QStringLiteral("x"))), -6001);
}

void TestTrackCacheFaults::unknownPositionsWriteNothing()
{
    const QByteArray before = twoRecords().bytes();
    const QString path = writeCache(QStringLiteral("positions"), before);
    TrackCache cache;
    QCOMPARE(cache.openFile(path), 0);
    // The header was not read, so its positions are not known.
    QCOMPARE(cache.addTrack(newTrack(QStringLiteral("x"))), -6004);
    QCOMPARE(cache.readHeader(), 0);

    Track stale = newTrack(QStringLiteral("x"));
    stale.setInCache(true);
    stale.setFlagsFilePosition(50);
    stale.setDeviceIdFilePosition(60);
    QCOMPARE(cache.addTrack(stale), -6004);
    QCOMPARE(cache.removeDeletedTrack(stale), -6004);
    stale.setFlagsFilePosition(0);
    QCOMPARE(cache.removeDeletedTrack(stale), -6004);
    // Nor is a record written that could not be read back.
    Track huge = newTrack(QString(600000, QLatin1Char('n')));
    QCOMPARE(cache.addTrack(huge), -6004);
    cache.close();
    QCOMPARE(CacheBytes::readFile(path), before);
    QCOMPARE(CacheBytes::readFile(path + QLatin1Char('p')), CacheBytes::utf16(kId));
}

PELLMAR_TEST_MAIN(TestTrackCacheFaults)
#include "test_track_cache_faults.moc"
