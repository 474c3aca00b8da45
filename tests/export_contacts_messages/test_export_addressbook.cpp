#include "TestMain.h"
#include "TestPaths.h"
#include "backup/iphone/AddressBookExporter.h"
#include "backup/AddressBookFixture.h"
#include "backup/ExportFixtureDatabase.h"
#include "backup/ExportFixtureLogProbe.h"
#include "backup/ExportResult.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

using Layout = AddressBookFixture::Layout;
using P = AddressBookFixture::Person;

namespace {

const QVariant kNull;

// The persons every layout test uses: labels, postal parts, an unknown property, a person
// without any name, control characters, birthdays before 1970 and unparsable ones.
void fillPersons(AddressBookFixture& aBook)
{
    const qint64 anna = aBook.addPerson(P{QStringLiteral("Anna"), QStringLiteral("Berg"), kNull,
                                          QStringLiteral("ACME & Sons"), QStringLiteral("0")});
    aBook.addMultiValue(anna, 3, QStringLiteral("_$!<Mobile>!$_"), QStringLiteral("+44 7700 900123"));
    aBook.addMultiValue(anna, 3, QStringLiteral("_$!<Other>!$_"), QStringLiteral("555-0100"));
    aBook.addMultiValue(anna, 3, QStringLiteral("Boat"), QStringLiteral("555-0199"));
    aBook.addMultiValue(anna, 4, QStringLiteral("_$!<Home>!$_"), QStringLiteral("anna@example.org"));
    const qint64 home = aBook.addMultiValue(anna, 5, QStringLiteral("_$!<Work>!$_"), kNull);
    aBook.addEntry(home, QStringLiteral("Street"), QStringLiteral("1 High St"));
    aBook.addEntry(home, QStringLiteral("City"), QStringLiteral("Leeds"));
    aBook.addEntry(home, QStringLiteral("SubLocality"), QStringLiteral("Centre"));
    aBook.addEntry(home, QStringLiteral("ZIP"), QStringLiteral("LS1"));
    aBook.addEntry(home, QStringLiteral("Country"), QStringLiteral("UK"));
    aBook.addEntry(home, QStringLiteral("CountryCode"), QStringLiteral("gb"));
    aBook.addEntry(home, QStringLiteral("State"), QString(""));
    aBook.addMultiValue(anna, 22, QStringLiteral("_$!<HomePage>!$_"), QStringLiteral("http://a.example/?x=1&y=<2>"));
    aBook.addMultiValue(anna, 13, QStringLiteral("_$!<Main>!$_"), QStringLiteral("x"));
    aBook.addMultiValue(anna, kNull, QStringLiteral("_$!<Home>!$_"), QStringLiteral("no property"));

    aBook.addPerson(P{kNull, kNull, kNull, kNull, kNull});
    aBook.addPerson(P{QStringLiteral("Tab\tName"), QStringLiteral("Line\r\nBreak"),
                      QStringLiteral(""), kNull, QStringLiteral("-1000000000")});
    aBook.addPerson(P{QStringLiteral("Zoe"), kNull, kNull, kNull, QStringLiteral("not a date")});
    aBook.addPerson(P{QStringLiteral("Old"), kNull, kNull, kNull, QStringLiteral("-3155673600")});
}

QString expected(const QString& aName, const QByteArray& aPhoto)
{
    QString text = QString::fromUtf8(ExportFixture::readFile(TestPaths::dataFile(QStringLiteral("export/") + aName)));
    return text.replace(QStringLiteral("@PHOTO@"), QString::fromLatin1(aPhoto.toBase64()));
}

} // namespace

class TestExportAddressBook : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir mDir;
    QString path(const QString& aName) const { return mDir.filePath(aName); }
    QString output() const { return path(QStringLiteral("address.xml")); }
    QString document() const { return QString::fromUtf8(ExportFixture::readFile(output())); }

    int run(const QStringList& aDatabases, const QString& aImages = QString())
    {
        QFile::remove(output());
        AddressBookExporter exporter(aDatabases, aImages);
        const int result = exporter.generate(output());
        const QString error = ExportFixture::xmlError(output());
        if (!error.isEmpty() && QFile::exists(output()))
            qWarning() << "not well-formed:" << error;
        return result;
    }

    // Rewrites an expected document from the current output (after a deliberate change).
    void regenerate(const QString& aName, const QByteArray& aPhoto)
    {
        QString text = document();
        text.replace(QString::fromLatin1(aPhoto.toBase64()), QStringLiteral("@PHOTO@"));
        ExportFixture::writeFile(TestPaths::dataFile(QStringLiteral("export/") + aName), text.toUtf8());
    }

