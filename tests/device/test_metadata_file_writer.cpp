// The metadata file: byte for byte what QXmlStreamWriter writes for the names composed and the
// paths with "/" separators, and whole even for names the writer cannot encode.
#include "TestMain.h"

#include "device/MetadataFileWriter.h"
#include "tracks/Track.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QXmlStreamWriter>

namespace {

QString composed(const QString& aText)
{
    return aText.normalized(QString::NormalizationForm_C);
}

// The file as a plain writer makes it from the composed names, with a call per attribute.
QByteArray writtenByWriter(const QList<Track>& aTracks)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QXmlStreamWriter writer(&buffer);
    writer.writeStartDocument();
    writer.writeStartElement(QStringLiteral("metadata"));
    for (const Track& track : aTracks) {
        writer.writeEmptyElement(QStringLiteral("track"));
        writer.writeAttribute(QStringLiteral("path"), composed(track.deviceId()).replace(u'\\', u'/'));
        writer.writeAttribute(QStringLiteral("artist"), composed(track.artistName()));
        writer.writeAttribute(QStringLiteral("album"), composed(track.albumName()));
        writer.writeAttribute(QStringLiteral("track_name"), composed(track.trackName()));
        writer.writeAttribute(QStringLiteral("track_number"),
                              QString::number(track.trackNumberOnAlbum()));
    }
    writer.writeEndElement();
    writer.writeEndDocument();
    return bytes;
}

// The same file as the phone writes it.
QByteArray writtenByFileWriter(const QList<Track>& aTracks)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    MetadataFileWriter writer(&buffer);
    for (const Track& track : aTracks)
        writer.writeTrack(track);
    writer.finish();
    return bytes;
}

Track track(const QString& aName, const QString& aArtist, const QString& aAlbum,
            const QString& aDeviceId, qint32 aNumber)
{
    Track result;
    result.setTrackName(aName);
    result.setArtistName(aArtist);
    result.setAlbumName(aAlbum);
    result.setDeviceId(aDeviceId);
    result.setTrackNumberOnAlbum(aNumber);
    return result;
}

} // namespace

class TestMetadataFileWriter : public QObject
{
    Q_OBJECT

private slots:
    void sameBytesAsTheWriter_data()
    {
        QTest::addColumn<QList<Track>>("tracks");
        QTest::newRow("no tracks") << QList<Track>();
        QTest::newRow("plain")
            << QList<Track>{track("One", "Artist", "Album", "\\Music\\Artist\\Album\\one.mp3", 1),
                            track("Two", "", "", "\\Music\\two.mp3", -3)};
        QTest::newRow("markup characters")
            << QList<Track>{track("<a> & \"b\" 'c'", "AC/DC", "Live: 1999", "\\Music\\AC_DC\\x & y.mp3", 2)};
        QTest::newRow("white space")
            << QList<Track>{track("tab\there", "line\nbreak", "cr\rlf\r\n", "\\Music\\ a .mp3", 0)};
        QTest::newRow("control and non-characters")
            << QList<Track>{track(QStringView(u"bell\u0007 nul").toString() + QChar(0) + "x", QStringView(u"\uFFFE\uFFFF").toString(),
                                  QStringView(u"\u000B\u000C").toString(), "\\Music\\c.mp3", 9)};
        QTest::newRow("outside the BMP")
            << QList<Track>{track(QString::fromUtf8("\xF0\x9F\x8E\xB5 note"),
                                  QString::fromUtf8("<\xF0\x9F\x8E\xB5>"), "Album", "\\Music\\n.mp3", 4)};
        QTest::newRow("decomposed names are composed")
            << QList<Track>{track(QString::fromUtf8("Cafe\xCC\x81"), QString::fromUtf8("Bjo\xCC\x88rk"),
                                  "Album", QString::fromUtf8("\\Music\\Bjo\xCC\x88rk\\a.mp3"), 5)};
    }

    void sameBytesAsTheWriter()
    {
        QFETCH(QList<Track>, tracks);
        QCOMPARE(writtenByFileWriter(tracks), writtenByWriter(tracks));
    }

    // The writer garbles everything after a surrogate without its pair; such a name becomes the
    // replacement character and the file stays whole.
    void loneSurrogatesBecomeReplacementCharacters()
    {
        const QList<Track> tracks{track(QString(QChar(0xD800)) + "lone", QString(QChar(0xDC00)),
                                        "Album <1>", "\\Music\\n.mp3", 4),
                                  track("Next", "Artist", "Album", "\\Music\\m.mp3", 5)};
        QCOMPARE(writtenByFileWriter(tracks),
                 QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?><metadata>"
                            "<track path=\"/Music/n.mp3\" artist=\"\xEF\xBF\xBD\" album=\"Album &lt;1&gt;\" "
                            "track_name=\"\xEF\xBF\xBDlone\" track_number=\"4\"/>"
                            "<track path=\"/Music/m.mp3\" artist=\"Artist\" album=\"Album\" "
                            "track_name=\"Next\" track_number=\"5\"/></metadata>\n"));
    }

    // Random names drawn from the characters that matter to escaping (surrogates in pairs).
    void randomNamesGiveTheWritersBytes()
    {
        static const QList<char16_t> kCharacters = {
            u'a', u'Z', u' ', u'<', u'>', u'&', u'"', u'\'', u'\t', u'\n', u'\r', u'\\', u'/',
            0x01, 0x1F, 0x7F, 0xE9, 0x301, 0xD83C, 0xFFFD, 0xFFFE, 0xFFFF, 0x3042};
        QRandomGenerator random(5);
        const auto name = [&random]() {
            QString text;
            const int length = int(random.bounded(12));
            for (int i = 0; i < length; ++i) {
                const QChar c(kCharacters.at(int(random.bounded(kCharacters.size()))));
                text += c;
                if (c.isHighSurrogate())
                    text += QChar(0xDFB5);
            }
            return text;
        };
        QList<Track> tracks;
        for (int i = 0; i < 300; ++i)
            tracks << track(name(), name(), name(), "\\Music\\" + name(), int(random.bounded(100)));
        QCOMPARE(writtenByFileWriter(tracks), writtenByWriter(tracks));
    }
};

PELLMAR_TEST_MAIN(TestMetadataFileWriter)
#include "test_metadata_file_writer.moc"
