#include "library/rhythmbox/RhythmboxPlaylistReader.h"

#include "app/DebugLog.h"

#include <QIODevice>
#include <QSet>
#include <QXmlStreamReader>

bool RhythmboxPlaylistReader::read(QIODevice* aDevice)
{
    LogScope scope("RhythmboxPlaylistReader::read");
    mPlaylists.clear();
    mAutomatic.clear();
    mWarnings.clear();
    mError.clear();
    mIncomplete = false;

    QXmlStreamReader xml(aDevice);
    if (!xml.readNextStartElement() || xml.name() != u"rhythmdb-playlists") {
        mError = QStringLiteral("not a Rhythmbox playlist file: %1")
                     .arg(xml.hasError() ? xml.errorString()
                                         : QStringLiteral("no \"rhythmdb-playlists\" element"));
        logMessage(mError);
        return false;
    }
    while (xml.readNextStartElement()) {
        if (xml.name() != u"playlist") {
            xml.skipCurrentElement();
            continue;
        }
        const QString name = xml.attributes().value(QLatin1String("name")).toString();
        const QString type = xml.attributes().value(QLatin1String("type")).toString();
        if (type == u"automatic") {
            mAutomatic.append(name);
            logValue("Automatic playlist not supported", name);
            xml.skipCurrentElement();
            continue;
        }
        if (type != u"static") {
            // The play queue, or a kind of playlist this reader does not know.
            xml.skipCurrentElement();
            continue;
        }
        StaticPlaylist playlist{name, {}};
        // Rhythmbox keeps one entry per location in a static playlist.
        QSet<QString> seen;
        while (xml.readNextStartElement()) {
            if (xml.name() != u"location") {
                xml.skipCurrentElement();
                continue;
            }
            const QString location = xml.readElementText(QXmlStreamReader::SkipChildElements);
            if (!xml.hasError() && !location.isEmpty() && !seen.contains(location)) {
                seen.insert(location);
                playlist.mLocations.append(location);
            }
        }
        // A playlist the file ends inside would be written short onto the phone: leave it out.
        if (xml.hasError())
            break;
        mPlaylists.push_back(std::move(playlist));
    }
    if (xml.hasError()) {
        mIncomplete = true;
        const QString line =
            QStringLiteral("Rhythmbox playlist file cut short or damaged at line %1: %2; read %3 "
                           "playlists before it")
                .arg(xml.lineNumber())
                .arg(xml.errorString())
                .arg(mPlaylists.size());
        mWarnings.append(line);
        logMessage(line);
    }
    logValue("static playlists", qint64(mPlaylists.size()));
    return true;
}
