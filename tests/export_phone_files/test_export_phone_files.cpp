// The files a stock Android phone imports, written beside the companion app's XML files: each is
// read back with a reader not written here (vobject for the vCards, libical for the calendar,
// xmllint and Qt's DOM for the messages) and compared field by field with the source database.
// The companion app's XML files stay byte for byte what they were without them.
#include "TestMain.h"
#include "TestPaths.h"
#include "backup/iphone/AddressBookExporter.h"
#include "backup/AddressBookFixture.h"
#include "backup/blackberry/BlackBerryReader.h"
#include "backup/iphone/CalendarExporter.h"
#include "backup/CalendarFixture.h"
#include "backup/ExportFixtureDatabase.h"
#include "backup/IpdBuilder.h"
#include "backup/iphone/MessagesExporter.h"
#include "backup/MessagesFixture.h"
#include "backup/NoteFilesWriter.h"
#include "backup/iphone/NotesExporter.h"
#include "backup/NotesFixture.h"
#include "backup/PhoneFiles.h"
#include "backup/iphone/PhoneFilesExport.h"
#include "backup/SmsBackupWriter.h"
#include "backup/VCardWriter.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimeZone>

#include <libical/ical.h>

namespace {

const QVariant kNull;
constexpr qint64 kAppleEpoch = 978307200;
const QString kPython = QStringLiteral("/usr/bin/python3");

// Text no reader accepts as it is: control characters, a NUL, and a lone surrogate (last, as
// SQLite pairs one that is followed by anything with what follows).
QString hostile(const QString& aText)
{
    return aText + QChar(0x01) + QChar(0) + QChar(0x1b) + QStringLiteral("!") + QChar(0xD800);
}

// What arrives: the control characters dropped; the lone surrogate comes out of the database
// as U+FFFD (the writers' own handling of one is checked in writersDropWhatReadersRefuse).
QString withoutHostile(const QString& aText)
{
    return aText + QStringLiteral("!") + QChar(0xFFFD);
}

QStringList folderFiles(const QString& aFolder)
{
    return QDir(aFolder).entryList(QDir::Files, QDir::Name);
}

QString smsFile(const QString& aFolder)
{
    const QStringList files = QDir(aFolder).entryList({QStringLiteral("sms-*.xml")}, QDir::Files);
    return files.size() == 1 ? aFolder + QLatin1Char('/') + files.first() : QString();
}

// The cards of a vCard file as vobject reads them; an empty array when it cannot.
QJsonArray readCards(const QString& aPath)
{
    QProcess python;
    python.start(kPython, {TestPaths::sourceDir() + QStringLiteral("/tests/export_phone_files/read_vcards.py"), aPath});
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        qWarning() << "vobject:" << python.readAllStandardError();
        return {};
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).array();
}

// xmllint's verdict on a file: empty when it is well-formed.
QString xmllint(const QString& aPath)
{
    QProcess lint;
    lint.start(QStringLiteral("xmllint"), {QStringLiteral("--noout"), aPath});
    lint.waitForFinished(60000);
    return lint.exitCode() == 0 ? QString() : QString::fromUtf8(lint.readAllStandardError());
}

QStringList strings(const QJsonValue& aArray)
{
    QStringList list;
    for (const QJsonValue& value : aArray.toArray())
        list << value.toString();
    return list;
}

QJsonObject cardNamed(const QJsonArray& aCards, const QString& aFn)
{
    for (const QJsonValue& card : aCards) {
        if (card.toObject().value(QStringLiteral("fn")).toString() == aFn)
            return card.toObject();
    }
    return {};
}

// Seconds since 1970 of a libical time, in the zone its TZID names in aCalendar.
qint64 unixTime(icalproperty* aProperty, icalcomponent* aCalendar)
{
    icaltimetype time = icalproperty_get_dtstart(aProperty);
    if (icalproperty_isa(aProperty) == ICAL_DTEND_PROPERTY)
        time = icalproperty_get_dtend(aProperty);
    icaltimezone* zone = icaltimezone_get_utc_timezone();
    if (icalparameter* tzid = icalproperty_get_first_parameter(aProperty, ICAL_TZID_PARAMETER))
        zone = icalcomponent_get_timezone(aCalendar, icalparameter_get_tzid(tzid));
    return qint64(icaltime_as_timet_with_zone(time, zone));
}

} // namespace

class TestExportPhoneFiles : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir mDir;
    QString path(const QString& aName) const { return mDir.filePath(aName); }

