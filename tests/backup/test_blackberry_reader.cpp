#include "TestMain.h"
#include "backup/blackberry/BackupDatabaseRegistry.h"
#include "backup/blackberry/BlackBerryArchive.h"
#include "backup/blackberry/BlackBerryReader.h"
#include "backup/IpdBuilder.h"
#include "backup/blackberry/IpdFileReader.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QScopeGuard>
#include <QTemporaryDir>

namespace {

const QString kSms = QStringLiteral("SMS Messages");
const QString kContacts = QStringLiteral("Address Book - All");

QByteArray contents(const QString& aPath)
{
    QFile file(aPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray document(const QByteArray& aRoot, const QByteArray& aBody)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<" + aRoot + ">\n" + aBody + "</" + aRoot
           + ">\n";
}

// Reads aBytes as one database file and answers the registry.
BackupDatabaseRegistry readBytes(const QByteArray& aBytes)
{
    BackupDatabaseRegistry registry;
    IpdFileReader(registry).read(aBytes);
    return registry;
}

int recordCount(const BackupDatabaseRegistry& aRegistry, const QString& aName)
{
    const BackupDatabase* database = aRegistry.find(aName);
    return database ? int(database->mRecords.size()) : -1;
}

} // namespace

class TestBlackBerryReader : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir mDir;
    QString working() const { return mDir.filePath(QStringLiteral("extracted/")); }

    // Runs the reader on an ".ipd" file holding aBuilder's bytes in a fresh working folder.
    void readIpd(const IpdBuilder& aBuilder)
    {
        QDir(working()).removeRecursively();
        const QString path = mDir.filePath(QStringLiteral("backup.ipd"));
        QVERIFY(aBuilder.write(path));
        BlackBerryReader::readBlackBerryBackup(path, working(), 7);
    }

private slots:
    void messagesInTheIphoneVocabulary()
    {
        IpdBuilder ipd({QStringLiteral("Tasks"), kSms});
        const QByteArray spacedNumber = QByteArray("\x00+\x00" "4\x00" "4", 6);
        ipd.record(1, IpdBuilder::sms(0, " \t07700900123", QStringLiteral("Sent by me")));
        // The first header byte 1 marks a message the phone received.
        ipd.record(1, IpdBuilder::sms(1, spacedNumber, QStringLiteral("Hallo Welt"), 1300000000999ULL));
        // UTF-16 text with an odd byte at the end, a header too short for the time.
        ipd.record(1, {{1, IpdBuilder::smsHeader(1, 0, 13)},
                       {2, "555"},
                       {4, IpdBuilder::utf16BigEndian(QStringLiteral("Grüße\x01")) + 'x'},
                       {7, QByteArray(1, '\x02')}});
        // Without an encoding field the record is not a usable message.
        ipd.record(1, {{1, IpdBuilder::smsHeader(0, 1)}, {2, "1"}, {4, "lost"}});
        // The last field of a type counts; tasks are not messages.
        ipd.record(1, IpdBuilder::sms(0, "1", QStringLiteral("old")) << IpdBuilder::Field{4, QByteArray("new\0tail", 8)});
        ipd.record(0, IpdBuilder::sms(0, "2", QStringLiteral("a task")));
        readIpd(ipd);

        QCOMPARE(contents(working() + "messages.xml"),
                 document("messages",
                          "    <sent_message>\n        <address>07700900123</address>\n"
                          "        <date>1300000000</date>\n        <text>Sent by me</text>\n"
                          "    </sent_message>\n"
                          "    <received_message>\n        <address>+44</address>\n"
                          "        <date>1300000000</date>\n        <text>Hallo Welt</text>\n"
                          "    </received_message>\n"
                          "    <received_message>\n        <address>555</address>\n"
                          "        <text>Grüße</text>\n    </received_message>\n"
                          "    <sent_message>\n        <address>1</address>\n"
                          "        <date>1300000000</date>\n        <text>new</text>\n"
                          "    </sent_message>\n"));
        QVERIFY(!QFileInfo::exists(working() + "address.xml"));
    }

