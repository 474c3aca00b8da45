// The split read of large library files: two threads each read part of the "Tracks" dictionary.
// Whatever the file holds, the result must be the one-pass read's, so every case here compares
// the two; files on which the split cannot be proved exact must fall back to the one-pass read.
#include "TestMain.h"
#include "library/LibraryXmlBuilder.h"

#include "library/itunes/LibraryXmlReader.h"
#include "library/itunes/LibrarySnapshotCache.h"

#include <QBuffer>
#include <QFile>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>

namespace {

QByteArray builtLibrary(int aTracks, const QString& aNameSuffix = QString())
{
    LibraryXmlBuilder builder(LibraryXmlBuilder::Style::Windows);
    builder.setMusicFolder("file://localhost/C:/Users/bob/Music/iTunes/iTunes%20Media/");
    for (int i = 0; i < aTracks; ++i) {
        LibraryXmlBuilder::TrackSpec trackFields;
        trackFields.mName = QStringLiteral("Song %1 & \"more\"%2").arg(i).arg(aNameSuffix);
        trackFields.mArtist = QStringLiteral("Artist %1 Ænima").arg(i % 7);
        trackFields.mAlbumArtist = trackFields.mArtist;
        trackFields.mAlbum = QStringLiteral("Album %1").arg(i % 11);
        trackFields.mTrackNumber = 1 + i % 12;
        trackFields.mSize = 1000000 + i;
        trackFields.mCompilation = i % 5 == 0;
        trackFields.mPodcast = i % 9 == 0;
        trackFields.mDateAdded = QDateTime(QDate(2010, 1, 1), QTime(0, 0), Qt::UTC).addSecs(i * 3600);
        if (i % 13 != 0)
            trackFields.mLocation = LibraryXmlBuilder::windowsUrl(
                QStringLiteral("C:/Users/bob/Music/iTunes/iTunes Media/Music/A/B/%1.mp3").arg(i));
        builder.addTrack(trackFields);
    }
    const QList<qint64> ids = builder.trackIds();
    builder.addMasterPlaylist();
    LibraryXmlBuilder::PlaylistSpec music;
    music.mName = "Music";
    music.mDistinguishedKind = 4;
    music.mTrackIds = ids;
    builder.addPlaylist(music);
    LibraryXmlBuilder::PlaylistSpec mix;
    mix.mName = "Mix";
    for (int i = 0; i < ids.size(); i += 3)
        mix.mTrackIds << ids.at(i) << 999999;
    builder.addPlaylist(mix);
    return builder.toXml();
}

struct Outcome
{
    bool ok = false;
    bool parallel = false;
    QString error;
    std::shared_ptr<const LibrarySnapshot> snapshot;
};

Outcome readSerially(const QString& aPath)
{
    QFile file(aPath);
    Outcome outcome;
    if (!file.open(QIODevice::ReadOnly))
        return outcome;
    LibraryXmlReader reader;
    outcome.ok = reader.read(&file, aPath);
    outcome.error = reader.errorString();
    outcome.snapshot = reader.takeSnapshot();
    return outcome;
}

Outcome readSplit(const QString& aPath)
{
    QFile file(aPath);
    Outcome outcome;
    if (!file.open(QIODevice::ReadOnly))
        return outcome;
    LibraryXmlReader reader;
    outcome.ok = reader.readFile(file, aPath);
    outcome.parallel = reader.readInParallel();
    outcome.error = reader.errorString();
    outcome.snapshot = reader.takeSnapshot();
    return outcome;
}

// Empty when both reads gave the same result, else what differs.
QString difference(const Outcome& aSerial, const Outcome& aSplit)
{
    if (aSerial.ok != aSplit.ok || aSerial.error != aSplit.error)
        return QStringLiteral("result %1 '%2' against %3 '%4'")
            .arg(aSerial.ok).arg(aSerial.error).arg(aSplit.ok).arg(aSplit.error);
    if (!aSerial.ok)
        return QString();
    const LibrarySnapshot& a = *aSerial.snapshot;
    const LibrarySnapshot& b = *aSplit.snapshot;
    if (a.musicFolder() != b.musicFolder() || a.libraryPath() != b.libraryPath())
        return QStringLiteral("music folder or path");
    if (a.tracks().size() != b.tracks().size())
        return QStringLiteral("%1 tracks against %2").arg(a.tracks().size()).arg(b.tracks().size());
    for (size_t i = 0; i < a.tracks().size(); ++i) {
        const LibraryTrack& x = a.tracks()[i];
        const LibraryTrack& y = b.tracks()[i];
        if (x.mTrackId != y.mTrackId || x.mName != y.mName || x.mArtist != y.mArtist
            || x.mAlbumArtist != y.mAlbumArtist || x.mAlbum != y.mAlbum
            || x.mComposer != y.mComposer || x.mGenre != y.mGenre || x.mLocation != y.mLocation
            || x.mSize != y.mSize || x.mTrackNumber != y.mTrackNumber
            || x.mDateAdded != y.mDateAdded || x.mCompilation != y.mCompilation
            || x.mPodcast != y.mPodcast || x.mName.isNull() != y.mName.isNull())
            return QStringLiteral("track %1 (%2)").arg(i).arg(x.mName);
    }
    if (a.playlists().size() != b.playlists().size())
        return QStringLiteral("playlist count");
    for (size_t i = 0; i < a.playlists().size(); ++i) {
        const LibraryPlaylist& x = a.playlists()[i];
        const LibraryPlaylist& y = b.playlists()[i];
        if (x.mName != y.mName || x.mKind != y.mKind || x.mSpecialKind != y.mSpecialKind
            || x.mTrackIndexes != y.mTrackIndexes || x.mSize != y.mSize)
            return QStringLiteral("playlist %1 (%2)").arg(i).arg(x.mName);
    }
    return QString();
}

void writeFile(const QString& aPath, const QByteArray& aData)
{
    QFile file(aPath);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(aData), aData.size());
}

} // namespace

