// The metadata file's track elements are made without a writer call per attribute; the file
// must still be byte for byte what QXmlStreamWriter writes with one call per attribute.
#include "TestMain.h"

#include "device/MetadataTrackElement.h"
#include "tracks/Track.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QXmlStreamWriter>

#include <functional>

namespace {

QString composed(const QString& aText)
{
    return aText.normalized(QString::NormalizationForm_C);
}

// A whole metadata file: the writer's declaration and root around aWriteTrack for each track.
QByteArray metadataFile(const QList<Track>& aTracks,
                        const std::function<void(QXmlStreamWriter&, QBuffer&, const Track&)>& aWriteTrack)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QXmlStreamWriter writer(&buffer);
    writer.writeStartDocument();
    writer.writeStartElement(QStringLiteral("metadata"));
    for (const Track& track : aTracks)
        aWriteTrack(writer, buffer, track);
    writer.writeEndElement();
    writer.writeEndDocument();
    return bytes;
}

// The file as the writer makes it with a call per attribute.
QByteArray writtenByWriter(const QList<Track>& aTracks)
{
    return metadataFile(aTracks, [](QXmlStreamWriter& aWriter, QBuffer&, const Track& aTrack) {
        aWriter.writeEmptyElement(QStringLiteral("track"));
        aWriter.writeAttribute(QStringLiteral("path"), composed(aTrack.deviceId()).replace(u'\\', u'/'));
        aWriter.writeAttribute(QStringLiteral("artist"), composed(aTrack.artistName()));
        aWriter.writeAttribute(QStringLiteral("album"), composed(aTrack.albumName()));
        aWriter.writeAttribute(QStringLiteral("track_name"), composed(aTrack.trackName()));
        aWriter.writeAttribute(QStringLiteral("track_number"),
                               QString::number(aTrack.trackNumberOnAlbum()));
    });
}

// The same file with the elements made here, as the phone writes it.
QByteArray writtenByElements(const QList<Track>& aTracks)
{
    return metadataFile(aTracks, [](QXmlStreamWriter& aWriter, QBuffer& aBuffer, const Track& aTrack) {
        aWriter.writeCharacters(QString());
        aBuffer.write(MetadataTrackElement::build(aTrack));
    });
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

class TestMetadataElement : public QObject
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
        QCOMPARE(writtenByElements(tracks), writtenByWriter(tracks));
    }

    // The writer garbles everything after a surrogate without its pair; such a name becomes the
    // replacement character and the file stays whole.
    void loneSurrogatesBecomeReplacementCharacters()
    {
        const QList<Track> tracks{track(QString(QChar(0xD800)) + "lone", QString(QChar(0xDC00)),
                                        "Album <1>", "\\Music\\n.mp3", 4),
                                  track("Next", "Artist", "Album", "\\Music\\m.mp3", 5)};
        QCOMPARE(writtenByElements(tracks),
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
        QCOMPARE(writtenByElements(tracks), writtenByWriter(tracks));
    }
};

PELLMAR_TEST_MAIN(TestMetadataElement)
#include "test_metadata_element.moc"