    void contactsInTheIphoneVocabulary()
    {
        IpdBuilder ipd({kContacts});
        const QByteArray contact = IpdBuilder::textSubfield(32, QStringLiteral("Ann"))
                                   + IpdBuilder::textSubfield(8, QStringLiteral("+44 7700"))
                                   + IpdBuilder::textSubfield(32, QStringLiteral("Lee"))
                                   + IpdBuilder::charsetSubfield(1, 1, QStringLiteral("änn@example.org"))
                                   + IpdBuilder::textSubfield(61, QStringLiteral("1 High St"))
                                   + IpdBuilder::charsetSubfield(69, 0, QStringLiteral("Zürich"))
                                   + IpdBuilder::textSubfield(99, QStringLiteral("ignored"))
                                   + IpdBuilder::textSubfield(33, QStringLiteral("Acme"));
        ipd.record(0, {{3, "other"}, {10, contact}});
        // No contact field: an empty person.
        ipd.record(0, {{3, "nothing"}});
        const QByteArray three = IpdBuilder::textSubfield(32, QStringLiteral("A"))
                                 + IpdBuilder::textSubfield(32, QStringLiteral("B"))
                                 + IpdBuilder::textSubfield(32, QStringLiteral("C"))
                                 + IpdBuilder::textSubfield(32, QStringLiteral("D"))
                                 + IpdBuilder::textSubfield(40, QStringLiteral("8000"));
        ipd.record(0, {{10, three}});
        // An unknown character set gives an empty text; the subfields after it are still read.
        const QByteArray unknown = IpdBuilder::charsetSubfield(18, 7, QStringLiteral("??"))
                                   + IpdBuilder::textSubfield(54, QStringLiteral("http://x"));
        ipd.record(0, {{10, unknown}});
        // A subfield longer than its field ends that field; what came before stays.
        const QByteArray cut = IpdBuilder::textSubfield(17, QStringLiteral("123"))
                               + IpdBuilder::le16(500) + char(32) + "Bob";
        ipd.record(0, {{10, cut}});
        readIpd(ipd);

        QCOMPARE(contents(working() + "address.xml"),
                 document("address_book",
                          "    <person>\n"
                          "        <phone type=\"mobile\" value=\"+44 7700\"/>\n"
                          "        <email type=\"main\" value=\"änn@example.org\"/>\n"
                          "        <organization>Acme</organization>\n"
                          "        <first_name>Ann</first_name>\n"
                          "        <last_name>Lee</last_name>\n"
                          "        <address type=\"home\" value=\"\">\n"
                          "            <street>1 High St</street>\n"
                          "            <city>Zürich</city>\n"
                          "        </address>\n"
                          "    </person>\n"
                          "    <person/>\n"
                          "    <person>\n"
                          "        <first_name>A</first_name>\n"
                          "        <middle_name>B</middle_name>\n"
                          "        <last_name>C</last_name>\n"
                          "        <address type=\"work\" value=\"\">\n"
                          "            <zip>8000</zip>\n"
                          "        </address>\n"
                          "    </person>\n"
                          "    <person>\n"
                          "        <phone type=\"main\" value=\"\"/>\n"
                          "        <url type=\"homepage\" value=\"http://x\"/>\n"
                          "    </person>\n"
                          "    <person>\n"
                          "        <phone type=\"home\" value=\"123\"/>\n"
                          "    </person>\n"));
        QVERIFY(!QFileInfo::exists(working() + "messages.xml"));
    }

    void truncatedFilesKeepWhatWasWhole_data()
    {
        QTest::addColumn<int>("cut");
        QTest::addColumn<int>("names");
        QTest::addColumn<int>("records");
        IpdBuilder ipd({kSms, kContacts});
        const int header = int(QByteArray("Inter@ctive Pager Backup/Restore File\n").size());
        const int names = int(ipd.bytes().size());
        ipd.record(0, IpdBuilder::sms(0, "1", QStringLiteral("whole")));
        const int firstRecord = int(ipd.bytes().size());
        QTest::newRow("in the header line") << header - 5 << 0 << 0;
        QTest::newRow("in the count") << header + 2 << 0 << 0;
        QTest::newRow("in the first name") << header + 4 + 5 << 0 << 0;
        QTest::newRow("in the second name") << names - 3 << 1 << 0;
        QTest::newRow("in a record header") << firstRecord + 5 << 2 << 1;
        QTest::newRow("in a field") << firstRecord + 13 + 3 + 10 << 2 << 1;
        QTest::newRow("whole") << firstRecord * 2 << 2 << 2;
    }

    void truncatedFilesKeepWhatWasWhole()
    {
        QFETCH(int, cut);
        QFETCH(int, names);
        QFETCH(int, records);
        IpdBuilder ipd({kSms, kContacts});
        ipd.record(0, IpdBuilder::sms(0, "1", QStringLiteral("whole")));
        ipd.record(0, IpdBuilder::sms(1, "2", QStringLiteral("second")));
        const BackupDatabaseRegistry registry = readBytes(ipd.bytes().left(cut));
        QCOMPARE(registry.count(), names);
        QCOMPARE(qMax(0, recordCount(registry, kSms)), records);
    }

