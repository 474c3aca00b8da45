// Message databases of recent iPhones: words only in the archived attributed string, messages
// the owner sent to a group, pictures that are not JPEG, rows only in the write-ahead log.
#include "TestMain.h"
#include "app/AppPaths.h"
#include "backup/ExportFixtureDatabase.h"
#include "backup/ExportResult.h"
#include "backup/iphone/MessagesExporter.h"
#include "backup/MessagesFixture.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QXmlStreamReader>

using Layout = MessagesFixture::Layout;
using Newer = MessagesFixture::NewerMessage;
using Older = MessagesFixture::OlderMessage;

namespace {

const QVariant kNull;

// One message of a document: its element name, address (null when absent), text (null when
// absent) and attachments.
struct Message
{
    QString kind;
    QString address;
    QString text;
    QList<QString> types;
    QList<QImage> pictures;
};

QList<Message> messagesOf(const QString& aPath)
{
    QList<Message> result;
    QFile file(aPath);
    if (!file.open(QIODevice::ReadOnly))
        return result;
    QXmlStreamReader reader(&file);
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (reader.name().endsWith(QLatin1String("_message"))) {
            result.append({reader.name().toString(), QString(), QString(), {}, {}});
        } else if (reader.name() == QLatin1String("address")) {
            result.last().address = reader.readElementText();
        } else if (reader.name() == QLatin1String("text")) {
            result.last().text = reader.readElementText();
            if (result.last().text.isNull())
                result.last().text = QLatin1String("");
        } else if (reader.name() == QLatin1String("attachment")) {
            result.last().types << reader.attributes().value(QLatin1String("mime_type")).toString();
            QImage image;
            image.loadFromData(QByteArray::fromBase64(reader.readElementText().toLatin1()), "JPEG");
            result.last().pictures << image;
        }
    }
    if (reader.hasError())
        result.append({QStringLiteral("XML ERROR ") + reader.errorString(), {}, {}, {}, {}});
    return result;
}

} // namespace

class TestExportModernMessages : public QObject
{
    Q_OBJECT

    QTemporaryDir mDir;
    QString path(const QString& aName) const { return mDir.filePath(aName); }

    QList<Message> run(const QStringList& aDatabases, const QHash<QString, QString>& aFiles = {})
    {
        const QString out = path(QStringLiteral("messages.xml"));
        QFile::remove(out);
        if (MessagesExporter(aDatabases, aFiles).generate(out) != ExportResult::Ok)
            return {};
        return messagesOf(out);
    }

private slots:
    void initTestCase() { AppPaths::setApplicationDataPath(mDir.path()); }

    // The text column wins when it has words; otherwise the archived string gives them.
    void textFromTheArchivedString()
    {
        const QString db = path(QStringLiteral("archived.db"));
        const QString multiByte = QStringLiteral("Grüße 😀 日本");
        const QString longText = QString(200, QLatin1Char('w'));
        {
            MessagesFixture sms(db, Layout::Newer);
            const qint64 h = sms.addHandle(QStringLiteral("+1"));
            const auto archived = [](const QString& aText) {
                return MessagesFixture::attributedBody(aText);
            };
            sms.addMessage(Newer{h, 1, kNull, 1, 1, archived(QStringLiteral("short"))});
            sms.addMessage(Newer{h, 2, QStringLiteral(""), 0, 1, archived(longText)});
            sms.addMessage(Newer{h, 3, kNull, 0, 1, archived(multiByte)});
            sms.addMessage(Newer{h, 4, QStringLiteral("column"), 0, 1, archived(QStringLiteral("blob"))});
            sms.addMessage(Newer{h, 5, kNull, 0, 1, archived(QStringLiteral("line\nbreak"))});
            sms.addMessage(Newer{h, 6, kNull, 0, 1, archived(QString(QChar(0xFFFC)))});
            // No such text inside: nothing to write, and the message still arrives.
            sms.addMessage(Newer{h, 7, kNull, 0, 1, QByteArray("\x04\x0bstreamtyped NSString", 22)});
            sms.addMessage(Newer{h, 8, QStringLiteral(""), 0, 1, kNull});
            QVERIFY(sms.isOk());
        }
        const QList<Message> messages = run({db});
        QCOMPARE(messages.size(), 8);
        const QStringList expected = {QStringLiteral("short"), longText, multiByte,
                                      QStringLiteral("column"), QStringLiteral("linebreak"),
                                      QStringLiteral(""), QString(), QStringLiteral("")};
        for (int i = 0; i < messages.size(); ++i) {
            QCOMPARE(messages.at(i).text, expected.at(i));
            QCOMPARE(messages.at(i).text.isNull(), expected.at(i).isNull());
        }
    }

