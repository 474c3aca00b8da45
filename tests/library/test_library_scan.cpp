// The in-memory scan of library files. It must give exactly what QXmlStreamReader gives in one
// pass, or give up so that the XML reader reads the file: every case compares the two.
#include "TestMain.h"
#include "library/LibraryReadOutcome.h"

#include "library/itunes/LibraryXmlReader.h"

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

// aData with the first aOld after aFrom replaced.
QByteArray replacedOnce(QByteArray aData, const QByteArray& aOld, const QByteArray& aNew,
                        qsizetype aFrom = 0)
{
    const qsizetype at = aData.indexOf(aOld, aFrom);
    return at < 0 ? QByteArray() : aData.replace(at, aOld.size(), aNew);
}

} // namespace

class TestLibraryScan : public QObject
{
    Q_OBJECT

    QTemporaryDir mDir;

    // Reads aData in one pass with the XML reader, then scanned whole and scanned in two parts:
    // empty when all three agree.
    QString compare(const QByteArray& aData, LibraryReadOutcome* aWhole = nullptr,
                    LibraryReadOutcome* aSplit = nullptr)
    {
        const QString path = mDir.filePath("library.xml");
        writeFile(path, aData);
        const LibraryReadOutcome serial = LibraryReadOutcome::readSerially(path);
        LibraryXmlReader::setParallelMinimumBytes(1LL << 40);
        const LibraryReadOutcome whole = LibraryReadOutcome::readFile(path);
        LibraryXmlReader::setParallelMinimumBytes(0);
        const LibraryReadOutcome split = LibraryReadOutcome::readFile(path);
        if (aWhole)
            *aWhole = whole;
        if (aSplit)
            *aSplit = split;
        const QString wholeDiff = LibraryReadOutcome::difference(serial, whole);
        if (!wholeDiff.isEmpty())
            return QStringLiteral("whole: ") + wholeDiff;
        const QString splitDiff = LibraryReadOutcome::difference(serial, split);
        return splitDiff.isEmpty() ? QString() : QStringLiteral("split: ") + splitDiff;
    }

private slots:
    void cleanupTestCase() { LibraryXmlReader::setParallelMinimumBytes(4 * 1024 * 1024); }

    void scanEqualsOnePassRead_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("scanned");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<bool>("parallel");