private slots:
    void bothLayoutsGiveTheExpectedDocument_data()
    {
        QTest::addColumn<int>("layout");
        QTest::addColumn<QString>("expectedFile");
        QTest::newRow("older") << int(Layout::Older) << QStringLiteral("addressbook_expected.xml");
        QTest::newRow("newer") << int(Layout::Newer) << QStringLiteral("addressbook_expected.xml");
    }

    void bothLayoutsGiveTheExpectedDocument()
    {
        QFETCH(int, layout);
        QFETCH(QString, expectedFile);
        const Layout l = Layout(layout);
        const QString db = path(QStringLiteral("ab-%1.sqlitedb").arg(layout));
        const QString images = path(QStringLiteral("abi-%1.sqlitedb").arg(layout));
        {
            AddressBookFixture book(db, l);
            fillPersons(book);
            QVERIFY(book.isOk());
        }
        const QByteArray photo = ExportFixture::jpeg(64, 48);
        QVERIFY(AddressBookFixture::createImages(images, l));
        QVERIFY(AddressBookFixture::addImage(images, l, 1, 0, photo));
        // Another format of the same person and a picture of someone else are not used.
        QVERIFY(AddressBookFixture::addImage(images, l, 1, 1, ExportFixture::png(8, 8, false)));
        QVERIFY(AddressBookFixture::addImage(images, l, 2, 0, QByteArray()));

        QCOMPARE(run({db}, images), ExportResult::Ok);
        if (qEnvironmentVariableIsSet("PELLMAR_REGENERATE_EXPECTED"))
            regenerate(expectedFile, photo);
        QCOMPARE(document(), expected(expectedFile, photo));
    }

    void emptyExports()
    {
        QCOMPARE(run({}), ExportResult::Ok);
        QCOMPARE(ExportFixture::readFile(output()),
                 QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<address_book/>\n"));

        // No pictures database, or one that does not exist: persons without photo, result 0,
        // and the missing file is not created.
        const QString db = path(QStringLiteral("plain.sqlitedb"));
        {
            AddressBookFixture book(db, Layout::Newer);
            book.addPerson(P{QStringLiteral("A"), kNull, kNull, kNull, kNull});
            QVERIFY(book.isOk());
        }
        QCOMPARE(run({db}), ExportResult::Ok);
        QVERIFY(document().contains(QStringLiteral("<first_name>A</first_name>")));
        QVERIFY(!document().contains(QStringLiteral("photo")));
        const QString missing = path(QStringLiteral("missing-images.sqlitedb"));
        QCOMPARE(run({db}, missing), ExportResult::Ok);
        QVERIFY(!document().contains(QStringLiteral("photo")));
        QVERIFY(!QFile::exists(missing));
    }

    void outputThatCannotBeOpened()
    {
        const QString db = path(QStringLiteral("out.sqlitedb"));
        {
            AddressBookFixture book(db, Layout::Older);
            book.addPerson(P{QStringLiteral("A"), kNull, kNull, kNull, kNull});
        }
        AddressBookExporter exporter({db}, QString());
        const QString target = path(QStringLiteral("no-such-folder/address.xml"));
        // The databases are not read: their selection fails, and that code comes last.
        QCOMPARE(exporter.generate(target), ExportResult::SelectionFailed);
        QVERIFY(!QFile::exists(target));
        AddressBookExporter none({}, QString());
        QCOMPARE(none.generate(target), ExportResult::OutputNotOpened);
        if (QFileInfo(QStringLiteral("/dev/full")).isWritable()) {
            AddressBookExporter full({db}, QString());
            QCOMPARE(full.generate(QStringLiteral("/dev/full")), ExportResult::OutputNotOpened);
        }
    }

    void damagedDatabasesStopTheExport()
    {
        const QString good = path(QStringLiteral("good.sqlitedb"));
        const QString later = path(QStringLiteral("later.sqlitedb"));
        for (const QString& p : {good, later}) {
            AddressBookFixture book(p, Layout::Older);
            book.addPerson(P{QFileInfo(p).baseName(), kNull, kNull, kNull, kNull});
        }
        const QString notSqlite = path(QStringLiteral("garbage.sqlitedb"));
        QVERIFY(ExportFixture::writeFile(notSqlite, QByteArray(4096, 'x')));
        const QString missing = path(QStringLiteral("absent.sqlitedb"));
        const QString noPersons = path(QStringLiteral("nopersons.sqlitedb"));
        {
            AddressBookFixture book(noPersons, Layout::Older);
            book.database().exec(QStringLiteral("DROP TABLE ABPerson"));
        }

        for (const QString& bad : {notSqlite, missing, noPersons}) {
            QCOMPARE(run({good, bad, later}), ExportResult::SelectionFailed);
            QVERIFY2(ExportFixture::xmlError(output()).isEmpty(), qPrintable(bad));
            QVERIFY(document().contains(QStringLiteral("<first_name>good</first_name>")));
            QVERIFY(!document().contains(QStringLiteral("later")));
        }
        QVERIFY(!QFile::exists(missing));
    }

    void missingTablesAndColumnsLoseOnlyTheirPart()
    {
        const QString db = path(QStringLiteral("partial.sqlitedb"));
        const QString images = path(QStringLiteral("partial-images.sqlitedb"));
        {
            ExportFixtureDatabase raw(db);
            QVERIFY(raw.execAll({QStringLiteral("CREATE TABLE ABPerson (ROWID INTEGER PRIMARY KEY, First TEXT)"),
                                 QStringLiteral("INSERT INTO ABPerson (First) VALUES ('Solo')"),
                                 QStringLiteral("CREATE TABLE ABMultiValue (UID INTEGER PRIMARY KEY, record_id INTEGER, property INTEGER, label INTEGER, value TEXT)"),
                                 QStringLiteral("INSERT INTO ABMultiValue (record_id, property, label, value) VALUES (1, 3, 1, '123')")}));
        }
        QVERIFY(AddressBookFixture::createImages(images, Layout::Newer));
        QVERIFY(AddressBookFixture::addImage(images, Layout::Newer, 1, 0, QByteArray("pic")));
        // No label table: the multi-value query fails, so the person has no multi-values and,
        // as the picture depends on it, no photo either.
        QCOMPARE(run({db}, images), ExportResult::Ok);
        QCOMPARE(document(), QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<address_book>\n"
                                            "    <person>\n        <first_name>Solo</first_name>\n"
                                            "    </person>\n</address_book>\n"));

        // With the label table but no entry tables, the multi-value is written without entries.
        {
            ExportFixtureDatabase raw(db);
            QVERIFY(raw.execAll({QStringLiteral("CREATE TABLE ABMultiValueLabel (value TEXT)"),
                                 QStringLiteral("INSERT INTO ABMultiValueLabel VALUES ('_$!<Home>!$_')")}));
        }
        QCOMPARE(run({db}, images), ExportResult::Ok);
        QVERIFY(document().contains(QStringLiteral("<phone type=\"home\" value=\"123\"/>")));
        QVERIFY(document().contains(QStringLiteral("<photo>cGlj</photo>")));

        // A pictures database with neither picture table suppresses only the photo.
        const QString empty = path(QStringLiteral("empty-images.sqlitedb"));
        {
            ExportFixtureDatabase raw(empty);
            QVERIFY(raw.exec(QStringLiteral("CREATE TABLE other (x)")));
        }
        QCOMPARE(run({db}, empty), ExportResult::Ok);
        QVERIFY(!document().contains(QStringLiteral("photo")));
        QVERIFY(document().contains(QStringLiteral("<phone ")));
    }

    void hostileTextAndPictures()
    {
        const QString db = path(QStringLiteral("hostile.sqlitedb"));
        const QString images = path(QStringLiteral("hostile-images.sqlitedb"));
        {
            AddressBookFixture book(db, Layout::Newer);
            const QString controls = QStringLiteral("a") + QChar(1) + QChar(0x1f) + QChar(0xfffc)
                                     + QStringLiteral("b");
            book.addPerson(P{controls, kNull, kNull, kNull, kNull});
            // Invalid UTF-8 stored as text.
            QVERIFY(book.database().exec(
                QStringLiteral("INSERT INTO ABPerson (First, Last) VALUES (CAST(? AS TEXT), ?)"),
                {QByteArray("bad\xff\xfe\xc3(\xed\xa0\x80z"), QByteArray("\x80\x01blob")}));
            QVERIFY(book.isOk());
        }
        QVERIFY(AddressBookFixture::createImages(images, Layout::Newer));
        // 20 MB of picture data, and data that is no picture: both embedded as stored.
        QByteArray big(20 * 1024 * 1024, Qt::Uninitialized);
        QRandomGenerator gen(7);
        gen.fillRange(reinterpret_cast<quint32*>(big.data()), big.size() / 4);
        QVERIFY(AddressBookFixture::addImage(images, Layout::Newer, 1, 0, big));
        QVERIFY(AddressBookFixture::addImage(images, Layout::Newer, 2, 0, QByteArray("not a picture")));

        QCOMPARE(run({db}, images), ExportResult::Ok);
        QCOMPARE(ExportFixture::xmlError(output()), QString());
        QFile file(output());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QXmlStreamReader reader(&file);
        QStringList firstNames;
        QList<QByteArray> photos;
        while (!reader.atEnd()) {
            if (reader.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (reader.name() == QLatin1String("first_name"))
                firstNames << reader.readElementText();
            else if (reader.name() == QLatin1String("photo"))
                photos << QByteArray::fromBase64(reader.readElementText().toLatin1());
        }
        QCOMPARE(firstNames.size(), 2);
        QCOMPARE(firstNames.at(0), QStringLiteral("a") + QChar(0xfffc) + QStringLiteral("b"));
        QVERIFY(firstNames.at(1).startsWith(QStringLiteral("bad")));
        QVERIFY(firstNames.at(1).endsWith(QLatin1Char('z')));
        QCOMPARE(photos.size(), 2);
        QVERIFY(photos.at(0) == big);
        QCOMPARE(photos.at(1), QByteArray("not a picture"));
    }

    void traceLog()
    {
        const QString db = path(QStringLiteral("logged.sqlitedb"));
        {
            AddressBookFixture book(db, Layout::Older);
            book.addPerson(P{QStringLiteral("Tab\tName"), QStringLiteral("x\r\n"), kNull, kNull, kNull});
        }
        ExportFixtureLogProbe probe;
        QVERIFY(probe.run(QStringLiteral("addressbook"), path(QStringLiteral("logged.xml")), {db}));
        QCOMPARE(probe.result, ExportResult::Ok);
        QVERIFY(probe.lines.contains(QStringLiteral(">> AddressBookExporter::generate")));
        QVERIFY(probe.lines.contains(QStringLiteral("    Opened database = ") + db));
        QVERIFY(probe.lines.contains(QStringLiteral("    Database is valid")));
        QVERIFY(probe.lines.contains(QStringLiteral("Returns: 0")));
        QCOMPARE(probe.lines.last(), QStringLiteral("<< AddressBookExporter::generate"));
        // One line per removed character, with its code.
        const QStringList removed = probe.lines.filter(QStringLiteral("Removed illegal character"));
        QCOMPARE(removed, QStringList({QStringLiteral("    Removed illegal character = 9"),
                                       QStringLiteral("    Removed illegal character = 13"),
                                       QStringLiteral("    Removed illegal character = 10")}));
        QVERIFY(probe.logFolderFiles.contains(QStringLiteral("addressbook0.db")));
    }

    void birthdays()
    {
        QCOMPARE(AddressBookExporter::unixBirthday(QStringLiteral("0")), 978264000);
        QCOMPARE(AddressBookExporter::unixBirthday(QStringLiteral("abc")), 978264000);
        QCOMPARE(AddressBookExporter::unixBirthday(QString()), 978264000);
        QCOMPARE(AddressBookExporter::unixBirthday(QStringLiteral("inf")), 978264000);
        QCOMPARE(AddressBookExporter::unixBirthday(QStringLiteral("nan")), 978264000);
        QCOMPARE(AddressBookExporter::unixBirthday(QStringLiteral("1e30")), 978264000);
        // Single precision, truncated towards zero.
        QCOMPARE(AddressBookExporter::unixBirthday(QStringLiteral("-1.75")), 978263999);
        QCOMPARE(AddressBookExporter::unixBirthday(QStringLiteral("1024.9")), 978265024);
        // Before 1970: negative, not wrapped into 2^64.
        QCOMPARE(AddressBookExporter::unixBirthday(QStringLiteral("-1000000000")), -21736000);
    }
};

PELLMAR_TEST_MAIN(TestExportAddressBook)
#include "test_export_addressbook.moc"
