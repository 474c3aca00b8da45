#include "library/itunes/LibraryXmlReader.h"

#include "app/DebugLog.h"
#include "library/itunes/LibraryPlistParser.h"
#include "library/itunes/LibraryScanReader.h"
#include "library/itunes/QtPlistStream.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QIODevice>

#include <algorithm>
#include <atomic>
#include <functional>

namespace {

std::atomic<qint64> sParallelMinimumBytes{4 * 1024 * 1024};
std::atomic<bool> sFastScanEnabled{true};
// Larger files are read as a stream, not held in memory whole.
constexpr qint64 kFastScanMaximumBytes = 256 * 1024 * 1024;

// Day 0 of the library's dates.
const qint64 kAutomationEpochJulianDay = QDate(1899, 12, 30).toJulianDay();

int digits(QStringView aText, qsizetype aFrom, qsizetype aCount, bool& aOk)
{
    int value = 0;
    for (qsizetype i = aFrom; i < aFrom + aCount; ++i) {
        const QChar c = aText.at(i);
        if (!c.isDigit()) {
            aOk = false;
            return 0;
        }
        value = value * 10 + c.digitValue();
    }
    return value;
}

} // namespace

double LibraryXmlReader::automationDate(QStringView aIso)
{
    // iTunes writes "2012-03-04T10:20:30Z"; read that without building a QDateTime.
    if (aIso.size() == 20 && aIso.at(4) == u'-' && aIso.at(7) == u'-' && aIso.at(10) == u'T'
        && aIso.at(13) == u':' && aIso.at(16) == u':' && aIso.at(19) == u'Z') {
        bool ok = true;
        const QDate date(digits(aIso, 0, 4, ok), digits(aIso, 5, 2, ok), digits(aIso, 8, 2, ok));
        const int seconds = digits(aIso, 11, 2, ok) * 3600 + digits(aIso, 14, 2, ok) * 60
                            + digits(aIso, 17, 2, ok);
        if (ok && date.isValid() && seconds < 86400)
            return double(date.toJulianDay() - kAutomationEpochJulianDay) + seconds / 86400.0;
    }
    const QDateTime parsed = QDateTime::fromString(aIso.toString(), Qt::ISODate);
    if (!parsed.isValid())
        return 0;
    const QDateTime utc = parsed.toUTC();
    return double(utc.date().toJulianDay() - kAutomationEpochJulianDay)
           + utc.time().msecsSinceStartOfDay() / 86400000.0;
}

void LibraryXmlReader::setParallelMinimumBytes(qint64 aBytes)
{
    sParallelMinimumBytes.store(aBytes);
}

void LibraryXmlReader::setFastScanEnabled(bool aEnabled)
{
    sFastScanEnabled.store(aEnabled);
}

void LibraryXmlReader::reset()
{
    mError.clear();
    mContent = LibraryPlistContent();
    mIndexById.clear();
    mMissingItems = 0;
    mContentRead.reset();
    mMusicFolder.clear();
    mTrackCount = 0;
    mPlaylistCount = 0;
    mReadInParallel = false;
    mReadByScan = false;
}

bool LibraryXmlReader::readFile(QFile& aFile)
{
    LogScope scope("LibraryXmlReader::readFile");
    if (!readScan(aFile)) {
        aFile.seek(0);
        return read(&aFile);
    }
    mReadByScan = true;
    if (refuseDamaged())
        return false;
    build();
    logResult();
    return true;
}

bool LibraryXmlReader::readScan(QFile& aFile)
{
    reset();
    if (!sFastScanEnabled.load() || aFile.size() > kFastScanMaximumBytes)
        return false;
    const QByteArray data = aFile.readAll();
    // A large file is scanned by two threads, each taking about half of the "Tracks" dictionary.
    const bool split = data.size() >= sParallelMinimumBytes.load();
    if (!LibraryScanReader::read(data, split, mContent, &mReadInParallel)) {
        // Whatever it was, the XML reader reads it again and tells what is wrong.
        logMessage("Library file needs the full XML reader");
        mContent = LibraryPlistContent();
        mReadInParallel = false;
        return false;
    }
    return true;
}