    // A message the owner sent to a group has no handle: its address is the chat's first
    // participant. Messages of the group's members keep their own.
    void groupMessages()
    {
        const QString db = path(QStringLiteral("group.db"));
        {
            MessagesFixture sms(db, Layout::Newer);
            const qint64 alice = sms.addHandle(QStringLiteral("+4411"));
            const qint64 bob = sms.addHandle(QStringLiteral("bob@example.org"));
            const qint64 group = sms.addChat(QStringLiteral("chat1"), {bob, alice});
            const qint64 empty = sms.addChat(QStringLiteral("chat2"), {});
            const qint64 fromAlice = sms.addMessage(Newer{alice, 1, QStringLiteral("hi all"), 0, 1});
            sms.addToChat(group, fromAlice);
            const qint64 mine = sms.addMessage(Newer{0, 2, kNull, 1, 1,
                                                     MessagesFixture::attributedBody(QStringLiteral("hello group"))});
            sms.addToChat(group, mine);
            const qint64 lonely = sms.addMessage(Newer{0, 3, QStringLiteral("nobody"), 1, 1});
            sms.addToChat(empty, lonely);
            sms.addMessage(Newer{0, 4, QStringLiteral("no chat"), 1, 1});
            sms.addMessage(Newer{99, 5, QStringLiteral("handle gone"), 0, 1});
            QVERIFY(sms.isOk());
        }
        const QList<Message> messages = run({db});
        QCOMPARE(messages.size(), 5);
        QCOMPARE(messages.at(0).address, QStringLiteral("+4411"));
        QCOMPARE(messages.at(1).address, QStringLiteral("bob@example.org"));
        QCOMPARE(messages.at(1).text, QStringLiteral("hello group"));
        QCOMPARE(messages.at(1).kind, QStringLiteral("sent_message"));
        for (int i : {2, 3, 4})
            QVERIFY(messages.at(i).address.isNull());
        QCOMPARE(messages.at(4).text, QStringLiteral("handle gone"));
    }