private slots:
    void contactsAsVCards()
    {
        if (!QFileInfo::exists(kPython))
            QSKIP("python3 with vobject is not installed");
        const QString db = path(QStringLiteral("AddressBook.sqlitedb"));
        const QString images = path(QStringLiteral("AddressBookImages.sqlitedb"));
        const QByteArray photo = ExportFixture::jpeg(64, 48);
        {
            AddressBookFixture book(db, AddressBookFixture::Layout::Newer);
            const qint64 anna = book.addPerson({QStringLiteral("Anna"), QStringLiteral("Berg"),
                                                QStringLiteral("Maria"), QStringLiteral("ACME; Sons, Ltd"),
                                                QString::number(Q_INT64_C(-946771200) + 43200)});
            QVERIFY(book.database().exec(
                QStringLiteral("UPDATE ABPerson SET JobTitle=?, Note=?, Nickname=? WHERE ROWID=?"),
                {QStringLiteral("Chief \\ Engineer"), QStringLiteral("line one\nline two"),
                 QStringLiteral("Annie"), anna}));
            book.addMultiValue(anna, 3, QStringLiteral("_$!<Mobile>!$_"), QStringLiteral("+44 7700 900123"));
            book.addMultiValue(anna, 3, QStringLiteral("_$!<Home>!$_"), QStringLiteral("0113 496 0000"));
            book.addMultiValue(anna, 3, QStringLiteral("_$!<Work>!$_"), QStringLiteral("0113 496 0001"));
            book.addMultiValue(anna, 3, QStringLiteral("_$!<Main>!$_"), QStringLiteral("0113 496 0002"));
            book.addMultiValue(anna, 3, QStringLiteral("_$!<WorkFAX>!$_"), QStringLiteral("0113 496 0003"));
            book.addMultiValue(anna, 3, QStringLiteral("_$!<Other>!$_"), QStringLiteral("0113 496 0004"));
            book.addMultiValue(anna, 3, QStringLiteral("Boat; deck"), QStringLiteral("0113 496 0005"));
            book.addMultiValue(anna, 4, QStringLiteral("_$!<Work>!$_"), QStringLiteral("anna@example.org"));
            const qint64 address = book.addMultiValue(anna, 5, QStringLiteral("_$!<Home>!$_"), kNull);
            book.addEntry(address, QStringLiteral("Street"), QStringLiteral("1 High St, Flat 2"));
            book.addEntry(address, QStringLiteral("City"), QStringLiteral("Leeds"));
            book.addEntry(address, QStringLiteral("ZIP"), QStringLiteral("LS1 1AA"));
            book.addEntry(address, QStringLiteral("Country"), QStringLiteral("UK"));
            book.addMultiValue(anna, 22, QStringLiteral("_$!<HomePage>!$_"), QStringLiteral("http://a.example/?x=1;y=2"));

            const qint64 bad = book.addPerson({hostile(QStringLiteral("Zoë 😀")), kNull, kNull, kNull,
                                               QStringLiteral("not a date")});
            QVERIFY(book.database().exec(QStringLiteral("UPDATE ABPerson SET Note=? WHERE ROWID=?"),
                                         {QString(1 << 20, QLatin1Char('n')) + QChar(0), bad}));
            // 1604-03-12 noon UTC: a birthday without a year.
            const qint64 org = book.addPerson({kNull, kNull, kNull, QStringLiteral("Plumbers Inc"),
                                               QStringLiteral("-12521995200")});
            const qint64 number = book.addPerson({kNull, kNull, kNull, kNull, kNull});
            book.addMultiValue(number, 3, kNull, QStringLiteral("+1 555 0100"));
            const qint64 mail = book.addPerson({QStringLiteral(""), kNull, kNull, kNull, kNull});
            book.addMultiValue(mail, 4, QStringLiteral("_$!<Other>!$_"), QStringLiteral("x@example.org"));
            book.addPerson({kNull, kNull, kNull, kNull, kNull});

            QVERIFY(AddressBookFixture::createImages(images, AddressBookFixture::Layout::Newer));
            QVERIFY(AddressBookFixture::addImage(images, AddressBookFixture::Layout::Newer, anna, 0, photo));
            QVERIFY(AddressBookFixture::addImage(images, AddressBookFixture::Layout::Newer, bad, 0,
                                                 QByteArray("\xFF\xD8 not a picture at all")));
            QVERIFY(AddressBookFixture::addImage(images, AddressBookFixture::Layout::Newer, org, 0,
                                                 ExportFixture::png(30, 30, true)));
        }
        const QString plainXml = path(QStringLiteral("plain-address.xml"));
        QCOMPARE(AddressBookExporter({db}, images).generate(plainXml), 0);
        const QString folder = path(QStringLiteral("contacts"));
        AddressBookExporter exporter({db}, images);
        QCOMPARE(PhoneFilesExport(folder).addressBook(exporter, path(QStringLiteral("address.xml"))), 0);
        QCOMPARE(ExportFixture::readFile(path(QStringLiteral("address.xml"))),
                 ExportFixture::readFile(plainXml));
        QCOMPARE(folderFiles(folder), QStringList({PhoneFiles::kReadme, PhoneFiles::kContacts}));
        QVERIFY(QString::fromUtf8(ExportFixture::readFile(folder + "/README.txt")).contains("contacts.vcf"));

        // Lines of at most 75 octets, CR LF ends, no character split across a fold.
        const QByteArray raw = ExportFixture::readFile(folder + "/contacts.vcf");
        QVERIFY(raw.endsWith("\r\n"));
        for (const QByteArray& line : raw.split('\n')) {
            if (line.isEmpty())
                continue;
            QVERIFY2(line.endsWith('\r'), line.left(40).constData());
            QVERIFY2(line.size() - 1 <= 75, line.left(40).constData());
            QCOMPARE(QString::fromUtf8(line).toUtf8(), line);
        }

        const QJsonArray cards = readCards(folder + "/contacts.vcf");
        QCOMPARE(cards.size(), 6);
        const QJsonObject anna = cardNamed(cards, QStringLiteral("Anna Maria Berg"));
        QCOMPARE(strings(anna[QStringLiteral("n")]),
                 QStringList({"Berg", "Anna", "Maria", "", ""}));
        QCOMPARE(anna[QStringLiteral("bday")].toString(), QStringLiteral("1971-01-01"));
        QCOMPARE(anna[QStringLiteral("nickname")].toString(), QStringLiteral("Annie"));
        QCOMPARE(anna[QStringLiteral("title")].toString(), QStringLiteral("Chief \\ Engineer"));
        QCOMPARE(anna[QStringLiteral("note")].toString(), QStringLiteral("line one\nline two"));
        QCOMPARE(strings(anna[QStringLiteral("org")]), QStringList({"ACME; Sons, Ltd"}));
        const QJsonArray tel = anna[QStringLiteral("tel")].toArray();
        QCOMPARE(tel.size(), 7);
        const QList<QPair<QString, QStringList>> phones = {
            {"+44 7700 900123", {"CELL"}}, {"0113 496 0000", {"HOME"}},
            {"0113 496 0001", {"WORK"}},   {"0113 496 0002", {"MAIN"}},
            {"0113 496 0003", {"FAX", "WORK"}}, {"0113 496 0004", {"OTHER"}},
            {"0113 496 0005", {"BOAT DECK"}}};
        for (int i = 0; i < phones.size(); ++i) {
            QCOMPARE(tel.at(i).toArray().at(0).toString(), phones.at(i).first);
            QCOMPARE(strings(tel.at(i).toArray().at(1)), phones.at(i).second);
        }
        QCOMPARE(anna[QStringLiteral("email")].toArray().at(0).toArray().at(0).toString(),
                 QStringLiteral("anna@example.org"));
        QCOMPARE(strings(anna[QStringLiteral("email")].toArray().at(0).toArray().at(1)),
                 QStringList({"INTERNET", "WORK"}));
        QCOMPARE(strings(anna[QStringLiteral("adr")].toArray().at(0)),
                 QStringList({"1 High St, Flat 2", "Leeds", "", "LS1 1AA", "UK", "HOME"}));
        QCOMPARE(strings(anna[QStringLiteral("url")]), QStringList({"http://a.example/?x=1;y=2"}));
        const QJsonArray annaPhoto = anna[QStringLiteral("photo")].toArray();
        QCOMPARE(annaPhoto.at(0).toInt(), photo.size());
        QCOMPARE(strings(annaPhoto.at(2)), QStringList({"JPEG"}));

        // Forbidden characters dropped, the picture that is none left out, the rest kept.
        const QJsonObject bad = cardNamed(cards, withoutHostile(QStringLiteral("Zoë 😀")));
        QVERIFY(!bad.isEmpty());
        QVERIFY(!bad.contains(QStringLiteral("photo")));
        QVERIFY(!bad.contains(QStringLiteral("bday")));
        QCOMPARE(bad[QStringLiteral("note")].toString().size(), 1 << 20);
        // A PNG with transparency becomes a JPEG.
        const QJsonArray orgPhoto = cardNamed(cards, QStringLiteral("Plumbers Inc"))[QStringLiteral("photo")].toArray();
        QCOMPARE(orgPhoto.at(1).toString(), QStringLiteral("ffd8ff"));
        QCOMPARE(cardNamed(cards, QStringLiteral("Plumbers Inc"))[QStringLiteral("bday")].toString(),
                 QStringLiteral("--03-12"));
        // Without a name the card is named after what it has, never left empty.
        QVERIFY(!cardNamed(cards, QStringLiteral("+1 555 0100")).isEmpty());
        QVERIFY(!cardNamed(cards, QStringLiteral("x@example.org")).isEmpty());
        QVERIFY(!cardNamed(cards, QStringLiteral("No name")).isEmpty());
    }

    void messagesAsSmsBackup()
    {
        const QString db = path(QStringLiteral("sms.db"));
        const QString picture = path(QStringLiteral("IMG_1.jpg"));
        QVERIFY(ExportFixture::writeFile(picture, ExportFixture::jpeg(800, 600)));
        const QString broken = path(QStringLiteral("IMG_2.jpg"));
        QVERIFY(ExportFixture::writeFile(broken, "no picture"));
        const qint64 t0 = Q_INT64_C(700000000123456789); // nanoseconds since 2001
        const QString longText = QString(1 << 20, QLatin1Char('x'));
        {
            MessagesFixture sms(db, MessagesFixture::Layout::Newer);
            const qint64 ann = sms.addHandle(QStringLiteral("+4477001"));
            const qint64 bob = sms.addHandle(QStringLiteral("bob@example.org"));
            sms.addMessage(MessagesFixture::NewerMessage{ann, t0, QStringLiteral("Hi & <welcome>\n\"2nd\" line"), 0, 1});
            sms.addMessage(MessagesFixture::NewerMessage{ann, t0 + 1000000000, hostile(QStringLiteral("Réponse 😀")), 1, 0});
            sms.addMessage(MessagesFixture::NewerMessage{ann, t0 + 2000000000, longText, 0, 1});
            const qint64 pictured = sms.addMessage(MessagesFixture::NewerMessage{ann, t0 + 3000000000, QStringLiteral("look"), 0, 1});
            sms.addAttachment(pictured, QStringLiteral("~/Library/SMS/Attachments/IMG_1.jpg"), QStringLiteral("image/jpeg"));
            const qint64 unreadable = sms.addMessage(MessagesFixture::NewerMessage{ann, t0 + 4000000000, QStringLiteral("lost picture"), 0, 1});
            sms.addAttachment(unreadable, QStringLiteral("~/Library/SMS/Attachments/IMG_2.jpg"), QStringLiteral("image/jpeg"));
            const qint64 chat = sms.addChat(QStringLiteral("chat1"), {ann, bob});
            const qint64 fromBob = sms.addMessage(MessagesFixture::NewerMessage{bob, t0 + 5000000000, QStringLiteral("group hello"), 0, 1});
            sms.addToChat(chat, fromBob);
            const qint64 toGroup = sms.addMessage(MessagesFixture::NewerMessage{0, t0 + 6000000000, QStringLiteral("group reply"), 1, 1});
            sms.addToChat(chat, toGroup);
        }
        const QHash<QString, QString> files = {
            {QStringLiteral("Library/SMS/Attachments/IMG_1.jpg"), picture},
            {QStringLiteral("Library/SMS/Attachments/IMG_2.jpg"), broken}};
        // The address book names the correspondent it knows, whatever the number's spacing.
        const QString book = path(QStringLiteral("names.sqlitedb"));
        {
            AddressBookFixture names(book, AddressBookFixture::Layout::Newer);
            const qint64 person = names.addPerson({QStringLiteral("Ann"), QStringLiteral("Lee"), kNull, kNull, kNull});
            names.addMultiValue(person, 3, QStringLiteral("_$!<Mobile>!$_"), QStringLiteral("+44 (77) 001"));
        }
        const QString plainXml = path(QStringLiteral("plain-messages.xml"));
        QCOMPARE(MessagesExporter({db}, files).generate(plainXml), 0);
        const QString folder = path(QStringLiteral("messages"));
        MessagesExporter exporter({db}, files);
        QCOMPARE(PhoneFilesExport(folder).messages(exporter, path(QStringLiteral("messages.xml")), {book}), 0);
        QCOMPARE(ExportFixture::readFile(path(QStringLiteral("messages.xml"))),
                 ExportFixture::readFile(plainXml));

        const QString file = smsFile(folder);
        QVERIFY(PhoneFiles::isSmsFileName(QFileInfo(file).fileName()));
        QCOMPARE(xmllint(file), QString());
        QDomDocument document;
        QFile input(file);
        QVERIFY(input.open(QIODevice::ReadOnly));
        QVERIFY(document.setContent(&input));
        const QDomElement root = document.documentElement();
        QCOMPARE(root.tagName(), QStringLiteral("smses"));
        QCOMPARE(root.attribute(QStringLiteral("count")).toInt(), 7);
        QCOMPARE(root.childNodes().count(), 7);

        const qint64 ms0 = kAppleEpoch * 1000 + t0 / 1000000;
        const QDomNodeList sms = root.elementsByTagName(QStringLiteral("sms"));
        QCOMPARE(sms.count(), 4);
        const QStringList required = {"protocol", "address", "date", "type", "subject", "body", "toa",
                                      "sc_toa", "service_center", "read", "status", "locked",
                                      "date_sent", "readable_date"};
        for (int i = 0; i < sms.count(); ++i) {
            for (const QString& name : required)
                QVERIFY2(sms.at(i).toElement().hasAttribute(name), qPrintable(name));
        }
        const QDomElement first = sms.at(0).toElement();
        QCOMPARE(first.attribute("address"), QStringLiteral("+4477001"));
        QCOMPARE(first.attribute("date").toLongLong(), ms0);
        QCOMPARE(first.attribute("type"), QStringLiteral("1"));
        QCOMPARE(first.attribute("body"), QStringLiteral("Hi & <welcome>\n\"2nd\" line"));
        QCOMPARE(first.attribute("read"), QStringLiteral("1"));
        QCOMPARE(first.attribute("status"), QStringLiteral("-1"));
        QCOMPARE(first.attribute("toa"), QStringLiteral("null"));
        QCOMPARE(first.attribute("contact_name"), QStringLiteral("Ann Lee"));
        QCOMPARE(first.attribute("readable_date"),
                 QLocale::c().toString(QDateTime::fromMSecsSinceEpoch(ms0),
                                       QStringLiteral("MMM d, yyyy h:mm:ss AP")));
        const QDomElement second = sms.at(1).toElement();
        QCOMPARE(second.attribute("type"), QStringLiteral("2"));
        QCOMPARE(second.attribute("read"), QStringLiteral("0"));
        QCOMPARE(second.attribute("body"), withoutHostile(QStringLiteral("Réponse 😀")));
        QCOMPARE(sms.at(2).toElement().attribute("body"), longText);
        // The picture that cannot be decoded is left out; its words still arrive.
        QCOMPARE(sms.at(3).toElement().attribute("body"), QStringLiteral("lost picture"));

        const QDomNodeList mms = root.elementsByTagName(QStringLiteral("mms"));
        QCOMPARE(mms.count(), 3);
        const QDomElement pictured = mms.at(0).toElement();
        QCOMPARE(pictured.attribute("msg_box"), QStringLiteral("1"));
        QCOMPARE(pictured.attribute("date").toLongLong(), ms0 + 3000);
        const QDomNodeList parts = pictured.elementsByTagName(QStringLiteral("part"));
        QCOMPARE(parts.count(), 2);
        QCOMPARE(parts.at(0).toElement().attribute("ct"), QStringLiteral("text/plain"));
        QCOMPARE(parts.at(0).toElement().attribute("text"), QStringLiteral("look"));
        QCOMPARE(parts.at(1).toElement().attribute("ct"), QStringLiteral("image/jpeg"));
        const QImage image = QImage::fromData(
            QByteArray::fromBase64(parts.at(1).toElement().attribute("data").toLatin1()), "JPEG");
        QCOMPARE(image.width(), 400);

        // Group messages: every participant, the sender 137, the recipients 151.
        const auto addrs = [](const QDomElement& aMms) {
            QStringList list;
            const QDomNodeList nodes = aMms.elementsByTagName(QStringLiteral("addr"));
            for (int i = 0; i < nodes.count(); ++i)
                list << nodes.at(i).toElement().attribute("address") + u'/'
                            + nodes.at(i).toElement().attribute("type");
            return list;
        };
        const QDomElement received = mms.at(1).toElement();
        QCOMPARE(received.attribute("msg_box"), QStringLiteral("1"));
        QVERIFY(!received.hasAttribute("contact_name"));
        QCOMPARE(received.attribute("address"), QStringLiteral("+4477001~bob@example.org"));
        QCOMPARE(addrs(received), QStringList({"bob@example.org/137", "+4477001/151"}));
        const QDomElement sent = mms.at(2).toElement();
        QCOMPARE(sent.attribute("msg_box"), QStringLiteral("2"));
        QCOMPARE(addrs(sent), QStringList({"insert-address-token/137", "+4477001/151",
                                           "bob@example.org/151"}));
    }

    void calendarReadBackWithLibical()
    {
        const QString db = path(QStringLiteral("Calendar.sqlitedb"));
        // 2024-03-10 09:30 in Berlin (08:30 UTC), stored from 2001.
        const qint64 berlin = Q_INT64_C(1710059400) - kAppleEpoch;
        {
            CalendarFixture cal(db, CalendarFixture::Layout::Newer);
            const qint64 meeting = cal.addEvent({QStringLiteral("Team, weekly; planning"), QStringLiteral("Room 1"),
                                                 QStringLiteral("Agenda:\nitems"), berlin, berlin + 3600,
                                                 QStringLiteral("Europe/Berlin"), 0, QStringLiteral("http://x.example")});
            cal.addRecurrence(meeting, 2, 2, berlin + 86400 * 70);
            cal.addAlarm(meeting, -900);
            cal.addAlarm(meeting, -3600);
            // An all-day event on 2024-03-12, stored floating at midnight with the end at 23:59:59.
            const qint64 day = Q_INT64_C(1710201600) - kAppleEpoch;
            cal.addEvent({QStringLiteral("Holiday"), kNull, kNull, day, day + 86399,
                          QStringLiteral("_float"), 1, kNull});
            cal.addEvent({QStringLiteral("Alarm clock"), kNull, kNull, berlin, berlin, QStringLiteral("_float"), 0, kNull});
            cal.addEvent({hostile(QStringLiteral("Mars")), kNull, kNull, berlin, berlin + 60,
                          QStringLiteral("Mars/Olympus"), 0, kNull});
        }
        const QString plainXml = path(QStringLiteral("plain-calendar.xml"));
        QCOMPARE(CalendarExporter({db}).generate(plainXml), 0);
        const QString folder = path(QStringLiteral("calendar"));
        CalendarExporter exporter({db});
        QCOMPARE(PhoneFilesExport(folder).calendar(exporter, path(QStringLiteral("calendar.xml"))), 0);
        QCOMPARE(ExportFixture::readFile(path(QStringLiteral("calendar.xml"))),
                 ExportFixture::readFile(plainXml));

        const QByteArray ics = ExportFixture::readFile(folder + "/calendar.ics");
        icalcomponent* calendar = icalparser_parse_string(ics.constData());
        QVERIFY(calendar);
        QCOMPARE(icalcomponent_count_errors(calendar), 0);
        QList<icalcomponent*> events;
        QSet<QString> uids;
        for (icalcomponent* e = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT); e;
             e = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT)) {
            events << e;
            uids << QString::fromUtf8(icalcomponent_get_uid(e));
            QVERIFY(icalcomponent_get_first_property(e, ICAL_DTSTAMP_PROPERTY));
        }
        QCOMPARE(events.size(), 4);
        QCOMPARE(uids.size(), 4);

        icalcomponent* meeting = events.at(0);
        QCOMPARE(QString::fromUtf8(icalcomponent_get_summary(meeting)), QStringLiteral("Team, weekly; planning"));
        QCOMPARE(QString::fromUtf8(icalcomponent_get_location(meeting)), QStringLiteral("Room 1"));
        QCOMPARE(QString::fromUtf8(icalcomponent_get_description(meeting)), QStringLiteral("Agenda:\nitems"));
        icalproperty* start = icalcomponent_get_first_property(meeting, ICAL_DTSTART_PROPERTY);
        QCOMPARE(QString::fromUtf8(icalparameter_get_tzid(
                     icalproperty_get_first_parameter(start, ICAL_TZID_PARAMETER))),
                 QStringLiteral("Europe/Berlin"));
        QCOMPARE(icalproperty_get_dtstart(start).hour, 9);
        QCOMPARE(unixTime(start, calendar), berlin + kAppleEpoch);
        QCOMPARE(unixTime(icalcomponent_get_first_property(meeting, ICAL_DTEND_PROPERTY), calendar),
                 berlin + kAppleEpoch + 3600);
        const icalrecurrencetype rule =
            icalproperty_get_rrule(icalcomponent_get_first_property(meeting, ICAL_RRULE_PROPERTY));
        QCOMPARE(int(rule.freq), int(ICAL_WEEKLY_RECURRENCE));
        QCOMPARE(int(rule.interval), 2);
        QCOMPARE(qint64(icaltime_as_timet(rule.until)), berlin + kAppleEpoch + 86400 * 70);
        QList<int> triggers;
        for (icalcomponent* a = icalcomponent_get_first_component(meeting, ICAL_VALARM_COMPONENT); a;
             a = icalcomponent_get_next_component(meeting, ICAL_VALARM_COMPONENT))
            triggers << icaldurationtype_as_int(
                icalproperty_get_trigger(icalcomponent_get_first_property(a, ICAL_TRIGGER_PROPERTY)).duration);
        QCOMPARE(triggers, QList<int>({-900, -3600}));

        const icaltimetype holidayStart = icalcomponent_get_dtstart(events.at(1));
        const icaltimetype holidayEnd = icalcomponent_get_dtend(events.at(1));
        QVERIFY(holidayStart.is_date);
        QCOMPARE(QDate(holidayStart.year, holidayStart.month, holidayStart.day), QDate(2024, 3, 12));
        QCOMPARE(QDate(holidayEnd.year, holidayEnd.month, holidayEnd.day), QDate(2024, 3, 13));
        // A floating time keeps its clock; an unknown zone is written in UTC.
        const icaltimetype floating = icalcomponent_get_dtstart(events.at(2));
        QVERIFY(!icaltime_is_utc(floating) && !floating.zone);
        QCOMPARE(floating.hour, 8);
        QVERIFY(icaltime_is_utc(icalcomponent_get_dtstart(events.at(3))));
        QCOMPARE(QString::fromUtf8(icalcomponent_get_summary(events.at(3))), withoutHostile(QStringLiteral("Mars")));
        icalcomponent_free(calendar);
    }

    void notesAsTextFiles()
    {
        const QString db = path(QStringLiteral("notes.db"));
        const QString longTitle = QString(300, QChar(0x00E9)); // 600 bytes
        {
            NotesFixture notes(db, NotesFixture::Layout::Older);
            notes.addNote({QStringLiteral("Shopping/List"), kNull,
                           QStringLiteral("Shopping/List<div>milk &amp; eggs</div><div><br></div><div>bread</div>"),
                           100, 200});
            notes.addNote({QStringLiteral(".hidden"), kNull, QStringLiteral("dot"), 100, kNull});
            notes.addNote({QStringLiteral("Same"), kNull, QStringLiteral("one"), 100, 100});
            notes.addNote({QStringLiteral("same"), kNull, QStringLiteral("two"), 100, 100});
            notes.addNote({hostile(QStringLiteral("Tab\tTitle")), kNull, QStringLiteral("t"), 100, 100});
            notes.addNote({longTitle, kNull, QStringLiteral("long"), 100, 100});
            notes.addNote({kNull, kNull, QStringLiteral("<div>First line</div>rest"), 100, 100});
        }
        const QString folder = path(QStringLiteral("notes-export"));
        NotesExporter exporter({db});
        QCOMPARE(PhoneFilesExport(folder).notes(exporter, path(QStringLiteral("notes.xml"))), 0);
        const QString notes = folder + QLatin1Char('/') + PhoneFiles::kNotesFolder;
        const QStringList names = folderFiles(notes);
        QCOMPARE(names.size(), 7);
        QVERIFY(names.contains(QStringLiteral("Shopping_List.txt")));
        QVERIFY(names.contains(QStringLiteral("hidden.txt")));
        QVERIFY(names.contains(QStringLiteral("Same.txt")));
        QVERIFY(names.contains(QStringLiteral("same (2).txt")));
        QVERIFY(names.contains(withoutHostile(QStringLiteral("Tab Title")) + ".txt"));
        QVERIFY(names.contains(QStringLiteral("First line.txt")));
        for (const QString& name : names)
            QVERIFY2(name.toUtf8().size() <= 255, qPrintable(name));
        QCOMPARE(ExportFixture::readFile(notes + "/Shopping_List.txt"),
                 QByteArray("Shopping/List\nmilk & eggs\n\nbread"));
        QCOMPARE(QFileInfo(notes + "/Shopping_List.txt").lastModified().toSecsSinceEpoch(),
                 kAppleEpoch + 200);
        QCOMPARE(QFileInfo(notes + "/hidden.txt").lastModified().toSecsSinceEpoch(), kAppleEpoch + 100);
        QCOMPARE(ExportFixture::readFile(notes + "/same (2).txt"), QByteArray("two"));
        QVERIFY(QString::fromUtf8(ExportFixture::readFile(folder + "/README.txt")).contains("notes"));
    }

    void blackberryGivesCardsAndMessages()
    {
        if (!QFileInfo::exists(kPython))
            QSKIP("python3 with vobject is not installed");
        IpdBuilder ipd({QStringLiteral("SMS Messages"), QStringLiteral("Address Book - All")});
        ipd.record(0, IpdBuilder::sms(0, "+4477", QStringLiteral("sent from the BlackBerry"), 1300000000123ULL));
        ipd.record(0, IpdBuilder::sms(1, "+4488", QStringLiteral("received"), 1300000001000ULL));
        ipd.record(1, {{10, IpdBuilder::textSubfield(32, QStringLiteral("Bea")) + IpdBuilder::textSubfield(32, QStringLiteral("Ray"))
                                + IpdBuilder::textSubfield(8, QStringLiteral("+4499")) + IpdBuilder::textSubfield(61, QStringLiteral("2 Low Rd"))}});
        ipd.record(1, {{10, IpdBuilder::textSubfield(33, QStringLiteral("Only Org"))}});
        const QString backup = path(QStringLiteral("bb.ipd"));
        QVERIFY(ipd.write(backup));
        const QString working = path(QStringLiteral("bb-work/"));
        const QString folder = path(QStringLiteral("bb-phone"));
        BlackBerryReader::readBlackBerryBackup(backup, working,
                                               BlackBerryReader::kMessages | BlackBerryReader::kAddressBook,
                                               folder);
        QVERIFY(QFileInfo::exists(working + "messages.xml"));
        const QJsonArray cards = readCards(folder + "/contacts.vcf");
        QCOMPARE(cards.size(), 2);
        const QJsonObject bea = cardNamed(cards, QStringLiteral("Bea Ray"));
        QCOMPARE(bea[QStringLiteral("tel")].toArray().at(0).toArray().at(0).toString(), QStringLiteral("+4499"));
        QCOMPARE(strings(bea[QStringLiteral("tel")].toArray().at(0).toArray().at(1)), QStringList({"CELL"}));
        QCOMPARE(strings(bea[QStringLiteral("adr")].toArray().at(0)), QStringList({"2 Low Rd", "", "", "", "", "HOME"}));
        QVERIFY(!cardNamed(cards, QStringLiteral("Only Org")).isEmpty());

        const QString file = smsFile(folder);
        QCOMPARE(xmllint(file), QString());
        QDomDocument document;
        QFile input(file);
        QVERIFY(input.open(QIODevice::ReadOnly));
        QVERIFY(document.setContent(&input));
        const QDomNodeList sms = document.documentElement().elementsByTagName(QStringLiteral("sms"));
        QCOMPARE(sms.count(), 2);
        QCOMPARE(sms.at(0).toElement().attribute("type"), QStringLiteral("2"));
        QCOMPARE(sms.at(0).toElement().attribute("date"), QStringLiteral("1300000000123"));
        QCOMPARE(sms.at(0).toElement().attribute("address"), QStringLiteral("+4477"));
        QCOMPARE(sms.at(1).toElement().attribute("type"), QStringLiteral("1"));
        QCOMPARE(sms.at(1).toElement().attribute("body"), QStringLiteral("received"));

        // Only what the transfer asks for.
        const QString messagesOnly = path(QStringLiteral("bb-messages"));
        BlackBerryReader::readBlackBerryBackup(backup, path(QStringLiteral("bb-work2/")),
                                               BlackBerryReader::kMessages, messagesOnly);
        QVERIFY(!QFileInfo::exists(messagesOnly + "/contacts.vcf"));
        QVERIFY(!smsFile(messagesOnly).isEmpty());
    }

    void writersDropWhatReadersRefuse()
    {
        const QString lone = QStringLiteral("a") + QChar(0xDC00) + QChar(0xD800) + QStringLiteral("b")
                             + QChar(0xD83D) + QChar(0xDE00) + QChar(0xFFFE) + QChar(0x7);
        QCOMPARE(VCardWriter::escape(lone), QStringLiteral("ab😀"));
        QCOMPARE(SmsBackupWriter::attribute(lone + QStringLiteral("\t<&\"\n")),
                 QString(QStringLiteral("ab😀&#9;&lt;&amp;&quot;&#10;")).toUtf8());
    }

    void vcardFoldsWithinCharacters()
    {
        // 74 ASCII octets then a four-octet character: the fold goes before it, not inside.
        const QByteArray line = QByteArray(74, 'a') + QString::fromUtf8("😀b").toUtf8();
        const QByteArray folded = VCardWriter::fold(line);
        QCOMPARE(folded, QByteArray(74, 'a') + "\r\n " + QString::fromUtf8("😀b").toUtf8() + "\r\n");
        QCOMPARE(VCardWriter::escape(QStringLiteral("a\\b,c;d\r\ne\tf") + QChar(0)),
                 QStringLiteral("a\\\\b\\,c\\;d\\ne f"));
    }
};

PELLMAR_TEST_MAIN_GUI(TestExportPhoneFiles)
#include "test_export_phone_files.moc"
