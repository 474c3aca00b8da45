// Times the address book and messages exporters against sqlite3 -json dumping the same rows, the
// picture path of the messages exporter, the same messages with their words only in archived
// strings against the plain ones, a notes store of 10,000 notes (in a process of its own, so
// that its peak memory is its own), and the files for a stock phone against the companion app's
// documents of the same rows: the SMS Backup & Restore file of the 100,000 messages against
// messages.xml, and the vCard file of 10,000 contacts against address.xml. Prints one TARGET
// line per goal.
#include "app/AppPaths.h"
#include "BenchSupport.h"
#include "app/DebugLog.h"
#include "backup/AddressBookFixture.h"
#include "backup/iphone/AppleExtractor.h"
#include "backup/ExportFixtureDatabase.h"
#include "backup/ExportResult.h"
#include "backup/iphone/AddressBookExporter.h"
#include "backup/iphone/MessagesExporter.h"
#include "backup/MessagesFixture.h"
#include "backup/NoteStoreFixture.h"
#include "backup/SmsBackupWriter.h"
#include "backup/VCardWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace BenchSupport;

namespace {

constexpr int kMessages = 100000;
constexpr int kPersons = 5000;
constexpr int kCards = 10000;
constexpr int kPictureMessages = 200;
constexpr int kNotes = 10000;
constexpr int kNoteBytes = 2048;
// The fastest of several runs: other work on the machine only ever adds time.
constexpr int kRuns = 5;

const QString kMessageRows = QStringLiteral(
    "SELECT * FROM message LEFT JOIN handle ON message.handle_id=handle.ROWID;"
    "SELECT * FROM message_attachment_join LEFT OUTER JOIN attachment "
    "ON message_attachment_join.attachment_id=attachment.ROWID;");
const QString kAddressRows = QStringLiteral(
    "SELECT * FROM ABPerson;"
    "SELECT *, ABMultiValueLabel.value AS label_value FROM ABMultiValue LEFT OUTER JOIN "
    "ABMultiValueLabel ON ABMultiValue.label=ABMultiValueLabel.rowid;"
    "SELECT *, ABMultiValueEntryKey.value AS key_value FROM ABMultiValueEntry LEFT OUTER JOIN "
    "ABMultiValueEntryKey ON ABMultiValueEntry.key=ABMultiValueEntryKey.rowid;"
    "SELECT * FROM images.ABThumbnailImage WHERE format='0';");


// aArchived: the words only in attributedBody, as later phones keep them.
bool buildMessages(const QString& aPath, bool aArchived)
{
    MessagesFixture sms(aPath, MessagesFixture::Layout::Newer);
    QRandomGenerator gen(11);
    sms.database().begin();
    QList<qint64> handles;
    for (int i = 0; i < 300; ++i)
        handles << sms.addHandle(QStringLiteral("+4477009%1").arg(i, 5, 10, QLatin1Char('0')));
    // Dates of a later phone: nanoseconds since 2001.
    qint64 date = Q_INT64_C(600000000) * 1000000000;
    for (int i = 0; i < kMessages; ++i) {
        date += qint64(gen.bounded(3600)) * 1000000000;
        QString text = words(gen, 1, 30);
        if (i % 50 == 0)
            text += QStringLiteral("\nsecond line");
        const qint64 handle = handles.at(gen.bounded(handles.size()));
        const int fromMe = int(gen.bounded(2));
        if (aArchived)
            sms.addMessage(MessagesFixture::NewerMessage{handle, date, QVariant(), fromMe, 1,
                                                         MessagesFixture::attributedBody(text)});
        else
            sms.addMessage(MessagesFixture::NewerMessage{handle, date, text, fromMe, 1});
    }
    sms.database().commit();
    return sms.isOk();
}

bool buildNoteStore(const QString& aPath)
{
    NoteStoreFixture store(aPath, NoteStoreFixture::Version::Ios16);
    QRandomGenerator gen(17);
    store.database().begin();
    for (int i = 0; i < kNotes; ++i) {
        QString text = QStringLiteral("Note %1\n").arg(i);
        while (text.toUtf8().size() < kNoteBytes)
            text += words(gen, 5, 15) + QLatin1Char('\n');
        store.addNote({QStringLiteral("Note %1").arg(i), text.left(60), text,
                       600000000.0 + i, 600000500.0 + i});
    }
    store.database().commit();
    return store.isOk();
}

// The notes export alone, run as "export_bench notes DB OUT" in a child process.
int notesChild(const QString& aDatabase, const QString& aOutput)
{
    AppleExtractor extractor;
    extractor.mNotesDatabases << aDatabase;
    return extractor.generateNotesXML(QString(), aOutput) == ExportResult::Ok ? 0 : 1;
}

bool buildAddressBook(const QString& aPath, const QString& aImages, int aPersons = kPersons)
{
    AddressBookFixture book(aPath, AddressBookFixture::Layout::Newer);
    QRandomGenerator gen(5);
    const QByteArray thumbnail = ExportFixture::jpeg(120, 120);
    QList<qint64> withPicture;
    book.database().begin();
    for (int i = 0; i < aPersons; ++i) {
        const qint64 person = book.addPerson(
            {QStringLiteral("First%1").arg(i), QStringLiteral("Last%1").arg(i),
             i % 7 ? QVariant() : QVariant(QStringLiteral("M")),
             i % 3 ? QVariant() : QVariant(QStringLiteral("Company %1").arg(i % 100)),
             i % 4 ? QVariant() : QVariant(QString::number(-300000000 + int(gen.bounded(600000000))))});
        book.addMultiValue(person, 3, QStringLiteral("_$!<Mobile>!$_"),
                           QStringLiteral("+44 7700 %1").arg(i, 6, 10, QLatin1Char('0')));
        book.addMultiValue(person, 3, QStringLiteral("_$!<Home>!$_"),
                           QStringLiteral("0113 %1").arg(i, 6, 10, QLatin1Char('0')));
        book.addMultiValue(person, 4, QStringLiteral("_$!<Work>!$_"),
                           QStringLiteral("person%1@example.org").arg(i));
        if (i % 5 == 0) {
            const qint64 address = book.addMultiValue(person, 5, QStringLiteral("_$!<Home>!$_"), QVariant());
            book.addEntry(address, QStringLiteral("Street"), QStringLiteral("%1 High Street").arg(i));
            book.addEntry(address, QStringLiteral("City"), QStringLiteral("Leeds"));
            book.addEntry(address, QStringLiteral("ZIP"), QStringLiteral("LS%1").arg(i % 30));
            book.addEntry(address, QStringLiteral("CountryCode"), QStringLiteral("gb"));
        }
        if (i % 10 == 0)
            withPicture << person;
    }
    book.database().commit();
    if (!AddressBookFixture::createImages(aImages, AddressBookFixture::Layout::Newer))
        return false;
    ExportFixtureDatabase images(aImages);
    images.begin();
    for (qint64 person : withPicture)
        images.exec(QStringLiteral("INSERT INTO ABThumbnailImage (record_id, format, data) VALUES (?, 0, ?)"),
                    {person, thumbnail});
    images.commit();
    return book.isOk();
}

bool buildPictureMessages(const QString& aFolder, const QString& aPath, AppleExtractor& aExtractor)
{
    MessagesFixture sms(aPath, MessagesFixture::Layout::Newer);
    const qint64 handle = sms.addHandle(QStringLiteral("+1555"));
    const QColor colors[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::cyan};
    QList<QByteArray> pictures;
    for (const QColor& c : colors)
        pictures << ExportFixture::jpeg(1600, 1200, c);
    sms.database().begin();
    for (int i = 0; i < kPictureMessages; ++i) {
        const qint64 message = sms.addMessage(MessagesFixture::NewerMessage{handle, i, QString(QChar(0xFFFC)), 1, 1});
        const QString key = QStringLiteral("Library/SMS/Attachments/%1/IMG_%2.JPG").arg(i % 16).arg(i);
        const QString file = aFolder + QStringLiteral("/IMG_%1.JPG").arg(i);
        if (!ExportFixture::writeFile(file, pictures.at(i % pictures.size())))
            return false;
        sms.addAttachment(message, QStringLiteral("~/") + key, QStringLiteral("image/jpeg"));
        aExtractor.mMessageFiles.insert(key, file);
    }
    sms.database().commit();
    return sms.isOk();
}


bool sqliteDump(const QString& aDatabase, const QString& aSql, const QString& aOutput,
                const QString& aAttachImages = QString())
{
    QProcess process;
    process.setStandardOutputFile(aOutput);
    QStringList args{QStringLiteral("-json"), QStringLiteral("-readonly")};
    if (!aAttachImages.isEmpty())
        args << QStringLiteral("-cmd")
             << QStringLiteral("ATTACH DATABASE '%1' AS images").arg(aAttachImages);
    args << aDatabase << aSql;
    process.start(QStringLiteral("sqlite3"), args);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit
           && process.exitCode() == 0;
}


} // namespace