void LibraryXmlReader::logResult()
{
    logValue("tracks", mTrackCount);
    logValue("playlists", mPlaylistCount);
    if (mMissingItems > 0)
        logValue("Playlist items naming no track", mMissingItems);
}

qsizetype LibraryXmlReader::trackStartIn(QByteArrayView aBytes)
{
    // A track of the "Tracks" dictionary starts "<key>1234</key>", blanks, "<dict>". Finding it
    // is only a guess; the scan's split proves it.
    static const QByteArray open = QByteArrayLiteral("<key>");
    for (qsizetype at = aBytes.indexOf(open); at >= 0; at = aBytes.indexOf(open, at + 1)) {
        qsizetype i = at + open.size();
        const qsizetype digitsFrom = i;
        while (i < aBytes.size() && i - digitsFrom < 19 && aBytes[i] >= '0' && aBytes[i] <= '9')
            ++i;
        if (i == digitsFrom || !aBytes.sliced(i).startsWith("</key>"))
            continue;
        i += 6;
        while (i < aBytes.size() && (aBytes[i] == ' ' || aBytes[i] == '\t' || aBytes[i] == '\n'
                                     || aBytes[i] == '\r'))
            ++i;
        if (aBytes.sliced(i).startsWith("<dict>"))
            return at;
    }
    return -1;
}

bool LibraryXmlReader::read(QIODevice* aDevice)
{
    LogScope scope("LibraryXmlReader::read");
    reset();
    mXml.setDevice(aDevice);
    QtPlistStream stream(mXml);
    LibraryPlistParser<QtPlistStream> parser(stream);
    const bool structureOk = parser.readPlist();
    mContent = std::move(parser.content());
    if (mXml.hasError()) {
        mError = QStringLiteral("%1 (line %2)").arg(mXml.errorString()).arg(mXml.lineNumber());
        if (mXml.error() == QXmlStreamReader::PrematureEndOfDocumentError && mXml.lineNumber() <= 1
            && aDevice->size() == 0)
            mError = QStringLiteral("the file is empty");
    } else if (structureOk && !mContent.mHaveTracks && !mContent.mHavePlaylists) {
        mError = QStringLiteral("not an iTunes library: no \"Tracks\" and no \"Playlists\"");
    }
    if (!structureOk || !mError.isEmpty()) {
        if (mError.isEmpty())
            mError = QStringLiteral("not an XML property list");
        logValue("Library file refused", mError);
        mContent = LibraryPlistContent();
        return false;
    }
    if (refuseDamaged())
        return false;
    build();
    logResult();
    return true;
}

bool LibraryXmlReader::refuseDamaged()
{
    const bool playlistsNameTracks =
        std::any_of(mContent.mPlaylists.cbegin(), mContent.mPlaylists.cend(),
                    [](const LibraryPlistContent::PendingPlaylist& aPlaylist) {
                        return !aPlaylist.mTrackIds.isEmpty();
                    });
    if (mContent.mTracksNotADictionary)
        mError = QStringLiteral("the library file is damaged: \"Tracks\" is not a dictionary");
    else if (mContent.mTracks.empty() && playlistsNameTracks)
        mError = QStringLiteral("the library file is damaged: its playlists name tracks but "
                                "\"Tracks\" holds none");
    else
        return false;
    logValue("Library file refused", mError);
    mContent = LibraryPlistContent();
    return true;
}

quint64 LibraryXmlReader::derivedPersistentId(const LibraryTrack& aTrack, qint64 aTrackId)
{
    // FNV-1a over the location (or, without one, the ID and name): the same every run.
    quint64 hash = 14695981039346656037ULL;
    const auto add = [&hash](QStringView aText) {
        for (const QChar c : aText) {
            hash = (hash ^ c.unicode()) * 1099511628211ULL;
        }
    };
    if (!aTrack.mLocation.isEmpty()) {
        add(aTrack.mLocation);
    } else {
        add(QString::number(aTrackId));
        add(aTrack.mName);
    }
    return hash == 0 ? 1 : hash;
}

