#include "device/MetadataFileWriter.h"

#include "tracks/Track.h"

namespace {

// Text below U+0300 has nothing to compose; most names are spared the normalisation.
QString composed(const QString& aText)
{
    for (const QChar c : aText) {
        if (c.unicode() >= 0x300)
            return aText.normalized(QString::NormalizationForm_C);
    }
    return aText;
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

QString attributeText(const QString& aName)
{
    return withoutLoneSurrogates(composed(aName));
}

} // namespace

MetadataFileWriter::MetadataFileWriter(QIODevice* aDevice) : mWriter(aDevice)
{
    mWriter.setAutoFormatting(false);
    mWriter.writeStartDocument();
    mWriter.writeStartElement(QStringLiteral("metadata"));
}

void MetadataFileWriter::writeTrack(const Track& aTrack)
{
    mWriter.writeEmptyElement(QStringLiteral("track"));
    mWriter.writeAttribute(QStringLiteral("path"),
                           attributeText(aTrack.deviceId()).replace(u'\\', u'/'));
    mWriter.writeAttribute(QStringLiteral("artist"), attributeText(aTrack.artistName()));
    mWriter.writeAttribute(QStringLiteral("album"), attributeText(aTrack.albumName()));
    mWriter.writeAttribute(QStringLiteral("track_name"), attributeText(aTrack.trackName()));
    mWriter.writeAttribute(QStringLiteral("track_number"),
                           QString::number(aTrack.trackNumberOnAlbum()));
}

void MetadataFileWriter::finish()
{
    mWriter.writeEndElement();
    mWriter.writeEndDocument();
}