    // HEIC (by libheif), PNG and GIF (by Qt) become 400-pixel JPEG pictures typed "image/jpeg";
    // a picture that cannot be decoded and a video are left out, their message is not.
    void picturesOfEveryType()
    {
        QHash<QString, QString> files;
        const auto file = [&](const QString& aName, const QByteArray& aData) {
            ExportFixture::writeFile(path(aName), aData);
            files.insert(QStringLiteral("Library/SMS/Attachments/") + aName, path(aName));
            return QStringLiteral("~/Library/SMS/Attachments/") + aName;
        };
        const QByteArray heic = ExportFixture::heic(800, 600, QColor(220, 20, 20));
        QVERIFY(!heic.isEmpty());
        // Qt writes no GIF: one transparent pixel, byte by byte.
        const QByteArray gif = QByteArray::fromHex(
            "47494638396101000100800000000000ffffff21f90401000000002c000000000100010000020244"
            "01003b");

        const QString db = path(QStringLiteral("pictures.db"));
        {
            MessagesFixture sms(db, Layout::Newer);
            const qint64 h = sms.addHandle(QStringLiteral("+1"));
            const qint64 m = sms.addMessage(Newer{h, 1, QStringLiteral("pictures"), 0, 1});
            sms.addAttachment(m, file(QStringLiteral("IMG_1.HEIC"), heic), QStringLiteral("image/heic"));
            sms.addAttachment(m, file(QStringLiteral("P.PNG"), ExportFixture::png(100, 100, true)),
                              QStringLiteral("image/png"));
            sms.addAttachment(m, file(QStringLiteral("G.GIF"), gif),
                              QStringLiteral("image/gif"));
            // Mislabelled: the content decides how it is read.
            sms.addAttachment(m, file(QStringLiteral("IMG_2.JPG"), heic), QStringLiteral("image/jpeg"));
            sms.addAttachment(m, file(QStringLiteral("CUT.HEIC"), heic.left(heic.size() / 2)),
                              QStringLiteral("image/heic"));
            sms.addAttachment(m, file(QStringLiteral("V.MOV"), heic), QStringLiteral("video/quicktime"));
            // Rows without a type: a picture is found by its content, anything else left out.
            sms.addAttachment(m, file(QStringLiteral("UNTYPED"), ExportFixture::png(200, 100, false)), kNull);
            sms.addAttachment(m, file(QStringLiteral("card.vcf"), "BEGIN:VCARD\nEND:VCARD\n"), kNull);
            QVERIFY(sms.isOk());
        }
        const QString older = path(QStringLiteral("older.db"));
        {
            MessagesFixture sms(older, Layout::Older);
            const qint64 m = sms.addMessage(Older{QStringLiteral("+2"), 1, kNull, 2, 1, kNull});
            sms.addPiece(m, 0, QStringLiteral("image/heic"), heic);
            sms.addPiece(m, 1, QStringLiteral("image/png"), ExportFixture::png(40, 20, false));
            sms.addPiece(m, 2, QStringLiteral("image/png"), QByteArray("not a png"));
            QVERIFY(sms.isOk());
        }
        const QList<Message> messages = run({db, older}, files);
        QCOMPARE(messages.size(), 2);
        QCOMPARE(messages.at(0).text, QStringLiteral("pictures"));
        QCOMPARE(messages.at(0).types, QList<QString>(5, QStringLiteral("image/jpeg")));
        const QList<QSize> sizes = {QSize(400, 300), QSize(400, 400), QSize(400, 400),
                                    QSize(400, 300), QSize(400, 200)};
        for (int i = 0; i < 5; ++i)
            QCOMPARE(messages.at(0).pictures.at(i).size(), sizes.at(i));
        const QColor heicColour = messages.at(0).pictures.at(0).pixelColor(2, 2);
        QVERIFY(heicColour.red() > 180);
        QVERIFY(QColor(messages.at(0).pictures.at(2).pixel(200, 200)).lightness() > 240);
        QCOMPARE(messages.at(1).types, QList<QString>(2, QStringLiteral("image/jpeg")));
        QCOMPARE(messages.at(1).pictures.at(0).size(), QSize(400, 300));
        QCOMPARE(messages.at(1).pictures.at(1).size(), QSize(400, 200));
    }

    // A message the phone had only written to the database's log; the log stays as it was.
    void rowOnlyInTheLog()
    {
        const QString source = path(QStringLiteral("source-sms.db"));
        const QString db = path(QStringLiteral("sms.db"));
        MessagesFixture sms(source, Layout::Newer);
        const qint64 h = sms.addHandle(QStringLiteral("+1"));
        sms.addMessage(Newer{h, 1, QStringLiteral("old"), 0, 1});
        QVERIFY(sms.isOk());
        QVERIFY(ExportFixture::walSnapshot(source, db, [&] {
            sms.addMessage(Newer{h, 2, QStringLiteral("recent"), 1, 1});
            return sms.isOk();
        }));
        const QByteArray log = ExportFixture::readFile(db + QStringLiteral("-wal"));
        // Without its log the database has only the first row.
        const QString alone = path(QStringLiteral("alone.db"));
        QVERIFY(QFile::copy(db, alone));
        QCOMPARE(run({alone}).size(), 1);
        const QList<Message> messages = run({db});
        QCOMPARE(messages.size(), 2);
        QCOMPARE(messages.at(1).text, QStringLiteral("recent"));
        QCOMPARE(ExportFixture::readFile(db + QStringLiteral("-wal")), log);
        QVERIFY(!QFile::exists(db + QStringLiteral("-shm")));
    }
};

PELLMAR_TEST_MAIN(TestExportModernMessages)
#include "test_export_modern_messages.moc"