        const QByteArray plain = LibraryReadOutcome::sampleLibrary(120);
        const qsizetype middle = plain.size() / 2;
        QTest::newRow("plain") << plain << true << true << true;
        QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBF") + plain << true << true << true;
        QByteArray crlf = plain;
        QTest::newRow("CRLF between elements") << crlf.replace("\n", "\r\n") << true << true << true;
        QTest::newRow("characters outside the BMP")
            << LibraryReadOutcome::sampleLibrary(60, QString::fromUtf8("\xF0\x9F\x8E\xB5 caf\xC3\xA9"))
            << true << true << true;
        QTest::newRow("character references")
            << replacedOnce(plain, "<string>Song 7 ", "<string>&#233;&#x1F3B5;&#x41; &#10;") << true << true << true;
        QTest::newRow("empty strings, null or not")
            << replacedOnce(replacedOnce(plain, "<string>Song 3 &amp; &quot;more&quot;</string>", "<string></string>"),
                            "<string>Song 4 &amp; &quot;more&quot;</string>", "<string/>")
            << true << true << true;
        QTest::newRow("blank string") << replacedOnce(plain, "<string>Song 5 &amp; &quot;more&quot;</string>", "<string> \t</string>")
                                      << true << true << true;
        QTest::newRow("wrong value types")
            << replacedOnce(replacedOnce(plain, "<string>Song 8 &amp; &quot;more&quot;</string>", "<integer>8</integer>"),
                            "<integer>1000009</integer>", "<string>big</string>")
            << true << true << true;
        QTest::newRow("nested values and unknown elements")
            << replacedOnce(plain, "<key>Name</key>", "<key>Extra</key><dict><key>a</key><array><true/><x-y>z</x-y></array></dict><key>Name</key>")
            << true << true << true;
        QTest::newRow("element inside a string")
            << replacedOnce(plain, "<string>Song 9 ", "<string>Song <b>bold</b> 9 ") << true << true << true;
        QTest::newRow("spaces inside tags") << replacedOnce(replacedOnce(plain, "<key>Name</key>", "<key >Name</key >"), "<true/>", "<true />")
                                            << true << true << true;
        QTest::newRow("declaration in single quotes, lower case encoding")
            << replacedOnce(plain, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>", "<?xml version='1.0' encoding='utf-8' standalone='no'?>")
            << true << true << true;
        QTest::newRow("no declaration, no document type")
            << plain.mid(plain.indexOf("<plist")) << true << true << true;
        // The middle of the file lies in another dictionary that looks like "Tracks": the
        // second part's tracks are not used.
        QByteArray decoy;
        for (int i = 0; i < 4000; ++i)
            decoy += "\t\t<key>" + QByteArray::number(i) + "</key>\n\t\t<dict>\n\t\t\t<key>Track ID</key>"
                     "<integer>" + QByteArray::number(i) + "</integer>\n\t\t</dict>\n";
        QTest::newRow("decoy dictionary in the middle")
            << replacedOnce(plain, "\t<key>Playlists</key>", "\t<key>Other</key>\n\t<dict>\n" + decoy + "\t</dict>\n\t<key>Playlists</key>")
            << true << true << false;

        // Left to the XML reader, with its answer.
        QTest::newRow("comment") << replacedOnce(plain, "<key>Name</key>", "<!-- c --><key>Name</key>", middle) << false << true << false;
        QTest::newRow("CDATA") << replacedOnce(plain, "<string>Song 30 ", "<string><![CDATA[<x>]]>Song 30 ") << false << true << false;
        QTest::newRow("processing instruction") << replacedOnce(plain, "<key>Name</key>", "<?pi x?><key>Name</key>") << false << true << false;
        QTest::newRow("carriage return inside a string")
            << replacedOnce(plain, "<string>Song 31 ", "<string>Song\r\n31 ") << false << true << false;
        QTest::newRow("attribute below the root")
            << replacedOnce(plain, "<string>Song 32 ", "<string xml:space=\"preserve\">Song 32 ") << false << true << false;
        QTest::newRow("entity of the document type")
            << replacedOnce(replacedOnce(plain, "PropertyList-1.0.dtd\">", "PropertyList-1.0.dtd\" [<!ENTITY co \"Company\">]>"),
                            "<string>Song 33 ", "<string>&co; ")
            << false << true << false;
        QStringDecoder fromUtf8(QStringDecoder::Utf8);
        QStringEncoder toLatin1(QStringEncoder::Latin1);
        QByteArray latin1 = toLatin1(fromUtf8(plain));
        QTest::newRow("Latin-1 file") << latin1.replace("encoding=\"UTF-8\"", "encoding=\"ISO-8859-1\"") << false << true << false;
        QTest::newRow("undeclared entity, kept unresolved")
            << replacedOnce(plain, "<string>Song 40 ", "<string>&nbsp;Song 40 ") << false << true << false;

        // Refused by both.
        QTest::newRow("XML 1.1") << replacedOnce(plain, "version=\"1.0\" encoding", "version=\"1.1\" encoding") << false << false << false;
        QTest::newRow("cut short") << plain.left(plain.size() * 3 / 4) << false << false << false;
        QTest::newRow("garbage after the end") << plain + "<dict/>" << false << false << false;
        QTest::newRow("mismatched tag") << replacedOnce(plain, "</string>", "</strung>", middle) << false << false << false;
        QTest::newRow("invalid UTF-8") << replacedOnce(plain, "<string>Song 41 ", "<string>\xC3(Song 41 ") << false << false << false;
        QTest::newRow("encoded surrogate") << replacedOnce(plain, "<string>Song 42 ", "<string>\xED\xA0\x80Song 42 ") << false << false << false;
        QTest::newRow("non-character U+FFFF") << replacedOnce(plain, "<string>Song 43 ", "<string>\xEF\xBF\xBFSong 43 ") << false << false << false;
        QTest::newRow("control character") << replacedOnce(plain, "<string>Song 44 ", "<string>\x01Song 44 ") << false << false << false;
        QTest::newRow("character reference to NUL") << replacedOnce(plain, "<string>Song 45 ", "<string>&#0;Song 45 ") << false << false << false;
        QTest::newRow("]]> in text") << replacedOnce(plain, "<string>Song 46 ", "<string>]]>Song 46 ") << false << false << false;
        QTest::newRow("not a property list") << QByteArray("<?xml version=\"1.0\"?><html><body/></html>") << false << false << false;
        QTest::newRow("a property list of something else")
            << QByteArray("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>a</key><string>b</string></dict></plist>")
            << false << false << false;
        QTest::newRow("empty file") << QByteArray("") << false << false << false;
    }

