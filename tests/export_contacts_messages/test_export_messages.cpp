#include "TestMain.h"
#include "TestPaths.h"
#include "app/AppPaths.h"
#include "backup/ExportFixtureDatabase.h"
#include "backup/ExportFixtureLogProbe.h"
#include "backup/ExportPicture.h"
#include "backup/ExportResult.h"
#include "backup/ExportXmlWriter.h"
#include "backup/iphone/MessagesExporter.h"
#include "backup/MessagesFixture.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <plist/plist.h>

using Layout = MessagesFixture::Layout;
using Older = MessagesFixture::OlderMessage;
using Newer = MessagesFixture::NewerMessage;

namespace {

const QVariant kNull;
const QString kObject(QChar(0xFFFC));

// One "attachment" element as read back.
struct Attachment
{
    QString mimeType;
    QByteArray data;
};

// The attachments of each message of a document, in order.
QList<QList<Attachment>> attachmentsOf(const QString& aPath)
{
    QList<QList<Attachment>> result;
    QFile file(aPath);
    if (!file.open(QIODevice::ReadOnly))
        return result;
    QXmlStreamReader reader(&file);
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (reader.name().endsWith(QLatin1String("_message"))) {
            result.append(QList<Attachment>());
        } else if (reader.name() == QLatin1String("attachment")) {
            const QString type = reader.attributes().value(QLatin1String("mime_type")).toString();
            result.last().append({type, QByteArray::fromBase64(reader.readElementText().toLatin1())});
        }
    }
    return result;
}

QByteArray binaryPlist(const QStringList& aStrings)
{
    plist_t array = plist_new_array();
    for (const QString& s : aStrings)
        plist_array_append_item(array, plist_new_string(s.toUtf8().constData()));
    char* data = nullptr;
    uint32_t length = 0;
    plist_to_bin(array, &data, &length);
    QByteArray result(data, qsizetype(length));
    plist_to_bin_free(data);
    plist_free(array);
    return result;
}

} // namespace

class TestExportMessages : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir mDir;
    QString path(const QString& aName) const { return mDir.filePath(aName); }
    QString output() const { return path(QStringLiteral("messages.xml")); }
    QString document() const { return QString::fromUtf8(ExportFixture::readFile(output())); }

    int run(const QStringList& aDatabases, const QHash<QString, QString>& aFiles = {})
    {
        QFile::remove(output());
        MessagesExporter exporter(aDatabases, aFiles);
        return exporter.generate(output());
    }

    // Compares the output with a committed document in which "@PICTURE@" stands for the Base64
    // of aPicture (picture bytes depend on the JPEG library's version).
    void check(const QString& aName, const QByteArray& aPicture = QByteArray())
    {
        const QString file = TestPaths::dataFile(QStringLiteral("export/") + aName);
        const QString base64 = QString::fromLatin1(aPicture.toBase64());
        if (qEnvironmentVariableIsSet("PELLMAR_REGENERATE_EXPECTED")) {
            QString text = document();
            if (!base64.isEmpty())
                text.replace(base64, QStringLiteral("@PICTURE@"));
            ExportFixture::writeFile(file, text.toUtf8());
        }
        QCOMPARE(ExportFixture::xmlError(output()), QString());
        QString expected = QString::fromUtf8(ExportFixture::readFile(file));
        expected.replace(QStringLiteral("@PICTURE@"), base64);
        QCOMPARE(document(), expected);
    }

    QString writePicture(const QString& aName, const QByteArray& aData)
    {
        const QString p = path(aName);
        ExportFixture::writeFile(p, aData);
        return p;
    }