class TestLibrarySplit : public QObject
{
    Q_OBJECT

    QTemporaryDir mDir;

private slots:
    void init() { LibraryXmlReader::setParallelMinimumBytes(0); }
    void cleanupTestCase() { LibraryXmlReader::setParallelMinimumBytes(4 * 1024 * 1024); }

    void splitReadEqualsOnePassRead_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("parallel");
        QTest::addColumn<bool>("readable");

        const QByteArray plain = builtLibrary(300);
        QTest::newRow("plain") << plain << true << true;
        QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBF") + plain << true << true;
        QByteArray crlf = plain;
        QTest::newRow("CRLF line ends") << crlf.replace("\n", "\r\n") << true << true;
        // Characters outside the BMP count twice in the reader's offsets.
        QTest::newRow("characters outside the BMP")
            << builtLibrary(300, QString::fromUtf8("\xF0\x9F\x8E\xB5 caf\xC3\xA9")) << true << true;

        QByteArray tail = plain;
        QTest::newRow("cut in the second half") << tail.left(tail.size() * 3 / 4) << false << false;
        QTest::newRow("cut in the first half") << plain.left(plain.size() / 3) << false << false;
        QTest::newRow("garbage after the end") << plain + "<dict/>" << false << false;
        QByteArray mismatched = plain;
        const qsizetype late = mismatched.indexOf("</string>", mismatched.size() * 3 / 4);
        QTest::newRow("mismatched tag in the second half")
            << mismatched.replace(late, 9, "</strung>") << false << false;

        // An entity of the file's own DTD, used after the split: only the whole file knows it.
        QByteArray entity = plain;
        entity.replace("PropertyList-1.0.dtd\">", "PropertyList-1.0.dtd\" [<!ENTITY co \"Company\">]>");
        const qsizetype name = entity.indexOf("<string>Song 250 ");
        entity.insert(name + 8, "&co; ");
        QTest::newRow("entity used after the split") << entity << false << true;

        // Another encoding: the parts would be decoded as UTF-8.
        QStringDecoder fromUtf8(QStringDecoder::Utf8);
        QStringEncoder toLatin1(QStringEncoder::Latin1);
        QByteArray latin1 = toLatin1(fromUtf8(plain));
        QTest::newRow("Latin-1 file")
            << latin1.replace("encoding=\"UTF-8\"", "encoding=\"ISO-8859-1\"") << false << true;

        // The middle of the file lies in another dictionary that looks like "Tracks".
        QByteArray decoy;
        for (int i = 0; i < 4000; ++i)
            decoy += "\t\t<key>" + QByteArray::number(i) + "</key>\n\t\t<dict>\n\t\t\t<key>Track ID</key>"
                     "<integer>" + QByteArray::number(i) + "</integer>\n\t\t</dict>\n";
        QByteArray other = plain;
        other.insert(other.indexOf("\t<key>Playlists</key>"), "\t<key>Other</key>\n\t<dict>\n" + decoy + "\t</dict>\n");
        QTest::newRow("decoy dictionary in the middle") << other << false << true;