    void countLargerThanTheNamesPresent()
    {
        // The count promises five names; the file ends after two.
        const BackupDatabaseRegistry registry = readBytes(IpdBuilder({kSms, kContacts}, 5).bytes());
        QCOMPARE(registry.names(), (QStringList{kSms, kContacts}));
        // A separator other than 0 registers nothing.
        QCOMPARE(readBytes(IpdBuilder({kSms}, -1, 1).bytes()).count(), 0);
    }

    void overlongFieldResumesAtTheRecordsDeclaredEnd()
    {
        IpdBuilder ipd({kSms});
        // Declared: 7 header bytes and one field of 3 + 6 bytes; the field claims 40. Its last six
        // bytes look like the start of a record, so a reader resuming six bytes early would
        // take them for one.
        const QByteArray bait = IpdBuilder::le16(0) + IpdBuilder::le32(7);
        ipd.raw(IpdBuilder::le16(0) + IpdBuilder::le32(16) + char(1) + IpdBuilder::le16(0)
                + IpdBuilder::le32(0) + IpdBuilder::le16(40) + char(4) + bait);
        ipd.record(0, IpdBuilder::sms(0, "7", QStringLiteral("after")));
        ipd.raw(QByteArray(40, 'z'));
        const BackupDatabaseRegistry registry = readBytes(ipd.bytes());
        QCOMPARE(recordCount(registry, kSms), 1);
        QCOMPARE(registry.find(kSms)->mRecords.first().lastField(2)->constData(), "7");
    }

    void specialAndUnknownDatabaseIds()
    {
        IpdBuilder ipd({kSms});
        // 0xFFFF consumes six bytes; unknown ids are passed two bytes at a time.
        ipd.raw(IpdBuilder::le16(0xFFFF) + IpdBuilder::le32(0xFFFFFFFF));
        ipd.raw(IpdBuilder::le16(0x0909) + IpdBuilder::le16(0x0909));
        ipd.record(0, IpdBuilder::sms(1, "1", QStringLiteral("kept")));
        ipd.raw(IpdBuilder::le16(0xFFFF));
        const BackupDatabaseRegistry registry = readBytes(ipd.bytes());
        QCOMPARE(recordCount(registry, kSms), 1);
    }

    void unpackedArchiveReadsNumberedFilesUpToTheFirstGap()
    {
        // Index 0 is "Null-database", so the first file's database is 1.
        IpdBuilder first({kSms});
        first.record(1, IpdBuilder::sms(1, "100", QStringLiteral("from one")));
        IpdBuilder second({kContacts});
        second.record(2, {{10, IpdBuilder::textSubfield(32, QStringLiteral("Ann"))}});
        IpdBuilder third({kContacts});
        third.record(2, {{10, IpdBuilder::textSubfield(32, QStringLiteral("Zed"))}});
        const QString archive = mDir.filePath(QStringLiteral("backup.bbb"));
        QVERIFY(BbbArchiveBuilder::write(archive, {{1, first.bytes()}, {3, third.bytes()}}));
        QDir(working()).removeRecursively();
        BlackBerryReader::readBlackBerryBackup(archive, working(), 3);
        QVERIFY(contents(working() + "messages.xml").contains("<text>from one</text>"));
        QVERIFY(!QFileInfo::exists(working() + "address.xml"));

        QVERIFY(BbbArchiveBuilder::write(archive, {{1, first.bytes()}, {2, second.bytes()}}));
        QDir(working()).removeRecursively();
        BlackBerryReader::readBlackBerryBackup(archive, working(), 3);
        QVERIFY(contents(working() + "address.xml").contains("<first_name>Ann</first_name>"));
    }

