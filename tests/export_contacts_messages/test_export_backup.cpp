// Whole fake backups through the real extraction tool, then the address book and messages
// exporters on what it unpacked.
#include "TestMain.h"
#include "TestPaths.h"
#include "app/AppPaths.h"
#include "backup/AddressBookFixture.h"
#include "backup/iphone/AppleExtractor.h"
#include "backup/ExportFixtureDatabase.h"
#include "backup/ExportResult.h"
#include "backup/FakeBackupBuilder.h"
#include "backup/MessagesFixture.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QXmlStreamReader>

namespace {

const QVariant kNull;

// Element texts and decoded attachment sizes of a document.
struct Document
{
    QStringList texts;
    QList<QSize> pictures;
};

Document readDocument(const QString& aPath, const QString& aTextElement)
{
    Document doc;
    QFile file(aPath);
    if (!file.open(QIODevice::ReadOnly))
        return doc;
    QXmlStreamReader reader(&file);
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (reader.name() == aTextElement) {
            doc.texts << reader.readElementText();
        } else if (reader.name() == QLatin1String("attachment")
                   || reader.name() == QLatin1String("photo")) {
            QImage image;
            image.loadFromData(QByteArray::fromBase64(reader.readElementText().toLatin1()));
            doc.pictures << image.size();
        }
    }
    if (reader.hasError())
        doc.texts << QStringLiteral("XML ERROR: ") + reader.errorString();
    return doc;
}

} // namespace

class TestExportBackup : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir mDir;
    QString path(const QString& aName) const { return mDir.filePath(aName); }