        // A key without a value before every track of the second half: the split would pair
        // the wrong elements (read in one pass, these tracks are lost).
        QByteArray dangling = plain.mid(plain.size() / 2);
        dangling = plain.left(plain.size() / 2)
                   + dangling.replace("\t\t<key>1", "\t\t<key>77</key>\n\t\t<key>1");
        QTest::newRow("keys without values") << dangling << false << true;
    }

    void splitReadEqualsOnePassRead()
    {
        QFETCH(QByteArray, data);
        QFETCH(bool, parallel);
        QFETCH(bool, readable);
        const QString path = mDir.filePath("library.xml");
        writeFile(path, data);
        const Outcome serial = readSerially(path);
        const Outcome split = readSplit(path);
        QCOMPARE(serial.ok, readable);
        QCOMPARE(split.parallel, parallel);
        QCOMPARE(difference(serial, split), QString());
        if (readable)
            QVERIFY(!serial.snapshot->tracks().empty());
    }

    void smallFilesAreReadInOnePass()
    {
        LibraryXmlReader::setParallelMinimumBytes(4 * 1024 * 1024);
        const QString path = mDir.filePath("small.xml");
        writeFile(path, builtLibrary(50));
        const Outcome split = readSplit(path);
        QVERIFY(split.ok);
        QVERIFY(!split.parallel);
    }

    // Random damage, half of it a little around the middle where the file is split: the two
    // reads never differ.
    void damagedFilesReadTheSameBothWays()
    {
        const QByteArray sample = builtLibrary(120);
        const QString path = mDir.filePath("damaged.xml");
        QRandomGenerator random(11);
        int splitUsed = 0;
        int refused = 0;
        for (int round = 0; round < 150; ++round) {
            QByteArray data = sample;
            const int edits = 1 + int(random.bounded(3));
            for (int e = 0; e < edits; ++e) {
                const int at = round % 2 == 0 ? int(random.bounded(data.size()))
                                              : data.size() * 9 / 20 + int(random.bounded(data.size() * 3 / 20));
                switch (random.bounded(4)) {
                case 0: data[at] = char(random.bounded(256)); break;
                case 1: data.remove(at, int(random.bounded(40))); break;
                case 2: data.insert(at, "<key>12</key><dict>"); break;
                default: data.insert(at, "</dict>"); break;
                }
            }
            writeFile(path, data);
            const Outcome serial = readSerially(path);
            const Outcome split = readSplit(path);
            const QString diff = difference(serial, split);
            if (!diff.isEmpty())
                QFAIL(qPrintable(QStringLiteral("round %1: %2").arg(round).arg(diff)));
            splitUsed += split.parallel;
            refused += !serial.ok;
        }
        // Both kinds of outcome happened, so both paths were compared.
        QVERIFY(splitUsed > 0);
        QVERIFY(refused > 0);
    }

    // Through the cache as the application reads it: a split read of an unreadable file keeps
    // the one-pass answers (invalid data when settled, busy while just written).
    void cacheAnswersAreUnchanged()
    {
        const QString path = mDir.filePath("cache.xml");
        const QByteArray data = builtLibrary(200);
        writeFile(path, data.left(data.size() * 3 / 4));
        std::shared_ptr<const LibrarySnapshot> snapshot;
        LibrarySnapshotCache::clear();
        QCOMPARE(LibrarySnapshotCache::acquire(path, &snapshot), itunes::kCallRejected);
        QFile old(path);
        QVERIFY(old.open(QIODevice::ReadWrite));
        QVERIFY(old.setFileTime(QDateTime::currentDateTime().addSecs(-60),
                                QFileDevice::FileModificationTime));
        old.close();
        QCOMPARE(LibrarySnapshotCache::acquire(path, &snapshot), itunes::kInvalidData);
        writeFile(path, data);
        QCOMPARE(LibrarySnapshotCache::acquire(path, &snapshot), itunes::kOk);
        QCOMPARE(snapshot->tracks().size(), size_t(200));
        LibrarySnapshotCache::clear();
    }
};

PELLMAR_TEST_MAIN(TestLibrarySplit)
#include "test_library_split.moc"
