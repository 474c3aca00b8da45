// A library file that is damaged must never read as an empty library: a run would then take
// every track on the phone as no longer chosen and delete it.
#include "TestMain.h"

#include "library/itunes/LibraryXmlReader.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

const QByteArray kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n";
const QByteArray kPlaylists =
    "<key>Playlists</key><array><dict><key>Name</key><string>Mix</string>"
    "<key>Playlist ID</key><integer>9</integer><key>Playlist Items</key><array>"
    "<dict><key>Track ID</key><integer>1</integer></dict></array></dict></array>\n";
const QByteArray kTail = "</dict>\n</plist>\n";

} // namespace

class TestLibraryDamage : public QObject
{
    Q_OBJECT

private slots:
    void damagedLibrariesAreRefused_data();
    void damagedLibrariesAreRefused();
};

void TestLibraryDamage::damagedLibrariesAreRefused_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("usable");
    const QByteArray track = "<key>Tracks</key><dict><key>1</key><dict><key>Track ID</key>"
                             "<integer>1</integer><key>Name</key><string>A</string></dict></dict>\n";
    QTest::newRow("sound") << kHead + track + kPlaylists + kTail << true;
    QTest::newRow("Tracks an array") << kHead + "<key>Tracks</key><array/>\n" + kPlaylists + kTail
                                     << false;
    QTest::newRow("Tracks a string") << kHead + "<key>Tracks</key><string>x</string>\n" + kTail
                                     << false;
    QTest::newRow("playlists name tracks, Tracks empty")
        << kHead + "<key>Tracks</key><dict/>\n" + kPlaylists + kTail << false;
    QTest::newRow("playlists name tracks, no Tracks") << kHead + kPlaylists + kTail << false;
    // A library that is really empty stays readable.
    QTest::newRow("empty library") << kHead + "<key>Tracks</key><dict/>\n" + kTail << true;
}

void TestLibraryDamage::damagedLibrariesAreRefused()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, usable);
    QTemporaryDir dir;
    QFile file(dir.path() + "/library.xml");
    QVERIFY(file.open(QIODevice::ReadWrite));
    file.write(content);
    file.seek(0);
    // Every way a file is read: the fast scan first, the XML reader when it gives up.
    LibraryXmlReader reader;
    QCOMPARE(reader.readFile(file), usable);
    if (!usable)
        QVERIFY(!reader.errorString().isEmpty());
    file.seek(0);
    LibraryXmlReader xmlReader;
    QCOMPARE(xmlReader.read(&file), usable);
}

PELLMAR_TEST_MAIN(TestLibraryDamage)
#include "test_library_damage.moc"