private slots:
    void newerLayoutDocument()
    {
        const QString db = path(QStringLiteral("newer.db"));
        {
            MessagesFixture sms(db, Layout::Newer);
            const qint64 bob = sms.addHandle(QStringLiteral("+15551234"));
            const qint64 mail = sms.addHandle(QStringLiteral("a&b@example.org"));
            // Seconds since 2001 (older phones), nanoseconds (later phones), before 1970.
            sms.addMessage(Newer{bob, 500000000, QStringLiteral("Hi\r\nthere"), 1, 1});
            sms.addMessage(Newer{bob, Q_INT64_C(500000000123456789), QStringLiteral("Nano"), 0, 0});
            sms.addMessage(Newer{mail, 0, kObject, kNull, kNull});
            sms.addMessage(Newer{mail, kNull, kNull, 2, 1});
            sms.addMessage(Newer{bob, -1000000000, QStringLiteral("<b>old</b>"), 1, 1});
            sms.addMessage(Newer{bob, Q_INT64_C(-1000000000000000000), QStringLiteral("pic ") + kObject, 0, 1});
            // A message without a handle (and no chat to find one in) is kept, without address.
            sms.addMessage(Newer{0, 1, QStringLiteral("orphan"), 0, 1});
            QVERIFY(sms.isOk());
        }
        QCOMPARE(run({db}), ExportResult::Ok);
        check(QStringLiteral("messages_newer_expected.xml"));
    }

    void olderLayoutDocument()
    {
        const QString db = path(QStringLiteral("older.db"));
        const QByteArray inline_ = ExportFixture::jpeg(20, 10);
        {
            MessagesFixture sms(db, Layout::Older);
            sms.addMessage(Older{QStringLiteral("+4477001"), 1300000000, QStringLiteral("sent"), 3, 1, kNull});
            sms.addMessage(Older{QStringLiteral("+4477001"), 1300000001, QStringLiteral("got"), 2, 0, kNull});
            sms.addMessage(Older{QStringLiteral("+4477001"), 1300000002, QStringLiteral("hidden"), 129, 1, kNull});
            sms.addMessage(Older{kNull, kNull, QStringLiteral("group"), 3, kNull,
                                 MessagesFixture::recipientsPlist({QStringLiteral("+111"), QStringLiteral("+222")})});
            sms.addMessage(Older{kNull, 5, QStringLiteral("binary"), 1, 1,
                                 binaryPlist({QStringLiteral("+333"), QStringLiteral("+444")})});
            sms.addMessage(Older{kNull, 6, QStringLiteral("no plist"), 0, 1, QByteArray("garbage")});
            sms.addMessage(Older{kNull, 7, QStringLiteral("empty plist"), QStringLiteral("x"), 1,
                                 MessagesFixture::recipientsPlist({})});
            // Content in pieces: text pieces are joined with a space, pictures kept as stored.
            const qint64 mms = sms.addMessage(Older{QStringLiteral("+4477002"), 8, kNull, 0, 1, kNull});
            sms.addPiece(mms, 0, QStringLiteral("text/plain"), QByteArray("first"));
            sms.addPiece(mms, 1, QStringLiteral("image/jpeg"), inline_);
            sms.addPiece(mms, 2, QStringLiteral("text/plain"), QByteArray("second\0ignored", 14));
            sms.addPiece(mms, 3, QStringLiteral("image/png"), QByteArray("png bytes"));
            sms.addPiece(mms, 4, QStringLiteral("image/jpeg"), kNull); // no unpacked file
            const qint64 withText = sms.addMessage(Older{QStringLiteral("+4477002"), 9, QStringLiteral("caption"), 0, 1, kNull});
            sms.addPiece(withText, 0, QStringLiteral("text/plain"), QByteArray("more"));
            QVERIFY(sms.isOk());
        }
        QCOMPARE(run({db}), ExportResult::Ok);
        check(QStringLiteral("messages_older_expected.xml"), inline_);
        const auto attachments = attachmentsOf(output());
        QCOMPARE(attachments.size(), 8);
        QCOMPARE(attachments.at(6).size(), 1);
        QCOMPARE(attachments.at(6).at(0).data, inline_);
    }

    void scaledAttachments()
    {
        QDir().mkpath(path(QStringLiteral("Library/SMS/Attachments/ab/12")));
        QHash<QString, QString> files;
        files.insert(QStringLiteral("Library/SMS/Attachments/ab/12/IMG_1.JPG"),
                     writePicture(QStringLiteral("wide.jpg"), ExportFixture::jpeg(1600, 1200)));
        files.insert(QStringLiteral("Library/SMS/Attachments/ab/12/IMG_2.JPG"),
                     writePicture(QStringLiteral("tall.jpg"), ExportFixture::jpeg(600, 1200, Qt::blue)));
        files.insert(QStringLiteral("Library/SMS/Attachments/ab/12/small.jpg"),
                     writePicture(QStringLiteral("small.jpg"), ExportFixture::jpeg(100, 50)));
        // A transparent PNG although the type says JPEG: decoded by content, painted on white.
        files.insert(QStringLiteral("Library/SMS/Attachments/clear.png"),
                     writePicture(QStringLiteral("clear.png"), ExportFixture::png(200, 100, true)));
        files.insert(QStringLiteral("Library/SMS/Attachments/text.jpg"),
                     writePicture(QStringLiteral("text.jpg"), QByteArray("no picture at all")));
        files.insert(QStringLiteral("Library/SMS/Attachments/abs.jpg"),
                     writePicture(QStringLiteral("abs.jpg"), ExportFixture::jpeg(800, 400)));
        files.insert(QStringLiteral("Library\\SMS\\Attachments\\back\\slash.jpg"),
                     writePicture(QStringLiteral("slash.jpg"), ExportFixture::jpeg(400, 100)));
        files.insert(QStringLiteral("12-1.jpg"),
                     writePicture(QStringLiteral("part.jpg"), ExportFixture::jpeg(1000, 500)));
        files.insert(QStringLiteral("Library/SMS/Attachments/gone.jpg"), path(QStringLiteral("gone.jpg")));

        const QString newer = path(QStringLiteral("attach.db"));
        {
            MessagesFixture sms(newer, Layout::Newer);
            const qint64 h = sms.addHandle(QStringLiteral("+1"));
            const qint64 two = sms.addMessage(Newer{h, 1, kObject + kObject, 0, 1});
            sms.addAttachment(two, QStringLiteral("~/Library/SMS/Attachments/ab/12/IMG_1.JPG"), QStringLiteral("image/jpeg"));
            sms.addAttachment(two, QStringLiteral("~/Library/SMS/Attachments/ab/12/IMG_2.JPG"), QStringLiteral("IMAGE/JPEG"));
            const qint64 others = sms.addMessage(Newer{h, 2, QStringLiteral("others"), 0, 1});
            sms.addAttachment(others, QStringLiteral("~/Library/SMS/Attachments/ab/12/small.jpg"), QStringLiteral("image/jpeg"));
            sms.addAttachment(others, QStringLiteral("~/Library/SMS/Attachments/clear.png"), QStringLiteral("image/jpeg"));
            sms.addAttachment(others, QStringLiteral("~/Library/SMS/Attachments/clear.png"), QStringLiteral("image/png"));
            sms.addAttachment(others, QStringLiteral("~/Library/SMS/Attachments/unknown.jpg"), QStringLiteral("image/jpeg"));
            sms.addAttachment(others, QStringLiteral("~/Library/SMS/Attachments/text.jpg"), QStringLiteral("image/jpeg"));
            sms.addAttachment(others, QStringLiteral("~/Library/SMS/Attachments/gone.jpg"), QStringLiteral("image/jpeg"));
            sms.addAttachment(others, kNull, QStringLiteral("image/jpeg"));
            sms.addAttachment(others, QStringLiteral("/var/mobile/Library/SMS/Attachments/abs.jpg"), QStringLiteral("image/jpeg"));
            sms.addAttachment(others, QStringLiteral("~/Library/SMS/Attachments/back/slash.jpg"), QStringLiteral("image/jpeg"));
            QVERIFY(sms.isOk());
        }
        const QString older = path(QStringLiteral("attach-older.db"));
        {
            MessagesFixture sms(older, Layout::Older);
            for (int i = 1; i < 12; ++i)
                sms.addMessage(Older{QStringLiteral("+1"), i, QStringLiteral("filler"), 0, 1, kNull});
            const qint64 twelve = sms.addMessage(Older{QStringLiteral("+1"), 12, kNull, 0, 1, kNull});
            QCOMPARE(twelve, 12);
            sms.addPiece(twelve, 1, QStringLiteral("image/jpeg"), kNull);
            QVERIFY(sms.isOk());
        }

        QCOMPARE(run({newer, older}, files), ExportResult::Ok);
        QCOMPARE(ExportFixture::xmlError(output()), QString());
        const auto messages = attachmentsOf(output());
        QCOMPARE(messages.size(), 2 + 12);
        const QList<QSize> sizes = {QSize(400, 300), QSize(400, 800)};
        QCOMPARE(messages.at(0).size(), 2);
        for (int i = 0; i < 2; ++i) {
            QImage image;
            QVERIFY(image.loadFromData(messages.at(0).at(i).data, "JPEG"));
            QCOMPARE(image.size(), sizes.at(i));
        }
        QCOMPARE(messages.at(0).at(1).mimeType, QStringLiteral("IMAGE/JPEG"));
        // Each picture is its own, although both went through the same temporary file.
        QImage red, blue;
        red.loadFromData(messages.at(0).at(0).data);
        blue.loadFromData(messages.at(0).at(1).data);
        QVERIFY(QColor(red.pixel(0, 0)).red() > 150);
        QVERIFY(QColor(blue.pixel(0, 0)).red() < 100);

        // small, transparent (typed JPEG), transparent (typed PNG, converted), absolute path,
        // backslashes
        QCOMPARE(messages.at(1).size(), 5);
        QImage small, absolute;
        QVERIFY(small.loadFromData(messages.at(1).at(0).data));
        QCOMPARE(small.size(), QSize(400, 200));
        for (int i : {1, 2}) {
            QImage clear;
            QVERIFY(clear.loadFromData(messages.at(1).at(i).data, "JPEG"));
            QCOMPARE(clear.size(), QSize(400, 200));
            QVERIFY(QColor(clear.pixel(200, 100)).lightness() > 240);
        }
        QCOMPARE(messages.at(1).at(2).mimeType, QStringLiteral("image/jpeg"));
        QVERIFY(absolute.loadFromData(messages.at(1).at(3).data));
        QCOMPARE(absolute.size(), QSize(400, 200));
        QImage slashed;
        QVERIFY(slashed.loadFromData(messages.at(1).at(4).data));
        QCOMPARE(slashed.size(), QSize(400, 100));

        QCOMPARE(messages.last().size(), 1);
        QImage part;
        QVERIFY(part.loadFromData(messages.last().at(0).data));
        QCOMPARE(part.size(), QSize(400, 200));
        QVERIFY(document().contains(QStringLiteral("<text></text>")));
        QVERIFY(QFile::exists(ExportPicture::tempImagePath()));
    }

    void hugeAndBrokenPictures()
    {
        // A camera picture of about 20 MB: noise does not compress.
        QImage noise(3600, 3000, QImage::Format_RGB32);
        QRandomGenerator gen(3);
        for (int y = 0; y < noise.height(); ++y)
            gen.fillRange(reinterpret_cast<quint32*>(noise.scanLine(y)), noise.width());
        const QString big = path(QStringLiteral("big.jpg"));
        QVERIFY(noise.save(big, "JPEG", 100));
        QVERIFY(QFileInfo(big).size() > 19 * 1024 * 1024);
        // The first bytes of a JPEG and then nothing.
        const QString cut = writePicture(QStringLiteral("cut.jpg"), ExportFixture::jpeg(300, 300).left(200));

        const QString db = path(QStringLiteral("huge.db"));
        {
            MessagesFixture sms(db, Layout::Newer);
            const qint64 h = sms.addHandle(QStringLiteral("+1"));
            const qint64 m = sms.addMessage(Newer{h, 1, QStringLiteral("big"), 0, 1});
            sms.addAttachment(m, QStringLiteral("big.jpg"), QStringLiteral("image/jpeg"));
            sms.addAttachment(m, QStringLiteral("cut.jpg"), QStringLiteral("image/jpeg"));
        }
        QCOMPARE(run({db}, {{QStringLiteral("big.jpg"), big}, {QStringLiteral("cut.jpg"), cut}}),
                 ExportResult::Ok);
        QCOMPARE(ExportFixture::xmlError(output()), QString());
        const auto messages = attachmentsOf(output());
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages.at(0).size() >= 1);
        QImage image;
        QVERIFY(image.loadFromData(messages.at(0).at(0).data));
        QCOMPARE(image.size(), QSize(400, 333));
        QVERIFY(document().contains(QStringLiteral("<text>big</text>")));
    }

    void hostileText()
    {
        const QString db = path(QStringLiteral("hostile.db"));
        {
            MessagesFixture sms(db, Layout::Newer);
            const qint64 h = sms.addHandle(QStringLiteral("+1\x01"));
            sms.addMessage(Newer{h, 1, QStringLiteral("a\tb") + QChar(0x1b) + kObject + QStringLiteral("]]>&<"), 0, 1});
            QVERIFY(sms.database().exec(
                QStringLiteral("INSERT INTO message (guid, text, handle_id, date) VALUES ('x', CAST(? AS TEXT), ?, 2)"),
                {QByteArray("bad\xff\xfe\xc3(\xed\xa0\x80\xf8\x88\x80\x80\x80z"), h}));
            QVERIFY(sms.database().exec(
                QStringLiteral("INSERT INTO message (guid, text, handle_id, date) VALUES ('y', ?, ?, 3)"),
                {QByteArray("blob\x80\x02text"), h}));
        }
        QCOMPARE(run({db}), ExportResult::Ok);
        QCOMPARE(ExportFixture::xmlError(output()), QString());
        QVERIFY(document().contains(QStringLiteral("<address>+1</address>")));
        QVERIFY(document().contains(QStringLiteral("<text>ab]]&gt;&amp;&lt;</text>")));
        QVERIFY(document().contains(QStringLiteral("z</text>")));
        QVERIFY(document().contains(QStringLiteral("text</text>")));
    }

    void cleaningKeepsTheDocumentWellFormed()
    {
        // What a database in UTF-16 can hold: unpaired surrogates and non-characters.
        const QString smiley = QString::fromUtf8("\xf0\x9f\x98\x80");
        const QString text = QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b") + smiley
                             + QChar(0xDC00) + QChar(0xFFFE) + QChar(0xFFFF) + QChar(9)
                             + QChar(0xFFFD) + QChar(0x85);
        const QString expected = QStringLiteral("ab") + smiley + QChar(0xFFFD) + QChar(0x85);
        QCOMPARE(ExportXmlWriter::clean(text), expected);
        const QString plain = QStringLiteral("nothing to clean");
        QVERIFY(ExportXmlWriter::clean(plain).constData() == plain.constData());

        {
            ExportXmlWriter writer(output());
            QCOMPARE(writer.open(QStringLiteral("messages")), ExportResult::Ok);
            writer.writeStartElement(QStringLiteral("sent_message"));
            writer.writeAttribute(QStringLiteral("mime_type"), text);
            writer.writeTextElement(QStringLiteral("text"), text);
            writer.writeCharacters(text);
            QVERIFY(writer.finish());
        }
        QCOMPARE(ExportFixture::xmlError(output()), QString());
        QVERIFY(document().contains(QStringLiteral("<text>") + expected + QStringLiteral("</text>")));
    }

    void nullsEverywhere()
    {
        const QString older = path(QStringLiteral("nulls-older.db"));
        {
            MessagesFixture sms(older, Layout::Older);
            QVERIFY(sms.database().exec(QStringLiteral("INSERT INTO message DEFAULT VALUES")));
            QVERIFY(sms.database().exec(QStringLiteral("INSERT INTO msg_pieces DEFAULT VALUES")));
            QVERIFY(sms.database().exec(QStringLiteral("INSERT INTO msg_pieces (message_id) VALUES (1)")));
        }
        const QString newer = path(QStringLiteral("nulls-newer.db"));
        {
            ExportFixtureDatabase raw(newer);
            // The same tables without constraints, so that every column can be NULL.
            QVERIFY(raw.execAll({QStringLiteral("CREATE TABLE handle (ROWID INTEGER PRIMARY KEY, id TEXT)"),
                                 QStringLiteral("CREATE TABLE message (ROWID INTEGER PRIMARY KEY, handle_id INTEGER, text TEXT, date INTEGER, is_from_me INTEGER, is_read INTEGER)"),
                                 QStringLiteral("CREATE TABLE attachment (ROWID INTEGER PRIMARY KEY, filename TEXT, mime_type TEXT)"),
                                 QStringLiteral("CREATE TABLE message_attachment_join (message_id INTEGER, attachment_id INTEGER)"),
                                 QStringLiteral("INSERT INTO handle VALUES (1, NULL)"),
                                 QStringLiteral("INSERT INTO message VALUES (1, 1, NULL, NULL, NULL, NULL)"),
                                 QStringLiteral("INSERT INTO attachment VALUES (1, NULL, NULL)"),
                                 QStringLiteral("INSERT INTO message_attachment_join VALUES (1, 1)"),
                                 QStringLiteral("INSERT INTO message_attachment_join VALUES (1, NULL)")}));
        }
        QCOMPARE(run({older, newer}), ExportResult::Ok);
        check(QStringLiteral("messages_nulls_expected.xml"));
    }

    void missingTablesAndColumns()
    {
        // Newer layout without attachment tables; older layout without pieces and without the
        // read and flags columns: the messages are still written.
        const QString newer = path(QStringLiteral("noattach.db"));
        {
            MessagesFixture sms(newer, Layout::Newer);
            const qint64 h = sms.addHandle(QStringLiteral("+1"));
            sms.addMessage(Newer{h, 1, QStringLiteral("kept"), 1, 1});
            QVERIFY(sms.database().exec(QStringLiteral("DROP TABLE message_attachment_join")));
        }
        const QString older = path(QStringLiteral("nopieces.db"));
        {
            ExportFixtureDatabase raw(older);
            QVERIFY(raw.execAll({QStringLiteral("CREATE TABLE message (ROWID INTEGER PRIMARY KEY, address TEXT, date INTEGER, text TEXT)"),
                                 QStringLiteral("INSERT INTO message VALUES (1, '+2', 10, 'also kept')")}));
        }
        const QString noMessages = path(QStringLiteral("nomessages.db"));
        {
            ExportFixtureDatabase raw(noMessages);
            QVERIFY(raw.exec(QStringLiteral("CREATE TABLE other (x)")));
        }
        QCOMPARE(run({newer, noMessages, older}), ExportResult::Ok);
        check(QStringLiteral("messages_partial_expected.xml"));
    }

    void databasesThatCannotBeRead()
    {
        const QString good = path(QStringLiteral("good.db"));
        const QString later = path(QStringLiteral("later.db"));
        for (const QString& p : {good, later}) {
            MessagesFixture sms(p, Layout::Older);
            sms.addMessage(Older{QFileInfo(p).baseName(), 1, QStringLiteral("t"), 0, 1, kNull});
        }
        // Not a database: opens (SQLite reads lazily), its selection fails and is only logged.
        const QString garbage = path(QStringLiteral("garbage.db"));
        QVERIFY(ExportFixture::writeFile(garbage, QByteArray(5000, '\xab')));
        QCOMPARE(run({garbage, good}), ExportResult::Ok);
        QCOMPARE(ExportFixture::xmlError(output()), QString());
        QVERIFY(document().contains(QStringLiteral("<address>good</address>")));

        // A missing file is not created, and nothing after it is read.
        const QString missing = path(QStringLiteral("missing.db"));
        QCOMPARE(run({good, missing, later}), ExportResult::DatabaseNotOpened);
        QCOMPARE(ExportFixture::xmlError(output()), QString());
        QVERIFY(document().contains(QStringLiteral("<address>good</address>")));
        QVERIFY(!document().contains(QStringLiteral("later")));
        QVERIFY(!QFile::exists(missing));

        MessagesExporter exporter({good}, {});
        const QString target = path(QStringLiteral("no-such-folder/messages.xml"));
        QCOMPARE(exporter.generate(target), ExportResult::OutputNotOpened);
        QVERIFY(!QFile::exists(target));
        // A full disk.
        if (QFileInfo(QStringLiteral("/dev/full")).isWritable())
            QCOMPARE(exporter.generate(QStringLiteral("/dev/full")), ExportResult::OutputNotOpened);
    }

    void traceLog()
    {
        const QString db = path(QStringLiteral("logged.db"));
        {
            MessagesFixture sms(db, Layout::Newer);
            const qint64 h = sms.addHandle(QStringLiteral("+1"));
            sms.addMessage(Newer{h, 1, QStringLiteral("a\nb") + kObject, 1, 1});
        }
        ExportFixtureLogProbe probe;
        QVERIFY(probe.run(QStringLiteral("messages"), path(QStringLiteral("logged.xml")), {db}));
        QCOMPARE(probe.result, ExportResult::Ok);
        QVERIFY(probe.lines.contains(QStringLiteral(">> MessagesExporter::generate")));
        QVERIFY(probe.lines.contains(QStringLiteral("    Database opened")));
        QVERIFY(probe.lines.contains(QStringLiteral("    Database is valid")));
        // The newer layout has no flags column.
        QVERIFY(probe.lines.contains(QStringLiteral("    Bad message flag = ")));
        QCOMPARE(probe.lines.filter(QStringLiteral("Removed illegal character")),
                 QStringList({QStringLiteral("    Removed illegal character = 10")}));
        QVERIFY(probe.lines.contains(QStringLiteral("    messageText = ab")));
        QVERIFY(probe.lines.contains(QStringLiteral("    hex = 61 a 62 ")));
        QVERIFY(probe.lines.contains(QStringLiteral("Returns: 0")));
        QVERIFY(probe.logFolderFiles.contains(QStringLiteral("sms0.db")));
    }

    // Once a database fails, the later ones are neither opened nor copied to the log.
    void traceLogAfterAFailure()
    {
        const QString db = path(QStringLiteral("later.db"));
        {
            MessagesFixture sms(db, Layout::Older);
            sms.addMessage(Older{QStringLiteral("+1"), 1, QStringLiteral("hi"), 2, 1, kNull});
            QVERIFY(sms.isOk());
        }
        ExportFixtureLogProbe probe;
        QVERIFY(probe.run(QStringLiteral("messages"), path(QStringLiteral("logged.xml")),
                          {path(QStringLiteral("missing.db")), db}));
        QCOMPARE(probe.result, ExportResult::DatabaseNotOpened);
        QVERIFY(probe.lines.contains(QStringLiteral("    Could not open database")));
        QVERIFY(!probe.lines.contains(QStringLiteral("    Database opened")));
        QVERIFY(!probe.logFolderFiles.contains(QStringLiteral("sms1.db")));
    }

    void dates()
    {
        QCOMPARE(MessagesExporter::unixDate(QStringLiteral("0")), 978307200);
        QCOMPARE(MessagesExporter::unixDate(QString()), 978307200);
        QCOMPARE(MessagesExporter::unixDate(QStringLiteral("soon")), 978307200);
        QCOMPARE(MessagesExporter::unixDate(QStringLiteral("500000000")), 1478307200);
        QCOMPARE(MessagesExporter::unixDate(QStringLiteral("500000000999999999")), 1478307200);
        QCOMPARE(MessagesExporter::unixDate(QStringLiteral("100000000000")), 100978307200);
        QCOMPARE(MessagesExporter::unixDate(QStringLiteral("100000000001")), 978307300);
        QCOMPARE(MessagesExporter::unixDate(QStringLiteral("5e8")), 1478307200);
        QCOMPARE(MessagesExporter::unixDate(QStringLiteral("-1000000000")), -21692800);
        QCOMPARE(MessagesExporter::unixDate(QStringLiteral("-1000000000000000000")), -21692800);
    }
};

PELLMAR_TEST_MAIN(TestExportMessages)
#include "test_export_messages.moc"