void LibraryXmlReader::build()
{
    using Role = LibraryPlistContent::Role;
    std::vector<LibraryTrack>& tracks = mContent.mTracks;
    const qint32 trackCount = qint32(tracks.size());
    // Of two tracks with one ID, the first in the file is the one playlists name.
    mIndexById.reserve(trackCount);
    for (qint32 i = 0; i < trackCount; ++i) {
        const qint64 id = mContent.mTrackIds[size_t(i)];
        if (id >= 0 && !mIndexById.contains(id))
            mIndexById.insert(id, i);
        LibraryTrack& track = tracks[size_t(i)];
        // Streams, cloud tracks and tracks without a location have no local file.
        track.mRemote = !track.mLocation.startsWith(QLatin1String("file:"), Qt::CaseInsensitive);
        if (track.mPersistentId == 0)
            track.mPersistentId = derivedPersistentId(track, id);
    }
    const auto resolve = [this](const QList<qint64>& aIds) {
        QList<qint32> indexes;
        indexes.reserve(aIds.size());
        for (const qint64 id : aIds) {
            const qint32 index = mIndexById.value(id, -1);
            if (index < 0)
                ++mMissingItems;
            else
                indexes.append(index);
        }
        return indexes;
    };
    QList<qint32> everyTrack;
    everyTrack.reserve(trackCount);
    for (qint32 i = 0; i < trackCount; ++i)
        everyTrack.append(i);

    std::vector<LibraryPlaylist> playlists;
    QList<qint32> library;
    QList<qint32> music;
    QList<qint32> episodes;
    bool haveLibrary = false;
    bool haveMusic = false;
    bool havePodcasts = false;
    for (const LibraryPlistContent::PendingPlaylist& pending : mContent.mPlaylists) {
        switch (pending.mRole) {
        case Role::User:
            playlists.push_back(LibraryPlaylist{pending.mName, resolve(pending.mTrackIds)});
            break;
        case Role::Library:
            // iTunes has one library playlist; a second "Master" is not the user's own. One
            // that lists nothing stands for every track.
            if (!haveLibrary)
                library = pending.mTrackIds.isEmpty() ? everyTrack : resolve(pending.mTrackIds);
            haveLibrary = true;
            break;
        case Role::Music:
            // Of two, the later one is the library's.
            music = resolve(pending.mTrackIds);
            haveMusic = true;
            break;
        case Role::Podcasts:
            episodes += resolve(pending.mTrackIds);
            havePodcasts = true;
            break;
        case Role::Other:
            break;
        }
    }
    if (!haveLibrary)
        library = everyTrack;
    if (!havePodcasts) {
        // Some versions write podcast episodes without a Podcasts playlist.
        for (qint32 i = 0; i < trackCount; ++i) {
            if (tracks[size_t(i)].mPodcast)
                episodes.append(i);
        }
    }
    // One show per album name of the episodes, in order of first appearance. An episode
    // without an album names no show.
    std::vector<LibraryPlaylist> podcasts;
    QHash<QString, size_t> showByAlbum;
    for (const qint32 index : std::as_const(episodes)) {
        const QString& album = tracks[size_t(index)].mAlbum;
        if (album.isEmpty())
            continue;
        auto found = showByAlbum.find(album);
        if (found == showByAlbum.end()) {
            found = showByAlbum.insert(album, podcasts.size());
            podcasts.push_back(LibraryPlaylist{album, {}});
        }
        podcasts[found.value()].mTrackIndexes.append(index);
    }
    mTrackCount = trackCount;
    mPlaylistCount = qint32(playlists.size());
    mContentRead = std::make_shared<const LibraryContent>(
        std::move(tracks), haveMusic ? std::move(music) : std::move(library), std::move(playlists),
        std::move(podcasts));
    mMusicFolder = mContent.mMusicFolder;
    mContent = LibraryPlistContent();
    mIndexById.clear();
}
