#include "library/rhythmbox/RhythmdbReader.h"

#include "app/DebugLog.h"
#include "library/PlayerTrackFiles.h"

#include <QDate>
#include <QIODevice>
#include <QMap>
#include <QUrl>

#include <algorithm>

namespace {

// Rhythmbox's podcast download states: 0 to 99 is the percentage of a download under way.
constexpr qint64 kPodcastComplete = 100;

// The newest database layout this reader was written against ("2.0"); later ones still read,
// since Rhythmbox only ever added elements.
constexpr double kKnownVersion = 2.0;

} // namespace

bool RhythmdbReader::read(QIODevice* aDevice)
{
    LogScope scope("RhythmdbReader::read");
    mXml.setDevice(aDevice);
    mTracks.clear();
    mSongs.clear();
    mPostTimes.clear();
    mIndexByLocation.clear();
    mWarnings.clear();
    mError.clear();
    mIncomplete = false;
    mNotDownloaded = 0;

    if (!mXml.readNextStartElement() || mXml.name() != u"rhythmdb") {
        mError = mXml.hasError()
                     ? QStringLiteral("not a Rhythmbox database: %1 (line %2)")
                           .arg(mXml.errorString())
                           .arg(mXml.lineNumber())
                     : QStringLiteral("not a Rhythmbox database: it has no \"rhythmdb\" element");
        logMessage(mError);
        return false;
    }
    const QString version = mXml.attributes().value(QLatin1String("version")).toString();
    logValue("version", version);
    if (version.toDouble() > kKnownVersion)
        logMessage("Database written by a newer Rhythmbox; reading the elements known here");

    while (mXml.readNextStartElement()) {
        if (mXml.name() != u"entry") {
            mXml.skipCurrentElement();
            continue;
        }
        const QString type = mXml.attributes().value(QLatin1String("type")).toString();
        const EntryKind kind = type == u"song"            ? EntryKind::Song
                               : type == u"podcast-post" ? EntryKind::PodcastPost
                                                         : EntryKind::Other;
        if (kind == EntryKind::Other)
            mXml.skipCurrentElement();
        else
            readEntry(kind);
    }
    if (mXml.hasError()) {
        // Entries read so far stand; the one being read when the file ended is dropped.
        mIncomplete = true;
        const QString line = QStringLiteral("Rhythmbox database cut short or damaged at line %1: "
                                            "%2; read %3 entries before it")
                                 .arg(mXml.lineNumber())
                                 .arg(mXml.errorString())
                                 .arg(mTracks.size());
        mWarnings.append(line);
        logMessage(line);
    }
    if (mNotDownloaded > 0)
        logValue("Podcast posts not downloaded", qint64(mNotDownloaded));
    logValue("songs", qint64(mSongs.size()));
    logValue("episodes", qint64(mPostTimes.size()));
    return true;
}

void RhythmdbReader::readEntry(EntryKind aKind)
{
    Entry entry;
    while (mXml.readNextStartElement()) {
        const QString name = mXml.name().toString();
        const QString text = mXml.readElementText(QXmlStreamReader::SkipChildElements);
        if (mXml.hasError())
            return;
        setProperty(entry, name, text);
    }
    if (mXml.hasError())
        return;
    keep(std::move(entry), aKind);
}

