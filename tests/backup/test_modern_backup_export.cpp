// The backup of a recent iPhone through "pellmar-sync export": both notes databases, words only
// in archived strings, a group chat, HEIC pictures and rows only in write-ahead logs. Every
// note, message and picture must arrive, and the backup must stay as it was.
#include "TestMain.h"
#include "TestPaths.h"
#include "backup/ExportFixtureDatabase.h"
#include "backup/FakeBackupBuilder.h"
#include "backup/MessagesFixture.h"
#include "backup/NoteStoreFixture.h"
#include "backup/NotesFixture.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>

using Newer = MessagesFixture::NewerMessage;

namespace {

const QVariant kNull;

// The texts of aElement, and the decoded pictures, of a document.
QStringList texts(const QString& aPath, const QString& aElement, QList<QImage>* aPictures = nullptr)
{
    QStringList result;
    QFile file(aPath);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("cannot open ") + aPath};
    QXmlStreamReader reader(&file);
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (reader.name() == aElement) {
            result << reader.readElementText();
        } else if (aPictures && reader.name() == QLatin1String("attachment")) {
            QImage image;
            image.loadFromData(QByteArray::fromBase64(reader.readElementText().toLatin1()), "JPEG");
            aPictures->append(image);
        }
    }
    if (reader.hasError())
        result << QStringLiteral("XML ERROR ") + reader.errorString();
    return result;
}

// Every file below aFolder with a hash of its contents.
QMap<QString, QByteArray> snapshot(const QString& aFolder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(aFolder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        files.insert(file, QCryptographicHash::hash(ExportFixture::readFile(file),
                                                    QCryptographicHash::Sha1));
    }
    return files;
}

} // namespace

class TestModernBackupExport : public QObject
{
    Q_OBJECT

