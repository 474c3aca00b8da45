#include "TestMain.h"
#include "TestPaths.h"
#include "backup/CalendarFixture.h"
#include "backup/ExportFixtureDatabase.h"
#include "backup/ExportFixtureLogProbe.h"
#include "backup/FakeBackupBuilder.h"
#include "backup/NoteStoreFixture.h"
#include "backup/NotesFixture.h"

#include "backup/iphone/AppleExtractor.h"
#include "backup/iphone/CalendarDate.h"
#include "backup/iphone/CalendarExporter.h"
#include "backup/ExportResult.h"
#include "backup/iphone/NotesExporter.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>

namespace {

using ExportFixture::readFile;

// Empty when the whole file parses as XML; the parser's complaint otherwise. xmllint, where
// it is installed, checks the characters more strictly than Qt's reader.
QString wellFormedError(const QString& aPath)
{
    const QString error = ExportFixture::xmlError(aPath);
    if (!error.isEmpty())
        return error;
    const QString xmllint = QStandardPaths::findExecutable(QStringLiteral("xmllint"));
    if (!xmllint.isEmpty()) {
        QProcess lint;
        lint.start(xmllint, {QStringLiteral("--noout"), aPath});
        lint.waitForFinished();
        if (lint.exitCode() != 0)
            return QString::fromUtf8(lint.readAllStandardError());
    }
    return QString();
}

// The texts of every aElement in document order.
QStringList texts(const QString& aPath, const QString& aElement)
{
    QFile file(aPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList result;
    QXmlStreamReader reader(&file);
    while (reader.readNextStartElement() || !reader.atEnd()) {
        if (reader.isStartElement() && reader.name() == aElement)
            result.append(reader.readElementText());
        else if (!reader.isStartElement())
            reader.readNext();
    }
    return result;
}

QStringList lines(const QByteArray& aBytes)
{
    return QString::fromUtf8(aBytes).split(QLatin1Char('\n'));
}

QByteArray emptyDocument(const char* aRoot)
{
    return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<") + aRoot + "/>\n";
}

QVariant null()
{
    return QVariant();
}

// Each note of a notes document as its five texts, in the document's order.
QList<QStringList> notesOf(const QString& aPath)
{
    QList<QStringList> notes;
    QFile file(aPath);
    if (!file.open(QIODevice::ReadOnly))
        return notes;
    QXmlStreamReader reader(&file);
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (reader.name() == QLatin1String("note"))
            notes.append(QStringList());
        else if (reader.name() != QLatin1String("notes"))
            notes.last().append(reader.readElementText());
    }
    return notes;
}

// The contents of the main cases, each matching one expected document of tests/data/export.

// Recurrences, alarms, REAL dates, NULLs and a date before 1970 in the phone's newer layout.
void fillNewerCalendar(CalendarFixture& db)
{
    const qint64 dentist = db.addEvent({QStringLiteral("Dentist"), QStringLiteral("Main St 5"),
                                        QStringLiteral("Check-up & clean"), qint64(400000000),
                                        qint64(400003600), QStringLiteral("Europe/Berlin"), 0,
                                        QStringLiteral("http://example.org/?a=1&b=<2>")});
    db.addAlarm(dentist, -900);
    db.addAlarm(dentist, -3600);
    db.addAlarm(dentist, null());
    const qint64 meeting = db.addEvent({QStringLiteral("Team meeting"), null(), null(), 431784000.0,
                                        431787600.75, null(), null(), null()});
    db.addRecurrence(meeting, 2, 2, null());
    const qint64 rent = db.addEvent({QStringLiteral("Rent"), null(), null(), qint64(420000000),
                                     qint64(420086400), null(), 1, null()});
    db.addRecurrence(rent, 3, 1, 450000000.0);
    const qint64 odd = db.addEvent({QStringLiteral("Odd rule"), null(), null(), qint64(410000000),
                                    qint64(410001800), null(), 0, null()});
    db.addRecurrence(odd, 5, 3, 0);
    db.addEvent({null(), null(), null(), null(), null(), null(), null(), null()});
    const qint64 landing =
        db.addEvent({QStringLiteral("Moon landing"), QStringLiteral("Sea of Tranquility"), null(),
                     qint64(-1000000000), qint64(-999996400), QStringLiteral("UTC"), 0, null()});
    db.addRecurrence(landing, 4, null(), null());
    const qint64 oddAlarms =
        db.addEvent({QStringLiteral("Odd alarms"), null(), null(), 0, 60, null(), 0, null()});
    db.addAlarm(oddAlarms, QStringLiteral("soon"));
    db.addAlarm(oddAlarms, qint64(3000000000));
    db.addAlarm(oddAlarms, -60);
}

// The older layout: location in the event row, recurrences and alarms keyed by the event, no
// url written even where the row has one.
void fillOlderCalendar(CalendarFixture& db)
{
    const qint64 birthday =
        db.addEvent({QStringLiteral("Birthday"), QStringLiteral("Home"), QStringLiteral("Cake"),
                     qint64(300000000), qint64(300086400), QStringLiteral("America/New_York"), 1,
                     QStringLiteral("http://ignored.example")});
    db.addRecurrence(birthday, 4, 1, null());
    db.addAlarm(birthday, -86400);
    db.addEvent({QStringLiteral("Call"), null(), null(), 0, null(), null(), null(), null()});
    const qint64 walk = db.addEvent({QStringLiteral("Walk"), QStringLiteral("Park"), null(),
                                     qint64(300000000), qint64(300003600), null(), 0, null()});
    db.addRecurrence(walk, 1, 1, qint64(300604800));
    db.addAlarm(walk, -600);
    db.addAlarm(walk, 0);
}

// Line breaks leave the body but its markup stays; NULLs give empty elements.
void fillOlderNotes(NotesFixture& db)
{
    db.addNote({QStringLiteral("Shopping"), QStringLiteral("Milk, eggs"),
                QStringLiteral("<div>Milk</div>\n<div>Eggs &amp; ham</div>\r\n"), 0, 100});
    db.addNote({QStringLiteral("Old"), null(), QStringLiteral("x"), qint64(-1000000000), null()});
    db.addNote({null(), null(), null(), null(), null()});
}

// Fractional dates, and no modification date written from this layout.
void fillNewerNotes(NotesFixture& db)
{
    db.addNote({QStringLiteral("Ideas"), QStringLiteral("first"), QStringLiteral("<b>Idea</b><br>"),
                350000000.75, 350000100.0});
    db.addNote({null(), null(), null(), null(), 5.0});
    db.addNote(
        {QStringLiteral("Just after"), QStringLiteral(""), QStringLiteral(""), -0.5, null()});
}

} // namespace