    void archivesThatAreNotArchivesOrLeadOutside()
    {
        // Not an archive: read as a database file, which holds nothing usable.
        const QString junk = mDir.filePath(QStringLiteral("junk.bbb"));
        IpdBuilder notAnArchive({kSms});
        QVERIFY(notAnArchive.write(junk));
        QDir(working()).removeRecursively();
        BlackBerryReader::readBlackBerryBackup(junk, working(), 3);
        QVERIFY(QFileInfo(working()).isDir());
        QCOMPARE(contents(working() + "messages.xml"),
                 QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<messages/>\n"));

        // An archive whose Databases folder is a link to a folder elsewhere is not unpacked,
        // and nothing is read through the link.
        QTemporaryDir outside;
        IpdBuilder planted({kSms});
        planted.record(0, IpdBuilder::sms(1, "666", QStringLiteral("planted")));
        QVERIFY(planted.write(outside.filePath(QStringLiteral("1.dat"))));
        QTemporaryDir content;
        QFile manifest(content.filePath(QStringLiteral("Manifest.xml")));
        QVERIFY(manifest.open(QIODevice::WriteOnly));
        manifest.close();
        QVERIFY(QFile::link(outside.path(), content.filePath(QStringLiteral("Databases"))));
        const QString linked = mDir.filePath(QStringLiteral("linked.bbb"));
        QVERIFY(BbbArchiveBuilder::run7z(content.path(), {"a", "-tzip", "-snl", linked,
                                                          "Manifest.xml", "Databases"}));
        QDir(working()).removeRecursively();
        BlackBerryReader::readBlackBerryBackup(linked, working(), 3);
        QVERIFY(!QFileInfo::exists(working() + "Manifest.xml"));
        QVERIFY(!contents(working() + "messages.xml").contains("planted"));

        QVERIFY(!BlackBerryArchive::listingIsSafe(
            "Path = x.bbb\n----------\nPath = ../../escape.txt\nAttributes = A\n"));
        QVERIFY(!BlackBerryArchive::listingIsSafe("----------\nPath = /etc/cron.d/x\n"));
        QVERIFY(BlackBerryArchive::listingIsSafe(
            "----------\nPath = Databases/1.dat\nAttributes = A -rw-r--r--\n"));
    }

    // Cancel reaches an archiver that hangs while it unpacks: it is killed within moments, what
    // it had unpacked is removed, an earlier file of the user's beside it stays, and nothing is
    // written.
    void cancelStopsAHangingArchiver()
    {
        QTemporaryDir bin;
        const QByteArray oldPath = qgetenv("PATH");
        const auto restorePath = qScopeGuard([&oldPath] { qputenv("PATH", oldPath); });
        const QString fake = bin.filePath(QStringLiteral("7z"));
        QFile script(fake);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\n"
                     "if [ \"$1\" = l ]; then\n"
                     "  printf 'Path = a.bbb\\n----------\\nPath = Databases\\nAttributes = D\\n\\n"
                     "Path = Databases/1.dat\\nAttributes = A\\n'\n"
                     "  exit 0\n"
                     "fi\n"
                     "for a; do case \"$a\" in -o*) out=${a#-o};; esac; done\n"
                     "mkdir -p \"$out/Databases\" && printf partial > \"$out/Databases/1.dat\"\n"
                     "exec sleep 30\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", QFile::encodeName(bin.path()) + ':' + oldPath);

        const QString archive = mDir.filePath(QStringLiteral("slow.bbb"));
        IpdBuilder database({kSms});
        QVERIFY(database.write(archive));
        QDir(working()).removeRecursively();
        QVERIFY(QDir().mkpath(working()));
        QFile kept(working() + "kept.txt");
        QVERIFY(kept.open(QIODevice::WriteOnly));
        kept.close();
        const QString partial = working() + "Databases/1.dat";
        QElapsedTimer timer;
        timer.start();
        // Once cancelled, a run stays cancelled.
        bool cancelled = false;
        BlackBerryReader::readBlackBerryBackup(archive, working(), 3, QString(), [&] {
            return cancelled = cancelled || QFileInfo::exists(partial);
        });
        QVERIFY(cancelled);
        QVERIFY(timer.elapsed() < 10000);
        QVERIFY(!QFileInfo::exists(working() + "Databases"));
        QVERIFY(!QFileInfo::exists(working() + "messages.xml"));
        QVERIFY(QFileInfo::exists(working() + "kept.txt"));
    }

    void linksLeftByTheArchiverAreRemovedUnfollowed()
    {
        QTemporaryDir outside;
        QFile kept(outside.filePath(QStringLiteral("keep")));
        QVERIFY(kept.open(QIODevice::WriteOnly));
        kept.close();
        QDir(working()).removeRecursively();
        QVERIFY(QDir().mkpath(working() + "Databases"));
        QVERIFY(QFile::link(outside.filePath(QStringLiteral("keep")), working() + "Databases/1.dat"));
        QVERIFY(QFile::link(outside.path(), working() + "dir"));
        QCOMPARE(BlackBerryArchive::removeSpecialEntries(working()), 2);
        QVERIFY(!QFileInfo(working() + "Databases/1.dat").isSymLink());
        QVERIFY(QFileInfo::exists(outside.filePath(QStringLiteral("keep"))));
    }

    void backupKindByName()
    {
        QVERIFY(BlackBerryReader::isBlackBerryBackup(QStringLiteral("/b/x.bbb")));
        QVERIFY(BlackBerryReader::isBlackBerryBackup(QStringLiteral("a.ipd")));
        QVERIFY(!BlackBerryReader::isBlackBerryBackup(QStringLiteral(".ipd")));
        QVERIFY(!BlackBerryReader::isBlackBerryBackup(QStringLiteral("/b/x.IPD")));
        QVERIFY(!BlackBerryReader::isBlackBerryBackup(QStringLiteral("/b/backup/")));
    }
};

PELLMAR_TEST_MAIN(TestBlackBerryReader)
#include "test_blackberry_reader.moc"