void RhythmdbReader::setProperty(Entry& aEntry, QStringView aName, const QString& aText)
{
    LibraryTrack& track = aEntry.mTrack;
    if (aName == u"title")
        track.mName = aText;
    else if (aName == u"artist")
        track.mArtist = shared(aText);
    else if (aName == u"album")
        track.mAlbum = shared(aText);
    else if (aName == u"album-artist")
        track.mAlbumArtist = shared(aText);
    else if (aName == u"composer")
        track.mComposer = shared(aText);
    else if (aName == u"genre")
        track.mGenre = shared(aText);
    else if (aName == u"location")
        track.mLocation = aText;
    else if (aName == u"mountpoint")
        aEntry.mMountpoint = aText;
    else if (aName == u"track-number")
        track.mTrackNumber = aText.toInt();
    else if (aName == u"disc-number")
        track.mDiscNumber = aText.toInt();
    else if (aName == u"duration")
        track.mDurationMs = qint32(qMin<qint64>(aText.toLongLong() * 1000, INT32_MAX));
    else if (aName == u"file-size")
        track.mSize = aText.toLongLong();
    else if (aName == u"date")
        track.mYear = yearOfDate(aText.toLongLong());
    else if (aName == u"first-seen")
        track.mDateAdded = PlayerTrackFiles::dayCountOf(aText.toLongLong());
    else if (aName == u"status")
        aEntry.mStatus = aText.toLongLong();
    else if (aName == u"post-time")
        aEntry.mPostTime = aText.toLongLong();
}

void RhythmdbReader::keep(Entry&& aEntry, EntryKind aKind)
{
    LibraryTrack& track = aEntry.mTrack;
    // Rhythmbox itself drops entries without a location.
    if (track.mLocation.isEmpty())
        return;
    if (aKind == EntryKind::PodcastPost) {
        // A post's location is its local file once a download has begun; the mountpoint then
        // holds the feed's remote address. Only a finished download is a file to copy.
        if (aEntry.mMountpoint.isEmpty() || aEntry.mStatus != kPodcastComplete) {
            ++mNotDownloaded;
            return;
        }
        track.mPodcast = true;
        if (aEntry.mPostTime > 0)
            track.mDateAdded = PlayerTrackFiles::dayCountOf(aEntry.mPostTime);
    }
    track.mRemote = !track.mLocation.startsWith(u"file://");

    const auto known = mIndexByLocation.constFind(track.mLocation);
    if (known != mIndexByLocation.constEnd()) {
        // Rhythmbox merges entries with one location, a podcast post taking a song's place.
        LibraryTrack& held = mTracks[size_t(*known)];
        if (aKind == EntryKind::PodcastPost && !held.mPodcast) {
            mSongs.removeOne(*known);
            held = std::move(track);
            mPostTimes.insert(*known, aEntry.mPostTime);
        }
        return;
    }
    const qint32 index = qint32(mTracks.size());
    mIndexByLocation.insert(track.mLocation, index);
    mTracks.push_back(std::move(track));
    if (aKind == EntryKind::PodcastPost)
        mPostTimes.insert(index, aEntry.mPostTime);
    else
        mSongs.append(index);
}

std::vector<LibraryPlaylist> RhythmdbReader::podcasts() const
{
    // Shows by name; episodes by post time, then file order.
    QMap<QString, QList<qint32>> episodesByShow;
    QList<qint32> episodes = mPostTimes.keys();
    std::sort(episodes.begin(), episodes.end(), [this](qint32 a, qint32 b) {
        const qint64 ta = mPostTimes.value(a);
        const qint64 tb = mPostTimes.value(b);
        return ta != tb ? ta < tb : a < b;
    });
    for (qint32 index : std::as_const(episodes))
        episodesByShow[mTracks[size_t(index)].mAlbum].append(index);
    std::vector<LibraryPlaylist> shows;
    for (auto it = episodesByShow.cbegin(); it != episodesByShow.cend(); ++it)
        shows.push_back(LibraryPlaylist{it.key(), it.value()});
    return shows;
}

qint32 RhythmdbReader::songAt(const QString& aLocation) const
{
    const qint32 index = mIndexByLocation.value(aLocation, -1);
    if (index < 0 || mTracks[size_t(index)].mPodcast)
        return -1;
    return index;
}

qint32 RhythmdbReader::yearOfDate(qint64 aDayNumber)
{
    if (aDayNumber <= 0)
        return 0;
    // Day 1 is 1 January of year 1 in the proleptic Gregorian calendar (GLib's GDate).
    const QDate date = QDate::fromJulianDay(aDayNumber + 1721425);
    return date.isValid() ? date.year() : 0;
}

const QString& RhythmdbReader::shared(const QString& aText)
{
    return *mStrings.insert(aText);
}