private slots:
    void initTestCase()
    {
        if (!FakeBackupBuilder::prepareExtraction())
            QSKIP("pellmar-extract has not been built");
    }

    // A backup of a later phone: domains, Manifest.db, the newer database layouts, an
    // attachment in the media domain named by its path without the domain.
    void newerBackup()
    {
        const QString book = path(QStringLiteral("AddressBook.sqlitedb"));
        const QString images = path(QStringLiteral("AddressBookImages.sqlitedb"));
        {
            AddressBookFixture ab(book, AddressBookFixture::Layout::Newer);
            const qint64 p = ab.addPerson({QStringLiteral("Nina"), QStringLiteral("Ng"), kNull, kNull, kNull});
            ab.addMultiValue(p, 3, QStringLiteral("_$!<Mobile>!$_"), QStringLiteral("+1 555"));
            QVERIFY(ab.isOk());
        }
        QVERIFY(AddressBookFixture::createImages(images, AddressBookFixture::Layout::Newer));
        QVERIFY(AddressBookFixture::addImage(images, AddressBookFixture::Layout::Newer, 1, 0,
                                             ExportFixture::jpeg(90, 90)));
        const QString sms = path(QStringLiteral("sms.db"));
        {
            MessagesFixture db(sms, MessagesFixture::Layout::Newer);
            const qint64 h = db.addHandle(QStringLiteral("+1555"));
            const qint64 m = db.addMessage(MessagesFixture::NewerMessage{h, Q_INT64_C(700000000000000000), QStringLiteral("photo"), 1, 1});
            db.addAttachment(m, QStringLiteral("~/Library/SMS/Attachments/ab/12/IMG_1.JPG"), QStringLiteral("image/jpeg"));
            QVERIFY(db.isOk());
        }

        FakeBackupBuilder backup(path(QStringLiteral("backups/newer")));
        backup.setInfoPlist(QStringLiteral("Nina's iPhone"));
        backup.setManifestPlist(false);
        backup.addFileFrom(QStringLiteral("HomeDomain"), QStringLiteral("Library/AddressBook/AddressBook.sqlitedb"), book);
        backup.addFileFrom(QStringLiteral("HomeDomain"), QStringLiteral("Library/AddressBook/AddressBookImages.sqlitedb"), images);
        backup.addFileFrom(QStringLiteral("HomeDomain"), QStringLiteral("Library/SMS/sms.db"), sms);
        backup.addFile(QStringLiteral("MediaDomain"), QStringLiteral("Library/SMS/Attachments/ab/12/IMG_1.JPG"),
                       ExportFixture::jpeg(1600, 1200));
        QVERIFY(backup.write());

        AppleExtractor extractor;
        QCOMPARE(backup.extract(extractor), 0);
        QCOMPARE(extractor.mSmsDatabases.size(), 1);
        QCOMPARE(extractor.mAddressBookDatabases.size(), 1);

        const QString working = FakeBackupBuilder::workingFolder();
        QCOMPARE(extractor.generateAddressBookXML(working, working + QStringLiteral("address.xml")), ExportResult::Ok);
        const Document address = readDocument(working + QStringLiteral("address.xml"), QStringLiteral("first_name"));
        QCOMPARE(address.texts, QStringList{QStringLiteral("Nina")});
        QCOMPARE(address.pictures, QList<QSize>{QSize(90, 90)});

        QCOMPARE(extractor.generateMessagesXML(working, working + QStringLiteral("messages.xml")), ExportResult::Ok);
        const Document messages = readDocument(working + QStringLiteral("messages.xml"), QStringLiteral("date"));
        QCOMPARE(messages.texts, QStringList{QString::number(700000000 + 978307200)});
        QCOMPARE(messages.pictures, QList<QSize>{QSize(400, 300)});
    }

    // A backup of an early phone: Manifest.mbdb, the older layouts, a message picture kept as
    // a part file.
    void olderBackup()
    {
        const QString book = path(QStringLiteral("old-AddressBook.sqlitedb"));
        const QString images = path(QStringLiteral("old-AddressBookImages.sqlitedb"));
        {
            AddressBookFixture ab(book, AddressBookFixture::Layout::Older);
            ab.addPerson({QStringLiteral("Otto"), kNull, kNull, kNull, QStringLiteral("-100")});
            QVERIFY(ab.isOk());
        }
        QVERIFY(AddressBookFixture::createImages(images, AddressBookFixture::Layout::Older));
        QVERIFY(AddressBookFixture::addImage(images, AddressBookFixture::Layout::Older, 1, 0,
                                             ExportFixture::png(30, 20, false)));
        const QString sms = path(QStringLiteral("old-sms.db"));
        {
            MessagesFixture db(sms, MessagesFixture::Layout::Older);
            for (int i = 1; i <= 12; ++i)
                db.addMessage(MessagesFixture::OlderMessage{QStringLiteral("+44"), 1250000000 + i, QStringLiteral("m%1").arg(i), 2, 1, kNull});
            db.addPiece(12, 1, QStringLiteral("image/jpeg"), kNull);
            QVERIFY(db.isOk());
        }

        FakeBackupBuilder backup(path(QStringLiteral("backups/older")), FakeBackupBuilder::Index::Mbdb,
                                 FakeBackupBuilder::Storage::Flat);
        backup.setInfoPlist(QStringLiteral("Otto's iPhone"), FakeBackupBuilder::PlistFormat::Binary);
        backup.setManifestPlist(false, FakeBackupBuilder::PlistFormat::Binary);
        backup.addFileFrom(QStringLiteral("HomeDomain"), QStringLiteral("Library/AddressBook/AddressBook.sqlitedb"), book);
        backup.addFileFrom(QStringLiteral("HomeDomain"), QStringLiteral("Library/AddressBook/AddressBookImages.sqlitedb"), images);
        backup.addFileFrom(QStringLiteral("HomeDomain"), QStringLiteral("Library/SMS/sms.db"), sms);
        backup.addFile(QStringLiteral("MediaDomain"), QStringLiteral("Library/SMS/Parts/0c/12-1.jpg"),
                       ExportFixture::jpeg(800, 800));
        QVERIFY(backup.write());

        AppleExtractor extractor;
        QCOMPARE(backup.extract(extractor), 0);
        const QString working = FakeBackupBuilder::workingFolder();
        QCOMPARE(extractor.generateAddressBookXML(working, working + QStringLiteral("address.xml")), ExportResult::Ok);
        const Document address = readDocument(working + QStringLiteral("address.xml"), QStringLiteral("birthday"));
        QCOMPARE(address.texts, QStringList{QStringLiteral("978263900")});
        QCOMPARE(address.pictures, QList<QSize>{QSize(30, 20)});

        QCOMPARE(extractor.generateMessagesXML(working, working + QStringLiteral("messages.xml")), ExportResult::Ok);
        const Document messages = readDocument(working + QStringLiteral("messages.xml"), QStringLiteral("text"));
        QCOMPARE(messages.texts.size(), 12);
        QCOMPARE(messages.texts.last(), QStringLiteral("m12"));
        QCOMPARE(messages.pictures, QList<QSize>{QSize(400, 400)});
    }
};

PELLMAR_TEST_MAIN(TestExportBackup)
#include "test_export_backup.moc"