int main(int argc, char** argv)
{
    BenchSupport::restartWithoutTraceLog(argv, "EXPORT_BENCH_CHILD");
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "notes") == 0)
        return notesChild(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    QTemporaryDir dir;
    AppPaths::setApplicationDataPath(dir.path());
    const QString sms = dir.filePath(QStringLiteral("sms.db"));
    const QString book = dir.filePath(QStringLiteral("AddressBook.sqlitedb"));
    const QString images = dir.filePath(QStringLiteral("AddressBookImages.sqlitedb"));
    const QString pictureSms = dir.filePath(QStringLiteral("pictures-sms.db"));
    const QString archivedSms = dir.filePath(QStringLiteral("archived-sms.db"));
    const QString noteStore = dir.filePath(QStringLiteral("NoteStore.sqlite"));
    const QString cardBook = dir.filePath(QStringLiteral("Cards.sqlitedb"));
    const QString cardImages = dir.filePath(QStringLiteral("CardImages.sqlitedb"));
    QDir().mkpath(dir.filePath(QStringLiteral("attachments")));

    std::printf("building %d messages (twice), %d persons, %d picture messages, %d notes...\n",
                kMessages, kPersons, kPictureMessages, kNotes);
    std::fflush(stdout);
    AppleExtractor extractor;
    AppleExtractor pictureExtractor;
    if (!buildMessages(sms, false) || !buildMessages(archivedSms, true)
        || !buildNoteStore(noteStore) || !buildAddressBook(book, images)
        || !buildAddressBook(cardBook, cardImages, kCards)
        || !buildPictureMessages(dir.filePath(QStringLiteral("attachments")), pictureSms,
                                 pictureExtractor)) {
        std::fprintf(stderr, "could not build the databases\n");
        return 1;
    }
    extractor.mSmsDatabases << sms;
    extractor.mAddressBookDatabases << book;
    extractor.mAddressBookImagesDatabase = images;
    pictureExtractor.mSmsDatabases << pictureSms;

    const QString out = dir.filePath(QStringLiteral("out.xml"));
    const QString dump = dir.filePath(QStringLiteral("dump.json"));
    const double messages = timeIt(kRuns, [&] {
        return extractor.generateMessagesXML(dir.path(), out) == ExportResult::Ok;
    });
    const qint64 messagesSize = QFileInfo(out).size();
    const QByteArray plainDocument = ExportFixture::readFile(out);
    AppleExtractor archivedExtractor;
    archivedExtractor.mSmsDatabases << archivedSms;
    const double archived = timeIt(kRuns, [&] {
        return archivedExtractor.generateMessagesXML(dir.path(), out) == ExportResult::Ok;
    });
    // The same words must arrive either way.
    const bool sameDocument = ExportFixture::readFile(out) == plainDocument;

    QList<double> noteTimes;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (QProcess::execute(QCoreApplication::applicationFilePath(),
                              {QStringLiteral("notes"), noteStore, out}) != 0) {
            noteTimes.clear();
            break;
        }
        noteTimes << timer.nsecsElapsed() / 1e9;
    }
    const double notes = noteTimes.isEmpty() ? -1 : *std::min_element(noteTimes.begin(), noteTimes.end());
    const int notesWritten = QString::fromUtf8(ExportFixture::readFile(out)).count(QStringLiteral("<note>"));
    struct rusage children {};
    getrusage(RUSAGE_CHILDREN, &children);
    const double notesPeakMb = children.ru_maxrss / 1024.0;
    const double messagesDump = timeIt(kRuns, [&] { return sqliteDump(sms, kMessageRows, dump); });
    const qint64 messagesDumpSize = QFileInfo(dump).size();
    const double addressBook = timeIt(kRuns, [&] {
        return extractor.generateAddressBookXML(dir.path(), out) == ExportResult::Ok;
    });
    const qint64 addressSize = QFileInfo(out).size();
    const double addressDump =
        timeIt(kRuns, [&] { return sqliteDump(book, kAddressRows, dump, images); });
    const qint64 addressDumpSize = QFileInfo(dump).size();
    const double pictures = timeIt(1, [&] {
        return pictureExtractor.generateMessagesXML(dir.path(), out) == ExportResult::Ok;
    });
    const int attachments = QString::fromUtf8(ExportFixture::readFile(out))
                                .count(QStringLiteral("<attachment "));

    // The files for a stock phone, each alone, against the companion app's document alone.
    const QString phoneFile = dir.filePath(QStringLiteral("phone-file"));
    int smsWritten = 0;
    const double smsFile = timeIt(kRuns, [&] {
        SmsBackupWriter writer(phoneFile);
        MessagesExporter exporter(extractor.mSmsDatabases, extractor.mMessageFiles);
        exporter.setSmsWriter(&writer);
        const bool ok = writer.open() && exporter.generate(QString()) == ExportResult::Ok;
        smsWritten = writer.count();
        return writer.finish() && ok;
    });
    const qint64 smsSize = QFileInfo(phoneFile).size();
    const double addressXml = timeIt(kRuns, [&] {
        return AddressBookExporter({cardBook}, cardImages).generate(out) == ExportResult::Ok;
    });
    const qint64 addressXmlSize = QFileInfo(out).size();
    int cardsWritten = 0;
    const double vcards = timeIt(kRuns, [&] {
        VCardWriter writer(phoneFile);
        AddressBookExporter exporter({cardBook}, cardImages);
        exporter.setCardWriter(&writer);
        const bool ok = writer.open() && exporter.generate(QString()) == ExportResult::Ok;
        cardsWritten = writer.count();
        return writer.finish() && ok;
    });
    const qint64 vcardSize = QFileInfo(phoneFile).size();

    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const double peakMb = usage.ru_maxrss / 1024.0;

    std::printf("messages export       %.3f s (%lld bytes)\n", messages, messagesSize);
    std::printf("messages sqlite3 -json %.3f s (%lld bytes)\n", messagesDump, messagesDumpSize);
    std::printf("address book export   %.3f s (%lld bytes)\n", addressBook, addressSize);
    std::printf("address sqlite3 -json %.3f s (%lld bytes)\n", addressDump, addressDumpSize);
    std::printf("picture messages      %.3f s, %d attachments written\n", pictures, attachments);
    std::printf("archived messages     %.3f s (%s document as from text)\n", archived,
                sameDocument ? "same" : "DIFFERENT");
    std::printf("notes store export    %.3f s for %d notes of %d bytes (process start included), "
                "peak %.1f MB\n", notes, notesWritten, kNoteBytes, notesPeakMb);
    std::printf("sms backup file       %.3f s (%d messages, %lld bytes)\n", smsFile, smsWritten,
                smsSize);
    std::printf("address.xml %5d      %.3f s (%lld bytes)\n", kCards, addressXml, addressXmlSize);
    std::printf("contacts.vcf %5d     %.3f s (%d cards, %lld bytes)\n", kCards, vcards,
                cardsWritten, vcardSize);

    const bool measured = messages > 0 && messagesDump > 0 && addressBook > 0 && addressDump > 0
                          && pictures > 0;
    const double messagesRatio = measured ? messages / messagesDump : 999;
    const double addressRatio = measured ? addressBook / addressDump : 999;
    const double perSecond = measured && attachments == kPictureMessages ? attachments / pictures : 0;
    target("messages_vs_sqlite3", messagesRatio, 3.0, measured && messagesRatio <= 3.0);
    target("addressbook_vs_sqlite3", addressRatio, 3.0, measured && addressRatio <= 3.0);
    target("export_peak_memory_mb", peakMb, 300, peakMb <= 300);
    target("pictures_per_second", perSecond, 20, perSecond >= 20);
    const double archivedRatio = measured && archived > 0 && sameDocument ? archived / messages : 999;
    target("archived_messages_vs_text", archivedRatio, 1.5, archivedRatio <= 1.5);
    const bool notesOk = notes > 0 && notesWritten == kNotes;
    target("notestore_10000_notes_s", notesOk ? notes : 999, 1, notesOk && notes < 1);
    target("notestore_peak_memory_mb", notesPeakMb, 300, notesOk && notesPeakMb < 300);
    const bool smsOk = smsFile > 0 && messages > 0 && smsWritten == kMessages;
    const double smsRatio = smsOk ? smsFile / messages : 999;
    target("sms_file_vs_messages_xml", smsRatio, 1.5, smsOk && smsRatio <= 1.5);
    const bool cardsOk = vcards > 0 && addressXml > 0 && cardsWritten == kCards;
    const double cardRatio = cardsOk ? vcards / addressXml : 999;
    target("vcard_vs_address_xml", cardRatio, 1.5, cardsOk && cardRatio <= 1.5);
    return 0;
}
