// Names that become files and folders on the phone: control characters (which would split a
// playlist line and inject entries) and names too long for the phone's file system.
#include "CanaryFolder.h"
#include "TestMain.h"
#include "device/PhoneNames.h"
#include "device/DeviceTestHelpers.h"

#include "device/UsbMSDevice.h"
#include "tracks/Track.h"
#include "tracks/TrackList.h"

#include <QDir>
#include <QTemporaryDir>

namespace {

using DeviceTestHelpers::entryOf;
using DeviceTestHelpers::readFile;
using DeviceTestHelpers::writeFile;

Track libraryTrack(const QString& aName, const QString& aAlbum, const QString& aArtist,
                   const QString& aPath)
{
    return Track(aName, aAlbum, aArtist, 1, aPath, true, false, false, QString());
}

} // namespace

class TestPhoneNames : public QObject
{
    Q_OBJECT

private slots:
    void controlCharactersNeverReachThePhone();
    void longNamesFitInBytes_data();
    void longNamesFitInBytes();
    void longTrackNamesArriveWholeExtensionIncluded();
};

void TestPhoneNames::controlCharactersNeverReachThePhone()
{
    QTemporaryDir dir;
    const QString root = dir.path() + "/phone";
    QDir().mkpath(root);
    CanaryFolder canary(dir.path() + "/canary");
    UsbMSDevice phone(root, "Phone", true);
    const QString song = dir.path() + "/lib/a\nb.mp3";
    writeFile(song, "bytes");
    // A title and folder names that would add "../../etc/passwd" as a playlist entry.
    Track track = libraryTrack("Hit\r\n../../etc/passwd", "Al\tbum", "Art\nist", song);
    TrackList tracks;
    phone.PrepareForSync();
    QCOMPARE(phone.UploadTrack(track).code(), 0);
    QCOMPARE(track.deviceId(), QString("/Music/Art_ist/Al_bum/a_b.mp3"));
    QCOMPARE(readFile(root + "/Music/Art_ist/Al_bum/a_b.mp3"), QByteArray("bytes"));
    const int index = tracks.addTrack(track);
    QCOMPARE(phone.createPlaylist(entryOf("Mix\n#", {index}), tracks, true).code(), 0);
    phone.FinalizeSync();
    const QByteArray playlist = readFile(root + "/Playlists_CDZ/Mix_#.m3u");
    // Exactly one entry, for the track, whatever form entries take.
    const QList<QByteArray> lines = playlist.split('\n');
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines.at(1), QByteArray("#EXTINF:0,Hit../../etc/passwd\r"));
    QVERIFY2(lines.at(2).endsWith("Art_ist\\Al_bum\\a_b.mp3\r")
                 || lines.at(2).endsWith("Art_ist/Al_bum/a_b.mp3\r"),
             lines.at(2).constData());
    PELLMAR_VERIFY_CANARY(canary);
}

void TestPhoneNames::longNamesFitInBytes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("keepExtension");
    QTest::addColumn<QString>("expected");
    const QString han = QString(100, QChar(0x6F22));  // 3 bytes each: 300 bytes
    QTest::newRow("short stays") << "abc.mp3" << true << "abc.mp3";
    QTest::newRow("Han with extension") << han + ".flac" << true << QString(83, QChar(0x6F22)) + ".flac";
    QTest::newRow("Han folder") << han << false << QString(85, QChar(0x6F22));
    // A character outside the basic plane (4 bytes, two UTF-16 units) is never split.
    const QString emoji = QString::fromUcs4(U"\U0001F3B5");
    QString emojis;
    for (int i = 0; i < 70; ++i)
        emojis += emoji;
    QString fitted;
    for (int i = 0; i < 62; ++i)
        fitted += emoji;
    QTest::newRow("astral characters") << emojis + ".mp3" << true << fitted + ".mp3";
    QTest::newRow("ASCII exactly 255") << QString(251, 'a') + ".mp3" << true << QString(251, 'a') + ".mp3";
}

void TestPhoneNames::longNamesFitInBytes()
{
    QFETCH(QString, name);
    QFETCH(bool, keepExtension);
    QFETCH(QString, expected);
    const QString fitted = PhoneNames::FitName(name, PhoneNames::kMaxNameBytes, keepExtension);
    QCOMPARE(fitted, expected);
    QVERIFY(fitted.toUtf8().size() <= 255);
    QVERIFY(!fitted.contains(QChar(QChar::ReplacementCharacter)));
}

void TestPhoneNames::longTrackNamesArriveWholeExtensionIncluded()
{
    QTemporaryDir dir;
    const QString root = dir.path() + "/phone";
    QDir().mkpath(root);
    UsbMSDevice phone(root, "Phone", true);
    // 150 Cyrillic letters fit 255 characters but not 255 bytes (300); the file name fits,
    // but not with the hidden prefix of a replacing copy.
    const QString longName = QString(150, QChar(0x0416));
    const QString song = dir.path() + "/lib/" + longName.left(120) + ".m4a";
    writeFile(song, "short");
    Track track = libraryTrack("T", longName, longName, song);
    QCOMPARE(phone.UploadTrack(track).code(), 0);
    const QStringList parts = track.deviceId().split('/', Qt::SkipEmptyParts);
    QCOMPARE(parts.size(), 4);
    for (const QString& part : parts)
        QVERIFY2(part.toUtf8().size() <= 255, qPrintable(part));
    QVERIFY(parts.last().endsWith(".m4a"));
    QCOMPARE(readFile(phone.LocalPath(track.deviceId())), QByteArray("short"));
    // A longer track under the same name replaces it through a hidden name that fits too.
    writeFile(song, "much longer bytes");
    Track again = libraryTrack("T", longName, longName, song);
    QCOMPARE(phone.UploadTrack(again).code(), 0);
    QCOMPARE(readFile(phone.LocalPath(again.deviceId())), QByteArray("much longer bytes"));
}

PELLMAR_TEST_MAIN(TestPhoneNames)
#include "test_phone_names.moc"