    void scanEqualsOnePassRead()
    {
        QFETCH(QByteArray, data);
        QFETCH(bool, scanned);
        QFETCH(bool, readable);
        QFETCH(bool, parallel);
        QVERIFY(!data.isNull());
        LibraryReadOutcome whole;
        LibraryReadOutcome split;
        QCOMPARE(compare(data, &whole, &split), QString());
        QCOMPARE(whole.ok, readable);
        QCOMPARE(whole.scanned, scanned);
        QVERIFY(!whole.parallel);
        QCOMPARE(split.scanned, scanned);
        // A file the scan leaves alone is read in one pass, however large.
        QCOMPARE(split.parallel, parallel);
    }

    // Random damage, and random insertions of just what the scan must either read as the XML
    // reader does or refuse, half of it around the middle where the scan splits the file: the
    // reads never differ.
    void damagedFilesReadTheSameBothWays()
    {
        static const QList<QByteArray> kSnippets = {
            "<!-- c -->", "&amp;", "&#0;", "&#xD800;", "&#x10FFFF;", "&#65;", "&#x;", "&bogus;",
            "\xC3", "\xC3\xA9", "\xED\xA0\x80", "\xEF\xBF\xBF", "\xF4\x90\x80\x80", "\xC0\xAF",
            "<a b='c'>", "]]>", "]]", "\r", "\r\n", "<![CDATA[x]]>", "<?pi?>", "<string/>",
            "</dict>", "<true/>", "<key>Name</key>", "<string>x</string>", "< key>", "</ key>",
            "<1a>", "<a:b>", "\t", "\x7F", "\x00", "&lt;", "<dict>", "<key>12</key><dict>"};
        const QByteArray sample = LibraryReadOutcome::sampleLibrary(40);
        QRandomGenerator random(23);
        int scanned = 0;
        int parallel = 0;
        int refused = 0;
        for (int round = 0; round < 400; ++round) {
            // Half of it around the middle, where the file is split.
            const QByteArray data =
                LibraryReadOutcome::damaged(sample, random, round % 2 == 1, kSnippets);
            LibraryReadOutcome whole;
            LibraryReadOutcome split;
            const QString diff = compare(data, &whole, &split);
            if (!diff.isEmpty())
                QFAIL(qPrintable(QStringLiteral("round %1: %2").arg(round).arg(diff)));
            scanned += whole.scanned;
            parallel += split.parallel && split.scanned;
            refused += !whole.ok;
        }
        // Every kind of outcome happened, so each was compared.
        QVERIFY(scanned > 20);
        QVERIFY(parallel > 20);
        QVERIFY(refused > 20);
    }
};

PELLMAR_TEST_MAIN(TestLibraryScan)
#include "test_library_scan.moc"