class TestExportCalendarNotes : public QObject
{
    Q_OBJECT

private:
    QString path(const QString& aName) const { return mDir->filePath(aName); }

    // A calendar database with one plain event, to stand behind a failing one in the list.
    QString goodCalendar(const QString& aName)
    {
        CalendarFixture fixture(path(aName), CalendarFixture::Layout::Newer);
        fixture.addEvent({QStringLiteral("Later"), null(), null(), 1, 2, null(), 0, null()});
        return fixture.isOk() ? fixture.path() : QString();
    }

    QString goodNotes(const QString& aName)
    {
        NotesFixture fixture(path(aName), NotesFixture::Layout::Newer);
        fixture.addNote({QStringLiteral("Later"), null(), QStringLiteral("body"), 1, null()});
        return fixture.isOk() ? fixture.path() : QString();
    }

    std::unique_ptr<QTemporaryDir> mDir;

private slots:
    void init()
    {
        mDir = std::make_unique<QTemporaryDir>();
        QVERIFY(mDir->isValid());
    }

    void dateConversion_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("written");
        QTest::newRow("reference day") << "0"
                                       << "978307200";
        QTest::newRow("integer") << "400000000"
                                 << "1378307200";
        QTest::newRow("before 1970 stays signed") << "-1000000000"
                                                  << "-21692800";
        QTest::newRow("real with exponent") << "4.31784e+08"
                                            << "1410091200";
        QTest::newRow("fraction truncated") << "431787600.75"
                                            << "1410094800";
        QTest::newRow("negative fraction towards zero") << "-0.5"
                                                        << "978307200";
        QTest::newRow("not a number") << "soon"
                                      << "978307200";
        QTest::newRow("empty") << ""
                               << "978307200";
        QTest::newRow("too large to count") << "9223372036854775807"
                                            << "978307200";
        QTest::newRow("huge real") << "1e300"
                                   << "978307200";
        QTest::newRow("infinity") << "inf"
                                  << "978307200";
        QTest::newRow("smallest") << "-9223372036854775808"
                                  << "-9223372035876468608";
    }

    void dateConversion()
    {
        QFETCH(QString, stored);
        QFETCH(QString, written);
        QCOMPARE(CalendarDate::toUnixText(stored), written);
    }

    void calendarNewerLayout()
    {
        CalendarFixture db(path(QStringLiteral("Calendar.sqlitedb")),
                           CalendarFixture::Layout::Newer);
        fillNewerCalendar(db);
        QVERIFY(db.isOk());

        const QString out = path(QStringLiteral("calendar.xml"));
        QCOMPARE(CalendarExporter({db.path()}).generate(out), ExportResult::Ok);
        QCOMPARE(wellFormedError(out), QString());
        QCOMPARE(lines(readFile(out)),
                 lines(readFile(TestPaths::dataFile(QStringLiteral("export/calendar_newer.xml")))));
    }

    void calendarOlderLayout()
    {
        CalendarFixture db(path(QStringLiteral("Calendar.sqlitedb")),
                           CalendarFixture::Layout::Older);
        fillOlderCalendar(db);
        QVERIFY(db.isOk());

        const QString out = path(QStringLiteral("calendar.xml"));
        QCOMPARE(CalendarExporter({db.path()}).generate(out), ExportResult::Ok);
        QCOMPARE(wellFormedError(out), QString());
        QCOMPARE(lines(readFile(out)),
                 lines(readFile(TestPaths::dataFile(QStringLiteral("export/calendar_older.xml")))));
    }

    void calendarEmptyListAndDatabaseOrder()
    {
        const QString out = path(QStringLiteral("calendar.xml"));
        QCOMPARE(CalendarExporter({}).generate(out), ExportResult::Ok);
        QCOMPARE(readFile(out), emptyDocument("calendar"));

        CalendarFixture older(path(QStringLiteral("older.sqlitedb")),
                              CalendarFixture::Layout::Older);
        older.addEvent({QStringLiteral("First"), null(), null(), 0, 0, null(), 0, null()});
        CalendarFixture newer(path(QStringLiteral("newer.sqlitedb")),
                              CalendarFixture::Layout::Newer);
        newer.addEvent({QStringLiteral("Second"), null(), null(), 0, 0, null(), 0, null()});
        newer.addEvent({QStringLiteral("Third"), null(), null(), 0, 0, null(), 0, null()});
        QVERIFY(older.isOk() && newer.isOk());
        QCOMPARE(CalendarExporter({older.path(), newer.path()}).generate(out), ExportResult::Ok);
        QCOMPARE(texts(out, QStringLiteral("title")),
                 QStringList(
                     {QStringLiteral("First"), QStringLiteral("Second"), QStringLiteral("Third")}));
    }

    // A database that cannot be read as the exporter needs it writes none of its entries and
    // stops the export, which still leaves a well-formed document.
    void calendarUnreadableDatabase_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<int>("result");
        QTest::newRow("missing file") << "missing" << ExportResult::DatabaseNotOpened;
        QTest::newRow("not sqlite") << "text" << ExportResult::SelectionFailed;
        QTest::newRow("recurrence table missing")
            << "DROP TABLE Recurrence" << ExportResult::SelectionFailed;
        QTest::newRow("event table missing (older layout)")
            << "DROP TABLE Location; DROP TABLE CalendarItem" << ExportResult::SelectionFailed;
        QTest::newRow("url column missing")
            << "ALTER TABLE CalendarItem DROP COLUMN url" << ExportResult::SelectionFailed;
        QTest::newRow("interval column missing")
            << "ALTER TABLE Recurrence DROP COLUMN interval" << ExportResult::SelectionFailed;
    }

    void calendarUnreadableDatabase()
    {
        QFETCH(QString, damage);
        QFETCH(int, result);
        const QString damaged = path(QStringLiteral("damaged.sqlitedb"));
        if (damage == QLatin1String("text")) {
            QFile file(damaged);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray("This is a text file and no database at all.\n").repeated(200));
        } else if (damage != QLatin1String("missing")) {
            CalendarFixture db(damaged, CalendarFixture::Layout::Newer);
            db.addEvent({QStringLiteral("Lost"), null(), null(), 0, 0, null(), 0, null()});
            for (const QString& statement : damage.split(QStringLiteral("; ")))
                QVERIFY(db.exec(statement));
        }
        const QString later = goodCalendar(QStringLiteral("later.sqlitedb"));
        QVERIFY(!later.isEmpty());

        const QString out = path(QStringLiteral("calendar.xml"));
        QCOMPARE(CalendarExporter({damaged, later}).generate(out), result);
        QCOMPARE(wellFormedError(out), QString());
        QCOMPARE(readFile(out), emptyDocument("calendar"));
        QVERIFY(!QFile::exists(path(QStringLiteral("missing.sqlitedb"))));
    }

    // Without an Alarm table every entry of the database is still written (without alarms),
    // but the export reports the failure and reads no later database.
    void calendarAlarmSelectionFails()
    {
        CalendarFixture db(path(QStringLiteral("Calendar.sqlitedb")),
                           CalendarFixture::Layout::Newer);
        db.addEvent({QStringLiteral("One"), null(), null(), 0, 0, null(), 0, null()});
        db.addEvent({QStringLiteral("Two"), null(), null(), 0, 0, null(), 0, null()});
        QVERIFY(db.exec(QStringLiteral("DROP TABLE Alarm")));
        const QString later = goodCalendar(QStringLiteral("later.sqlitedb"));

        const QString out = path(QStringLiteral("calendar.xml"));
        QCOMPARE(CalendarExporter({db.path(), later}).generate(out), ExportResult::SelectionFailed);
        QCOMPARE(wellFormedError(out), QString());
        QCOMPARE(texts(out, QStringLiteral("title")),
                 QStringList({QStringLiteral("One"), QStringLiteral("Two")}));
        QCOMPARE(texts(out, QStringLiteral("alarm")), QStringList());
        QCOMPARE(texts(out, QStringLiteral("end_date")).size(), 2);
    }

    // Control characters go, U+FFFC (an attachment mark) stays, invalid UTF-8 becomes
    // replacement characters: the document stays readable.
    void calendarHostileText()
    {
        CalendarFixture db(path(QStringLiteral("Calendar.sqlitedb")),
                           CalendarFixture::Layout::Newer);
        const qint64 id =
            db.addEvent({QStringLiteral("\tLine one\nLine two\r\n\x01\x1f") + QChar(0xFFFC),
                         QStringLiteral("Room ") + QChar(0xFFFE) + QStringLiteral("7"), null(), 0,
                         0, QStringLiteral("Europe/\x0bParis"), 0, QStringLiteral("a]]>b")});
        QVERIFY(db.exec(QStringLiteral("UPDATE CalendarItem SET description ="
                                       " CAST(X'41FF42C328' AS TEXT) WHERE ROWID = %1")
                            .arg(id)));
        QVERIFY(db.isOk());

        const QString out = path(QStringLiteral("calendar.xml"));
        QCOMPARE(CalendarExporter({db.path()}).generate(out), ExportResult::Ok);
        QCOMPARE(wellFormedError(out), QString());
        QCOMPARE(texts(out, QStringLiteral("title")),
                 QStringList(QStringLiteral("Line oneLine two") + QChar(0xFFFC)));
        // SQLite itself hands a non-character back as a replacement character.
        QCOMPARE(texts(out, QStringLiteral("location")),
                 QStringList(QStringLiteral("Room ") + QChar(0xFFFD) + QStringLiteral("7")));
        QCOMPARE(texts(out, QStringLiteral("time_zone")),
                 QStringList(QStringLiteral("Europe/Paris")));
        QCOMPARE(texts(out, QStringLiteral("url")), QStringList(QStringLiteral("a]]>b")));
        const QStringList description = texts(out, QStringLiteral("description"));
        QCOMPARE(description.size(), 1);
        QVERIFY2(description.first().startsWith(QLatin1Char('A')) &&
                     description.first().contains(QChar(0xFFFD)) &&
                     description.first().contains(QLatin1Char('B')),
                 qPrintable(description.first()));
    }

    // A damaged older database whose ROWID is a text column of its own: what it holds is
    // compared as a value and never becomes part of the alarm statement.
    void calendarRowIdIsAValue()
    {
        CalendarFixture db(path(QStringLiteral("Calendar.sqlitedb")),
                           CalendarFixture::Layout::Older);
        QVERIFY(db.exec(QStringLiteral("DROP TABLE Event")));
        QVERIFY(
            db.exec(QStringLiteral("CREATE TABLE Event (ROWID TEXT, summary TEXT, location TEXT,"
                                   " description TEXT, start_date INTEGER, end_date INTEGER,"
                                   " start_tz TEXT, all_day INTEGER)")));
        QVERIFY(db.exec(QStringLiteral("INSERT INTO Event (ROWID, summary) VALUES"
                                       " ('2 OR 1=1', 'Sneaky'), ('3', 'Plain')")));
        db.addAlarm(2, -300);
        db.addAlarm(3, -600);
        db.addAlarm(9, -900);
        QVERIFY(db.isOk());

        const QString out = path(QStringLiteral("calendar.xml"));
        QCOMPARE(CalendarExporter({db.path()}).generate(out), ExportResult::Ok);
        QCOMPARE(texts(out, QStringLiteral("title")),
                 QStringList({QStringLiteral("Sneaky"), QStringLiteral("Plain")}));
        QCOMPARE(texts(out, QStringLiteral("alarm")), QStringList(QStringLiteral("-600")));
    }

    void calendarOutputNotWritable()
    {
        const QString db = goodCalendar(QStringLiteral("Calendar.sqlitedb"));
        const QString out = path(QStringLiteral("no/such/folder/calendar.xml"));
        QCOMPARE(CalendarExporter({db}).generate(out), ExportResult::OutputNotOpened);
        QVERIFY(!QFile::exists(out));
        // A full disk: the file opens, but what is written never arrives.
        if (QFile::exists(QStringLiteral("/dev/full")))
            QCOMPARE(CalendarExporter({db}).generate(QStringLiteral("/dev/full")),
                     ExportResult::OutputNotOpened);
    }

    // Every database is copied to the log, also those skipped after a failure, so that a failed
    // export can be reproduced from the log alone.
    void traceLogKeepsEveryDatabase_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("scope");
        QTest::newRow("calendar") << "calendar" << "CalendarExporter::generate";
        QTest::newRow("notes") << "notes" << "NotesExporter::generate";
    }

    void traceLogKeepsEveryDatabase()
    {
        QFETCH(QString, kind);
        QFETCH(QString, scope);
        const bool calendar = kind == QLatin1String("calendar");
        const QString good = calendar ? goodCalendar(QStringLiteral("good.db"))
                                      : goodNotes(QStringLiteral("good.db"));
        QVERIFY(!good.isEmpty());
        ExportFixtureLogProbe probe;
        QVERIFY(probe.run(kind, path(QStringLiteral("logged.xml")),
                          {good, path(QStringLiteral("missing.db")), good}));
        QCOMPARE(probe.result, ExportResult::DatabaseNotOpened);
        QCOMPARE(probe.lines.mid(0, 5),
                 QStringList({QStringLiteral(">> ") + scope, QStringLiteral("    Database opened"),
                              QStringLiteral("    Database is valid"),
                              calendar ? QStringLiteral("    newerLayout = true")
                                       : QStringLiteral("    olderLayout = false"),
                              QStringLiteral("    Could not open database")}));
        QCOMPARE(probe.lines.filter(QStringLiteral("Database opened")).size(), 1);
        QVERIFY(probe.lines.contains(QStringLiteral("Returns: -12000")));
        QVERIFY(probe.logFolderFiles.contains(kind + QStringLiteral("0.db")));
        QVERIFY(probe.logFolderFiles.contains(kind + QStringLiteral("2.db")));
    }

    void notesOlderLayout()
    {
        NotesFixture db(path(QStringLiteral("notes.db")), NotesFixture::Layout::Older);
        fillOlderNotes(db);
        QVERIFY(db.isOk());

        const QString out = path(QStringLiteral("notes.xml"));
        QCOMPARE(NotesExporter({db.path()}).generate(out), ExportResult::Ok);
        QCOMPARE(wellFormedError(out), QString());
        QCOMPARE(lines(readFile(out)),
                 lines(readFile(TestPaths::dataFile(QStringLiteral("export/notes_older.xml")))));
    }

    void notesNewerLayout()
    {
        NotesFixture db(path(QStringLiteral("notes.sqlite")), NotesFixture::Layout::Newer);
        fillNewerNotes(db);
        QVERIFY(db.isOk());

        const QString out = path(QStringLiteral("notes.xml"));
        QCOMPARE(NotesExporter({db.path()}).generate(out), ExportResult::Ok);
        QCOMPARE(wellFormedError(out), QString());
        QCOMPARE(lines(readFile(out)),
                 lines(readFile(TestPaths::dataFile(QStringLiteral("export/notes_newer.xml")))));
    }

    void noteStore_data()
    {
        QTest::addColumn<NoteStoreFixture::Version>("version");
        QTest::newRow("iOS 13") << NoteStoreFixture::Version::Ios13;
        QTest::newRow("iOS 16") << NoteStoreFixture::Version::Ios16;
    }

    // The notes store of iOS 9 and later: readable, locked, deleted and recently deleted notes,
    // bodies in gzip and zlib, a damaged body, NULLs.
    void noteStore()
    {
        QFETCH(NoteStoreFixture::Version, version);
        NoteStoreFixture store(path(QStringLiteral("NoteStore.sqlite")), version);
        const qint64 work = store.addFolder(QStringLiteral("Work"), 0);
        const qint64 trash = store.addFolder(QStringLiteral("Recently Deleted"), 1);
        store.addNote({QStringLiteral("Shopping"), QStringLiteral("Milk"),
                       QStringLiteral("Shopping\nMilk & <eggs>\nSee ") + QChar(0xFFFC), 600000000.75,
                       600000100.0});
        store.addNote({QStringLiteral("Zlib"), null(),
                       NoteStoreFixture::body(QStringLiteral("packed"),
                                              NoteStoreFixture::Compression::Zlib),
                       1.0, 2.0, work});
        store.addNote({QStringLiteral("Diary"), QStringLiteral(""), QStringLiteral("secret"),
                       500000000.0, 500000001.0, 0, true});
        store.addNote({QStringLiteral("Gone"), null(), QStringLiteral("x"), 1, 1, 0, false, true});
        store.addNote({QStringLiteral("Binned"), null(), QStringLiteral("y"), 1, 1, trash});
        store.addNote({QStringLiteral("Damaged"), null(), QByteArray("\x1f\x8b\x08garbage"), 3, 4});
        store.addNote({null(), null(), null(), null(), null()});
        QVERIFY(store.isOk());

        const QString out = path(QStringLiteral("notes.xml"));
        QCOMPARE(NotesExporter({store.path()}).generate(out), ExportResult::Ok);
        QCOMPARE(wellFormedError(out), QString());
        const QList<QStringList> expected = {
            {QStringLiteral("1578307200"), QStringLiteral("Shopping"), QStringLiteral("1578307300"),
             QStringLiteral("Shopping<br>Milk &amp; &lt;eggs&gt;<br>See "), QStringLiteral("Milk")},
            {QStringLiteral("978307201"), QStringLiteral("Zlib"), QStringLiteral("978307202"),
             QStringLiteral("packed"), QString()},
            {QStringLiteral("1478307200"), QStringLiteral("Diary"), QStringLiteral("1478307201"),
             QString(), QString()},
            {QStringLiteral("978307203"), QStringLiteral("Damaged"), QStringLiteral("978307204"),
             QString(), QString()},
            {QString(), QString(), QString(), QString(), QString()}};
        QCOMPARE(notesOf(out), expected);
    }

    // Both notes databases of one backup, the newer with a note that is only in its
    // write-ahead log; the files given are left as they were.
    void noteStoreBesideOlderNotesAndInItsLog()
    {
        AppleExtractor extractor;
        extractor.classify(path(QStringLiteral("notes.sqlite")),
                           QStringLiteral("HomeDomainLibrary/Notes/notes.sqlite"));
        extractor.classify(path(QStringLiteral("NoteStore.sqlite")),
                           QStringLiteral("AppDomainGroup-group.com.apple.notesNoteStore.sqlite"));
        extractor.classify(path(QStringLiteral("NoteStore.sqlite-wal")),
                           QStringLiteral("AppDomainGroup-group.com.apple.notesNoteStore.sqlite-wal"));
        extractor.classify(path(QStringLiteral("other")),
                           QStringLiteral("AppDomainGroup-group.com.apple.notesX/NoteStore.sqlite"));
        QCOMPARE(extractor.mNotesDatabases,
                 QStringList({path(QStringLiteral("notes.sqlite")),
                              path(QStringLiteral("NoteStore.sqlite"))}));

        NotesFixture older(path(QStringLiteral("notes.sqlite")), NotesFixture::Layout::Newer);
        older.addNote({QStringLiteral("Old note"), null(), QStringLiteral("old"), 0, null()});
        NoteStoreFixture store(path(QStringLiteral("source.sqlite")),
                               NoteStoreFixture::Version::Ios16);
        store.addNote({QStringLiteral("Checkpointed"), null(), QStringLiteral("a"), 0, 0});
        QVERIFY(older.isOk() && store.isOk());
        QVERIFY(ExportFixture::walSnapshot(store.path(), path(QStringLiteral("NoteStore.sqlite")), [&] {
            return store.addNote({QStringLiteral("Only in the log"), null(),
                                  QStringLiteral("b"), 0, 0}) > 0;
        }));
        const QByteArray walBefore = readFile(path(QStringLiteral("NoteStore.sqlite-wal")));

        const QString out = path(QStringLiteral("notes.xml"));
        QCOMPARE(extractor.generateNotesXML(QString(), out), ExportResult::Ok);
        QCOMPARE(texts(out, QStringLiteral("title")),
                 QStringList({QStringLiteral("Old note"), QStringLiteral("Checkpointed"),
                              QStringLiteral("Only in the log")}));
        QCOMPARE(readFile(path(QStringLiteral("NoteStore.sqlite-wal"))), walBefore);
        QVERIFY(!QFile::exists(path(QStringLiteral("NoteStore.sqlite-shm"))));
    }

    void notesEmptyListAndDatabaseOrder()
    {
        const QString out = path(QStringLiteral("notes.xml"));
        QCOMPARE(NotesExporter({}).generate(out), ExportResult::Ok);
        QCOMPARE(readFile(out), emptyDocument("notes"));

        NotesFixture newer(path(QStringLiteral("notes.sqlite")), NotesFixture::Layout::Newer);
        newer.addNote({QStringLiteral("First"), null(), QStringLiteral("a"), 0, null()});
        NotesFixture older(path(QStringLiteral("notes.db")), NotesFixture::Layout::Older);
        older.addNote({QStringLiteral("Second"), null(), QStringLiteral("b"), 0, 0});
        older.addNote({QStringLiteral("Third"), null(), QStringLiteral("c"), 0, 0});
        QVERIFY(newer.isOk() && older.isOk());
        QCOMPARE(NotesExporter({newer.path(), older.path()}).generate(out), ExportResult::Ok);
        QCOMPARE(texts(out, QStringLiteral("title")),
                 QStringList(
                     {QStringLiteral("First"), QStringLiteral("Second"), QStringLiteral("Third")}));
        QCOMPARE(
            texts(out, QStringLiteral("modification_date")),
            QStringList({QString(), QStringLiteral("978307200"), QStringLiteral("978307200")}));
    }

    void notesUnreadableDatabase_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<int>("layout");
        QTest::addColumn<int>("result");
        const int older = int(NotesFixture::Layout::Older);
        const int newer = int(NotesFixture::Layout::Newer);
        QTest::newRow("missing file") << "missing" << newer << ExportResult::DatabaseNotOpened;
        QTest::newRow("not sqlite") << "text" << newer << ExportResult::SelectionFailed;
        QTest::newRow("note table missing")
            << "DROP TABLE Note" << older << ExportResult::SelectionFailed;
        QTest::newRow("body table missing")
            << "DROP TABLE ZNOTEBODY" << newer << ExportResult::SelectionFailed;
        QTest::newRow("summary column missing")
            << "ALTER TABLE ZNOTE DROP COLUMN ZSUMMARY" << newer << ExportResult::SelectionFailed;
        QTest::newRow("join column missing")
            << "DROP TABLE note_bodies; CREATE TABLE note_bodies (id INTEGER, data)" << older
            << ExportResult::SelectionFailed;
    }

    void notesUnreadableDatabase()
    {
        QFETCH(QString, damage);
        QFETCH(int, layout);
        QFETCH(int, result);
        const QString damaged = path(QStringLiteral("damaged.db"));
        if (damage == QLatin1String("text")) {
            QFile file(damaged);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray("SQLite format 2\0 but not really", 32).repeated(100));
        } else if (damage != QLatin1String("missing")) {
            NotesFixture db(damaged, NotesFixture::Layout(layout));
            db.addNote({QStringLiteral("Lost"), null(), QStringLiteral("x"), 0, 0});
            for (const QString& statement : damage.split(QStringLiteral("; ")))
                QVERIFY(db.exec(statement));
        }
        const QString later = goodNotes(QStringLiteral("later.sqlite"));
        QVERIFY(!later.isEmpty());

        const QString out = path(QStringLiteral("notes.xml"));
        QCOMPARE(NotesExporter({damaged, later}).generate(out), result);
        QCOMPARE(wellFormedError(out), QString());
        QCOMPARE(readFile(out), emptyDocument("notes"));
    }

    // Columns that are merely absent from the row read as NULL: the note is still written.
    void notesWithoutModificationColumn()
    {
        NotesFixture db(path(QStringLiteral("notes.db")), NotesFixture::Layout::Older);
        db.addNote({QStringLiteral("Kept"), QStringLiteral("s"), QStringLiteral("b"), 1, 2});
        QVERIFY(db.exec(QStringLiteral("ALTER TABLE Note DROP COLUMN modification_date")));
        QVERIFY(db.exec(QStringLiteral("ALTER TABLE Note DROP COLUMN summary")));

        const QString out = path(QStringLiteral("notes.xml"));
        QCOMPARE(NotesExporter({db.path()}).generate(out), ExportResult::Ok);
        QCOMPARE(texts(out, QStringLiteral("title")), QStringList(QStringLiteral("Kept")));
        QCOMPARE(texts(out, QStringLiteral("creation_date")),
                 QStringList(QStringLiteral("978307201")));
        QCOMPARE(texts(out, QStringLiteral("modification_date")), QStringList(QString()));
        QCOMPARE(texts(out, QStringLiteral("summary")), QStringList(QString()));
    }

    void notesHostileText()
    {
        NotesFixture db(path(QStringLiteral("notes.db")), NotesFixture::Layout::Older);
        const qint64 id = db.addNote({QStringLiteral("Tab\there\x02") + QChar(0xFFFC),
                                      QStringLiteral("\x1b[31mred"), QStringLiteral("x"), 0, 0});
        // Bodies are untyped: the phone may leave bytes there that are no UTF-8 at all.
        QVERIFY(db.exec(QStringLiteral("UPDATE note_bodies SET data = X'3C623EFFFE0A3C2F623E'"
                                       " WHERE note_id = %1")
                            .arg(id)));
        QVERIFY(db.isOk());

        const QString out = path(QStringLiteral("notes.xml"));
        QCOMPARE(NotesExporter({db.path()}).generate(out), ExportResult::Ok);
        QCOMPARE(wellFormedError(out), QString());
        QCOMPARE(texts(out, QStringLiteral("title")),
                 QStringList(QStringLiteral("Tabhere") + QChar(0xFFFC)));
        QCOMPARE(texts(out, QStringLiteral("summary")), QStringList(QStringLiteral("[31mred")));
        const QStringList data = texts(out, QStringLiteral("data"));
        QCOMPARE(data.size(), 1);
        QVERIFY2(data.first().startsWith(QLatin1String("<b>")) &&
                     data.first().endsWith(QLatin1String("</b>")) &&
                     data.first().contains(QChar(0xFFFD)),
                 qPrintable(data.first()));
    }

    void notesOutputNotWritable()
    {
        const QString db = goodNotes(QStringLiteral("notes.sqlite"));
        const QString out = path(QStringLiteral("no/such/folder/notes.xml"));
        QCOMPARE(NotesExporter({db}).generate(out), ExportResult::OutputNotOpened);
        QVERIFY(!QFile::exists(out));
        if (QFile::exists(QStringLiteral("/dev/full")))
            QCOMPARE(NotesExporter({db}).generate(QStringLiteral("/dev/full")),
                     ExportResult::OutputNotOpened);
    }
    // Whole backups through the real extraction tool and AppleExtractor: the newer databases in
    // a Manifest.db backup, the older ones in a Manifest.mbdb backup, both under the home
    // domain (so "HomeDomainLibrary/Notes/..." must reach the notes exporter).
    void throughExtraction_data()
    {
        QTest::addColumn<bool>("newer");
        QTest::newRow("Manifest.db, newer layouts") << true;
        QTest::newRow("Manifest.mbdb, older layouts") << false;
    }

    void throughExtraction()
    {
        QFETCH(bool, newer);
        QVERIFY2(FakeBackupBuilder::prepareExtraction(), "pellmar-extract has not been built");
        const QString calendarPath = path(QStringLiteral("Calendar.sqlitedb"));
        const QString notesName =
            newer ? QStringLiteral("notes.sqlite") : QStringLiteral("notes.db");
        {
            CalendarFixture calendar(calendarPath, newer ? CalendarFixture::Layout::Newer
                                                         : CalendarFixture::Layout::Older);
            newer ? fillNewerCalendar(calendar) : fillOlderCalendar(calendar);
            NotesFixture notes(path(notesName),
                               newer ? NotesFixture::Layout::Newer : NotesFixture::Layout::Older);
            newer ? fillNewerNotes(notes) : fillOlderNotes(notes);
            QVERIFY(calendar.isOk() && notes.isOk());
        }

        FakeBackupBuilder backup(path(QStringLiteral("backups/0123456789abcdef")),
                                 newer ? FakeBackupBuilder::Index::ManifestDb
                                       : FakeBackupBuilder::Index::Mbdb);
        backup.setInfoPlist(QStringLiteral("Old iPhone"));
        backup.setManifestPlist(false);
        backup.addFileFrom(QStringLiteral("HomeDomain"),
                           QStringLiteral("Library/Calendar/Calendar.sqlitedb"), calendarPath);
        backup.addFileFrom(QStringLiteral("HomeDomain"),
                           QStringLiteral("Library/Notes/") + notesName, path(notesName));
        QVERIFY(backup.write());

        AppleExtractor extractor;
        QCOMPARE(backup.extract(extractor), 0);
        QCOMPARE(extractor.mCalendarDatabases.size(), 1);
        QCOMPARE(extractor.mNotesDatabases.size(), 1);

        const QString work = FakeBackupBuilder::workingFolder();
        const QString calendarXml = work + QStringLiteral("calendar.xml");
        const QString notesXml = work + QStringLiteral("notes.xml");
        QCOMPARE(extractor.generateCalendarXML(work, calendarXml), ExportResult::Ok);
        QCOMPARE(extractor.generateNotesXML(work, notesXml), ExportResult::Ok);
        const QString suffix = newer ? QStringLiteral("_newer.xml") : QStringLiteral("_older.xml");
        QCOMPARE(lines(readFile(calendarXml)),
                 lines(readFile(TestPaths::dataFile(QStringLiteral("export/calendar") + suffix))));
        QCOMPARE(lines(readFile(notesXml)),
                 lines(readFile(TestPaths::dataFile(QStringLiteral("export/notes") + suffix))));
    }
};

PELLMAR_TEST_MAIN(TestExportCalendarNotes)

#include "test_export_calendar_notes.moc"
