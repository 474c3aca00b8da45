// The readers of the stored forms of modern iPhone records: note bodies (gzip + protobuf),
// archived message text (typedstream) and HEIF pictures. Damaged input must give nothing, never
// a crash or a read past the data.
#include "TestMain.h"
#include "backup/ExportFixtureDatabase.h"
#include "backup/iphone/GzipInflater.h"
#include "backup/HeifImage.h"
#include "backup/MessagesFixture.h"
#include "backup/iphone/NoteStoreBody.h"
#include "backup/NoteStoreFixture.h"
#include "backup/iphone/ProtobufReader.h"
#include "backup/iphone/RecipientsPlistReader.h"
#include "backup/iphone/TypedStreamText.h"

#include <QRandomGenerator>

#include <plist/plist.h>

using Compression = NoteStoreFixture::Compression;

namespace {

// Each of aData's prefixes, then aRounds copies with random bytes changed, then random data:
// every one goes through aRead, as a fresh heap copy of exactly its size so that a read past
// its end is caught by the address checker or valgrind.
template <typename Read>
void damage(const QByteArray& aData, int aRounds, Read aRead)
{
    for (qsizetype n = 0; n < aData.size(); ++n) {
        const QByteArray prefix(aData.constData(), n);
        aRead(prefix);
    }
    QRandomGenerator gen(42);
    for (int round = 0; round < aRounds; ++round) {
        QByteArray changed = aData;
        const int changes = 1 + int(gen.bounded(4));
        for (int i = 0; i < changes && !changed.isEmpty(); ++i)
            changed[gen.bounded(int(changed.size()))] = char(gen.bounded(256));
        aRead(changed);
        QByteArray noise(1 + gen.bounded(300), Qt::Uninitialized);
        for (char& c : noise)
            c = char(gen.bounded(256));
        aRead(noise);
    }
}

} // namespace

class TestRecordDecoders : public QObject
{
    Q_OBJECT

private slots:
    // A binary recipients list: its strings in document order, keys, other values, empty text
    // and text starting with a line feed left out; characters XML cannot carry are kept.
    void binaryRecipients()
    {
        plist_t root = plist_new_dict();
        plist_dict_set_item(root, "first", plist_new_string("+111"));
        plist_t list = plist_new_array();
        plist_array_append_item(list, plist_new_string(""));
        plist_array_append_item(list, plist_new_string("\n\t"));
        plist_array_append_item(list, plist_new_uint(5));
        plist_array_append_item(list, plist_new_string("a\r\nb & <c>"));
        plist_t inner = plist_new_array();
        plist_array_append_item(inner, plist_new_string("bell\x07"));
        plist_array_append_item(list, inner);
        plist_dict_set_item(root, "list", list);
        plist_dict_set_item(root, "last", plist_new_string("+222"));
        char* data = nullptr;
        uint32_t length = 0;
        plist_to_bin(root, &data, &length);
        const QByteArray binary(data, qsizetype(length));
        plist_to_bin_free(data);
        plist_free(root);
        QCOMPARE(RecipientsPlistReader::parse(binary),
                 (QStringList{"+111", "a\r\nb & <c>", "bell\x07", "+222"}));
        QCOMPARE(RecipientsPlistReader::parse(binary.left(binary.size() / 2)), QStringList());
    }

    // An XML list written on one line: the blanks between its elements are no correspondents.
    void xmlRecipientsOnOneLine()
    {
        const QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\">"
                               "<array><string/> <string>+447700900123</string> "
                               "<string>R&amp;D</string></array></plist>";
        QCOMPARE(RecipientsPlistReader::parse(xml), (QStringList{"+447700900123", "R&D"}));
        QCOMPARE(RecipientsPlistReader::parse("<plist><array><string>+1</string>"), QStringList());
    }

