#pragma once

#include <QByteArray>
#include <QLatin1StringView>
#include <QString>

class Track;

// The bytes of one "track" element of a run's metadata file, exactly as the run's
// QXmlStreamWriter would write them, but made without a writer call per attribute: one is made
// for every track copied. A value with nothing to escape is written as it is; any other value
// is escaped by a QXmlStreamWriter of its own, so the bytes are always the writer's. A surrogate
// without its pair, which the writer cannot encode, is written as the replacement character.
class MetadataTrackElement
{
public:
    // "<track path=... track_number=.../>": the path with "/" separators, names in composed
    // Unicode.
    static QByteArray build(const Track& aTrack);

    // Appends ` aName="aValue"` with aValue escaped as the writer escapes attribute values.
    static void appendAttribute(QByteArray& aOut, QLatin1StringView aName, const QString& aValue);
};