    QTemporaryDir mDir;
    QString path(const QString& aName) const { return mDir.filePath(aName); }

private slots:
    void everythingArrives()
    {
        const QString sync = TestPaths::program(QStringLiteral("pellmar-sync"));
        const QString extract = TestPaths::program(QStringLiteral("pellmar-extract"));
        QVERIFY2(!sync.isEmpty() && !extract.isEmpty(), "pellmar-sync or pellmar-extract not built");

        // The notes database of iOS 5 to 8, still in the backup of an upgraded phone.
        NotesFixture oldNotes(path(QStringLiteral("notes.sqlite")), NotesFixture::Layout::Newer);
        oldNotes.addNote({QStringLiteral("From 2012"), null(), QStringLiteral("<b>old</b>"), 0, kNull});
        QVERIFY(oldNotes.isOk());

        NoteStoreFixture store(path(QStringLiteral("store-source.sqlite")),
                               NoteStoreFixture::Version::Ios16);
        store.addNote({QStringLiteral("Groceries"), QStringLiteral("Milk"),
                       QStringLiteral("Groceries\nMilk"), 700000000.0, 700000100.0});
        store.addNote({QStringLiteral("Locked"), kNull, QStringLiteral("secret"), 1, 2, 0, true});
        store.addNote({QStringLiteral("Deleted"), kNull, QStringLiteral("gone"), 1, 2, 0, false, true});
        const QString noteStore = path(QStringLiteral("NoteStore.sqlite"));
        QVERIFY(ExportFixture::walSnapshot(store.path(), noteStore, [&] {
            return store.addNote({QStringLiteral("Just written"), kNull,
                                  QStringLiteral("in the log"), 3, 4}) > 0;
        }));

        const QByteArray heic = ExportFixture::heic(1200, 900);
        QVERIFY(!heic.isEmpty());
        MessagesFixture sms(path(QStringLiteral("sms-source.db")), MessagesFixture::Layout::Newer);
        const qint64 ann = sms.addHandle(QStringLiteral("+4470001"));
        const qint64 ben = sms.addHandle(QStringLiteral("+4470002"));
        const qint64 group = sms.addChat(QStringLiteral("chat42"), {ann, ben});
        const qint64 hello = sms.addMessage(
            Newer{ann, 1, kNull, 0, 1, MessagesFixture::attributedBody(QStringLiteral("Hello from Ann"))});
        sms.addToChat(group, hello);
        const qint64 mine = sms.addMessage(
            Newer{0, 2, kNull, 1, 1, MessagesFixture::attributedBody(QStringLiteral("Hi both 👋"))});
        sms.addToChat(group, mine);
        const qint64 photo = sms.addMessage(Newer{0, 3, kNull, 1, 1,
                                                  MessagesFixture::attributedBody(QString(QChar(0xFFFC)))});
        sms.addToChat(group, photo);
        sms.addAttachment(photo, QStringLiteral("~/Library/SMS/Attachments/0a/10/IMG_0001.HEIC"),
                          QStringLiteral("image/heic"));
        QVERIFY(sms.isOk());
        const QString smsDb = path(QStringLiteral("sms.db"));
        QVERIFY(ExportFixture::walSnapshot(sms.database().path(), smsDb, [&] {
            sms.addMessage(Newer{ben, 4, kNull, 0, 0,
                                 MessagesFixture::attributedBody(QStringLiteral("Sent just before the backup"))});
            return sms.isOk();
        }));

        const QString root = path(QStringLiteral("Backup/"));
        FakeBackupBuilder backup(root + QStringLiteral("00008110-modern"));
        backup.setInfoPlist(QStringLiteral("Modern iPhone"));
        backup.setManifestPlist(false);
        backup.addFileFrom(QStringLiteral("HomeDomain"), QStringLiteral("Library/Notes/notes.sqlite"),
                           oldNotes.path());
        const QString notesGroup = QStringLiteral("AppDomainGroup-group.com.apple.notes");
        backup.addFileFrom(notesGroup, QStringLiteral("NoteStore.sqlite"), noteStore);
        backup.addFileFrom(notesGroup, QStringLiteral("NoteStore.sqlite-wal"),
                           noteStore + QStringLiteral("-wal"));
        backup.addFileFrom(QStringLiteral("HomeDomain"), QStringLiteral("Library/SMS/sms.db"), smsDb);
        backup.addFileFrom(QStringLiteral("HomeDomain"), QStringLiteral("Library/SMS/sms.db-wal"),
                           smsDb + QStringLiteral("-wal"));
        backup.addFile(QStringLiteral("MediaDomain"),
                       QStringLiteral("Library/SMS/Attachments/0a/10/IMG_0001.HEIC"), heic);
        QVERIFY(backup.write());
        const QMap<QString, QByteArray> before = snapshot(backup.folder());

        const QString home = path(QStringLiteral("home"));
        QVERIFY(QDir().mkpath(home));
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("PELLMAR_BACKUP_ROOTS"), root);
        env.insert(QStringLiteral("PELLMAR_EXTRACT_SETTLE_MS"), QStringLiteral("0"));
        env.insert(QStringLiteral("PATH"),
                   QFileInfo(extract).absolutePath() + QLatin1Char(':') + env.value(QStringLiteral("PATH")));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(home);
        const QString out = path(QStringLiteral("out"));
        process.start(sync, {QStringLiteral("export"), QStringLiteral("Modern iPhone"), out});
        QVERIFY(process.waitForFinished(60000));
        QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());

        const QString notes = out + QStringLiteral("/notes.xml");
        QCOMPARE(texts(notes, QStringLiteral("title")),
                 QStringList({QStringLiteral("From 2012"), QStringLiteral("Groceries"),
                              QStringLiteral("Locked"), QStringLiteral("Just written")}));
        QCOMPARE(texts(notes, QStringLiteral("data")),
                 QStringList({QStringLiteral("<b>old</b>"), QStringLiteral("Groceries<br>Milk"),
                              QString(), QStringLiteral("in the log")}));

        QList<QImage> pictures;
        const QString messages = out + QStringLiteral("/messages.xml");
        QCOMPARE(texts(messages, QStringLiteral("text"), &pictures),
                 QStringList({QStringLiteral("Hello from Ann"), QStringLiteral("Hi both 👋"),
                              QString(), QStringLiteral("Sent just before the backup")}));
        QCOMPARE(texts(messages, QStringLiteral("address")),
                 QStringList({QStringLiteral("+4470001"), QStringLiteral("+4470001"),
                              QStringLiteral("+4470001"), QStringLiteral("+4470002")}));
        QCOMPARE(pictures.size(), 1);
        QCOMPARE(pictures.at(0).size(), QSize(400, 300));

        QCOMPARE(snapshot(backup.folder()), before);
    }

private:
    static QVariant null() { return QVariant(); }
};

PELLMAR_TEST_MAIN(TestModernBackupExport)
#include "test_modern_backup_export.moc"