    void noteBodyText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << QStringLiteral("Shopping\nmilk");
        QTest::newRow("empty") << QString();
        QTest::newRow("multi-byte") << QStringLiteral("naïve café 😀 日本語");
        QTest::newRow("long") << QString(5000, QLatin1Char('x'));
    }

    // Gzip and zlib bodies, and a body stored without compression; the fixture's document puts
    // fixed-size fields and a varint field 2 before the wanted ones.
    void noteBodyText()
    {
        QFETCH(QString, text);
        QCOMPARE(NoteStoreBody::text(NoteStoreFixture::body(text, Compression::Gzip)),
                 text.isNull() ? QLatin1String("") : text);
        QCOMPARE(NoteStoreBody::text(NoteStoreFixture::body(text, Compression::Zlib)),
                 text.isNull() ? QLatin1String("") : text);
        QCOMPARE(NoteStoreBody::text(NoteStoreFixture::document(text)),
                 text.isNull() ? QLatin1String("") : text);
    }

    void noteBodyHtml()
    {
        QCOMPARE(NoteStoreBody::toHtml(QStringLiteral("a<b> & c\nd\r\ne") + QChar(0xFFFC)),
                 QStringLiteral("a&lt;b&gt; &amp; c<br>d<br>e"));
    }

    void protobufDamage()
    {
        // A length beyond the data, in every varint size up to the largest.
        for (const QByteArray& bad :
             {QByteArray("\x12\x05" "ab", 4), QByteArray("\x12\xff\xff\xff\xff\x0f" "ab", 8),
              QByteArray("\x12\xff\xff\xff\xff\xff\xff\xff\xff\xff\x01" "ab", 13),
              // A varint of eleven bytes, group wire types, field number 0.
              QByteArray("\x08\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\x01", 12),
              QByteArray("\x13\x14", 2), QByteArray("\x02\x00", 2),
              // A fixed field cut short.
              QByteArray("\x0d\x01\x02", 3), QByteArray("\x09\x01\x02\x03", 4)}) {
            ProtobufReader reader(bad);
            while (reader.next()) {
            }
            QVERIFY2(reader.hasError(), bad.toHex().constData());
            QVERIFY(!ProtobufReader::lengthDelimited(bad, 2));
            QVERIFY(NoteStoreBody::textOfMessage(bad).isNull());
        }
        // The fields before the damage are still read.
        const QByteArray partly("\x0a\x02hi\x12\x7f", 6);
        QCOMPARE(ProtobufReader::lengthDelimited(partly, 1)->toByteArray(), QByteArray("hi"));

        const QByteArray document = NoteStoreFixture::document(QStringLiteral("a note text"));
        int found = 0;
        damage(document, 2000, [&](const QByteArray& aData) {
            const QString text = NoteStoreBody::textOfMessage(aData);
            found += text == QLatin1String("a note text");
        });
        // Only the whole document and changes outside the path to the text keep it.
        QVERIFY(found > 0);
        QVERIFY(NoteStoreBody::textOfMessage(document.left(document.size() - 1)).isNull());
    }

    void inflateDamage()
    {
        const QByteArray body = NoteStoreFixture::body(QString(3000, QLatin1Char('n')));
        QVERIFY(GzipInflater::inflate(body, 1 << 20));
        damage(body, 500, [](const QByteArray& aData) {
            const auto inflated = GzipInflater::inflate(aData, 1 << 20);
            if (inflated)
                QVERIFY(inflated->size() <= 1 << 20);
            NoteStoreBody::text(aData);
        });
        // A cut stream is no body at all, not the part before the cut.
        QVERIFY(!GzipInflater::inflate(body.left(body.size() - 4), 1 << 20));
        QVERIFY(NoteStoreBody::text(body.left(body.size() / 2)).isNull());
        // Ten megabytes of zeros from a few kilobytes stop at the limit.
        const QByteArray bomb =
            NoteStoreFixture::compress(QByteArray(10 << 20, '\0'), Compression::Gzip);
        QVERIFY(bomb.size() < 20000);
        QVERIFY(!GzipInflater::inflate(bomb, 1 << 20));
        QCOMPARE(GzipInflater::inflate(bomb, 10 << 20)->size(), 10 << 20);
        QVERIFY(!GzipInflater::inflate(QByteArray("plain text"), 1 << 20));
    }

    void archivedText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("short") << QStringLiteral("See you at 8");
        QTest::newRow("127 bytes") << QString(127, QLatin1Char('a'));
        QTest::newRow("16-bit length") << QString(300, QLatin1Char('b'));
        QTest::newRow("multi-byte") << QStringLiteral("Grüße 😀 — 日本");
        // 70,000 bytes need the 32-bit length.
        QTest::newRow("32-bit length") << QString(35000, QChar(0x00E9));
        QTest::newRow("empty") << QStringLiteral("");
    }

    void archivedText()
    {
        QFETCH(QString, text);
        QCOMPARE(TypedStreamText::read(MessagesFixture::attributedBody(text)), text);
    }

    void archivedTextDamage()
    {
        const QByteArray blob = MessagesFixture::attributedBody(QStringLiteral("hello there"));
        damage(blob, 3000, [](const QByteArray& aData) { TypedStreamText::read(aData); });
        const qsizetype marker = blob.indexOf("\x84\x01+");
        // Cut inside the text, right after the marker, or inside a long length.
        QVERIFY(TypedStreamText::read(blob.left(marker + 3 + 1 + 5)).isNull());
        QVERIFY(TypedStreamText::read(blob.left(marker + 3)).isNull());
        const QByteArray longBlob = MessagesFixture::attributedBody(QString(300, QLatin1Char('c')));
        QVERIFY(TypedStreamText::read(longBlob.left(longBlob.indexOf("\x84\x01+") + 5)).isNull());
        // Lengths far beyond the blob, and length bytes the format does not have.
        for (const QByteArray& length : {QByteArray("\x82\xff\xff\xff\x7f", 5),
                                         QByteArray("\x82\xff\xff\xff\xff", 5),
                                         QByteArray("\x81\xff\xff", 3), QByteArray("\x83", 1),
                                         QByteArray("\xff", 1)}) {
            const QByteArray bad = QByteArray("streamtyped NSString\x01\x94\x84\x01+", 25) + length
                                   + "abc";
            QVERIFY2(TypedStreamText::read(bad).isNull(), length.toHex().constData());
        }
        QVERIFY(TypedStreamText::read(QByteArray("NSString but no marker")).isNull());
        QVERIFY(TypedStreamText::read(QByteArray("\x84\x01+\x03" "abc NSString", 16)).isNull());
    }

    void heifPictures()
    {
        const QByteArray heic = ExportFixture::heic(320, 240, QColor(250, 0, 0));
        QVERIFY2(!heic.isEmpty(), "libheif has no HEVC encoder");
        QVERIFY(HeifImage::looksLikeHeif(heic));
        QVERIFY(!HeifImage::looksLikeHeif(ExportFixture::jpeg(10, 10)));
        QVERIFY(HeifImage::isHeifType(QStringLiteral("IMAGE/HEIC")));
        QVERIFY(!HeifImage::isHeifType(QStringLiteral("video/quicktime")));
        const QImage image = HeifImage::decode(heic);
        QCOMPARE(image.size(), QSize(320, 240));
        QVERIFY(QColor(image.pixel(5, 5)).red() > 200);

        QString error;
        QVERIFY(HeifImage::decode(heic.left(heic.size() / 2), &error).isNull());
        QVERIFY(!error.isEmpty());
        QVERIFY(HeifImage::decode(QByteArray()).isNull());
        // Damage in the file's boxes (the first kilobyte); the picture data itself is the
        // HEVC decoder's business.
        QRandomGenerator gen(7);
        for (int round = 0; round < 100; ++round) {
            QByteArray changed = heic;
            changed[gen.bounded(qMin(1024, int(changed.size())))] = char(gen.bounded(256));
            HeifImage::decode(changed);
        }
    }
};

PELLMAR_TEST_MAIN(TestRecordDecoders)
#include "test_record_decoders.moc"
