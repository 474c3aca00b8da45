// The split read of large library files: the in-memory scan's two threads each read part of the
// "Tracks" dictionary. Whatever the file holds, the result must be the one-pass read's, so every
// case here compares the two; files the scan cannot read exactly, or cannot split exactly, go to
// the one-pass read.
#include "TestMain.h"
#include "library/LibraryReadOutcome.h"

#include "library/itunes/LibraryXmlReader.h"
#include "library/itunes/ITunesXmlCache.h"

#include <QBuffer>
#include <QFile>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>

namespace {

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

        const QByteArray plain = LibraryReadOutcome::sampleLibrary(300);
        QTest::newRow("plain") << plain << true << true;
        QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBF") + plain << true << true;
        QByteArray crlf = plain;
        QTest::newRow("CRLF line ends") << crlf.replace("\n", "\r\n") << true << true;
        // Characters outside the BMP count twice in the reader's offsets.
        QTest::newRow("characters outside the BMP")
            << LibraryReadOutcome::sampleLibrary(300, QString::fromUtf8("\xF0\x9F\x8E\xB5 caf\xC3\xA9")) << true << true;

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

        // The middle of the file lies in another dictionary that looks like "Tracks"; the scan
        // splits the "Tracks" dictionary itself.
        QByteArray decoy;
        for (int i = 0; i < 4000; ++i)
            decoy += "\t\t<key>" + QByteArray::number(i) + "</key>\n\t\t<dict>\n\t\t\t<key>Track ID</key>"
                     "<integer>" + QByteArray::number(i) + "</integer>\n\t\t</dict>\n";
        QByteArray other = plain;
        other.insert(other.indexOf("\t<key>Playlists</key>"), "\t<key>Other</key>\n\t<dict>\n" + decoy + "\t</dict>\n");
        QTest::newRow("decoy dictionary in the middle") << other << true << true;

        // A key without a value before every track of the second half: a split at the wrong
        // element would pair the wrong elements (read in one pass, these tracks are lost).
        QByteArray dangling = plain.mid(plain.size() / 2);
        dangling = plain.left(plain.size() / 2)
                   + dangling.replace("\t\t<key>1", "\t\t<key>77</key>\n\t\t<key>1");
        QTest::newRow("keys without values") << dangling << true << true;
    }

    void splitReadEqualsOnePassRead()
    {
        QFETCH(QByteArray, data);
        QFETCH(bool, parallel);
        QFETCH(bool, readable);
        const QString path = mDir.filePath("library.xml");
        writeFile(path, data);
        const LibraryReadOutcome serial = LibraryReadOutcome::readSerially(path);
        const LibraryReadOutcome split = LibraryReadOutcome::readFile(path);
        QCOMPARE(serial.ok, readable);
        QCOMPARE(split.parallel, parallel);
        QCOMPARE(LibraryReadOutcome::difference(serial, split), QString());
        if (readable)
            QVERIFY(!serial.content->tracks().empty());
    }

    void smallFilesAreReadInOnePass()
    {
        LibraryXmlReader::setParallelMinimumBytes(4 * 1024 * 1024);
        const QString path = mDir.filePath("small.xml");
        writeFile(path, LibraryReadOutcome::sampleLibrary(50));
        const LibraryReadOutcome split = LibraryReadOutcome::readFile(path);
        QVERIFY(split.ok);
        QVERIFY(!split.parallel);
    }

    // Random damage, half of it a little around the middle where the file is split: the two
    // reads never differ.
    void damagedFilesReadTheSameBothWays()
    {
        const QByteArray sample = LibraryReadOutcome::sampleLibrary(120);
        const QString path = mDir.filePath("damaged.xml");
        QRandomGenerator random(11);
        int splitUsed = 0;
        int refused = 0;
        for (int round = 0; round < 150; ++round) {
            const QByteArray data = LibraryReadOutcome::damaged(
                sample, random, round % 2 == 1, {"<key>12</key><dict>", "</dict>"});
            writeFile(path, data);
            const LibraryReadOutcome serial = LibraryReadOutcome::readSerially(path);
            const LibraryReadOutcome split = LibraryReadOutcome::readFile(path);
            const QString diff = LibraryReadOutcome::difference(serial, split);
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
        const QByteArray data = LibraryReadOutcome::sampleLibrary(200);
        writeFile(path, data.left(data.size() * 3 / 4));
        using Kind = LibraryReadError::Kind;
        ITunesXmlCache::clear();
        QCOMPARE(ITunesXmlCache::acquire(path).mError.mKind, Kind::Busy);
        QFile old(path);
        QVERIFY(old.open(QIODevice::ReadWrite));
        QVERIFY(old.setFileTime(QDateTime::currentDateTime().addSecs(-60),
                                QFileDevice::FileModificationTime));
        old.close();
        QCOMPARE(ITunesXmlCache::acquire(path).mError.mKind, Kind::Unusable);
        writeFile(path, data);
        const ITunesXmlCache::Result read = ITunesXmlCache::acquire(path);
        QCOMPARE(read.mError.mKind, Kind::None);
        QCOMPARE(read.mContent->tracks().size(), size_t(200));
        ITunesXmlCache::clear();
    }
};

PELLMAR_TEST_MAIN(TestLibrarySplit)
#include "test_library_split.moc"
