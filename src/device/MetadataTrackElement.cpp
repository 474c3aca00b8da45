#include "device/MetadataTrackElement.h"

#include "tracks/Track.h"

#include <QBuffer>
#include <QXmlStreamWriter>

namespace {

// Characters the writer writes as they are in an attribute value.
bool needsNoEscaping(QStringView aValue)
{
    for (const QChar c : aValue) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == u'<' || u == u'>' || u == u'&' || u == u'"' || c.isSurrogate()
            || u >= 0xFFFE)
            return false;
    }
    return true;
}

// Appends aValue when it is printable ASCII with nothing to escape, the usual case, a byte per
// character; false (nothing appended) otherwise.
bool appendPlainAscii(QByteArray& aOut, QStringView aValue)
{
    for (const QChar c : aValue) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u >= 0x7F || u == u'<' || u == u'>' || u == u'&' || u == u'"')
            return false;
    }
    const qsizetype at = aOut.size();
    aOut.resize(at + aValue.size());
    char* out = aOut.data() + at;
    for (const QChar c : aValue)
        *out++ = char(c.unicode());
    return true;
}

// A surrogate without its pair cannot be encoded; the writer would lose its encoder state and
// garble the rest of the file. It becomes the replacement character.
QString withoutLoneSurrogates(QString aValue)
{
    for (qsizetype i = 0; i < aValue.size(); ++i) {
        const QChar c = aValue.at(i);
        if (c.isHighSurrogate() && i + 1 < aValue.size() && aValue.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            aValue[i] = QChar::ReplacementCharacter;
    }
    return aValue;
}

QByteArray escapedByWriter(const QString& aValue)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QXmlStreamWriter writer(&buffer);
    writer.writeEmptyElement(QStringLiteral("t"));
    writer.writeAttribute(QStringLiteral("v"), aValue);
    writer.writeEndDocument();
    // An escaped value holds no quote: it ends at the next one.
    const qsizetype from = bytes.indexOf("v=\"") + 3;
    const qsizetype to = bytes.indexOf('"', from);
    return from < 3 || to < 0 ? QByteArray() : bytes.mid(from, to - from);
}

QString composed(const QString& aText)
{
    // Text below U+0300 has nothing to compose.
    for (const QChar c : aText) {
        if (c.unicode() >= 0x300)
            return aText.normalized(QString::NormalizationForm_C);
    }
    return aText;
}

} // namespace

void MetadataTrackElement::appendAttribute(QByteArray& aOut, QLatin1StringView aName,
                                           const QString& aValue)
{
    aOut += ' ';
    aOut += QByteArrayView(aName.data(), aName.size());
    aOut += "=\"";
    if (!appendPlainAscii(aOut, aValue))
        aOut += needsNoEscaping(aValue) ? aValue.toUtf8()
                                        : escapedByWriter(withoutLoneSurrogates(aValue));
    aOut += '"';
}

QByteArray MetadataTrackElement::build(const Track& aTrack)
{
    QByteArray out;
    out.reserve(64 + 3 * (aTrack.deviceId().size() + aTrack.artistName().size()
                          + aTrack.albumName().size() + aTrack.trackName().size()));
    out.append("<track");
    appendAttribute(out, QLatin1StringView("path"),
                    composed(aTrack.deviceId()).replace(QLatin1Char('\\'), QLatin1Char('/')));
    appendAttribute(out, QLatin1StringView("artist"), composed(aTrack.artistName()));
    appendAttribute(out, QLatin1StringView("album"), composed(aTrack.albumName()));
    appendAttribute(out, QLatin1StringView("track_name"), composed(aTrack.trackName()));
    appendAttribute(out, QLatin1StringView("track_number"),
                    QString::number(aTrack.trackNumberOnAlbum()));
    out.append("/>");
    return out;
}
