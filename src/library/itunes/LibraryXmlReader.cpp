#include "library/itunes/LibraryXmlReader.h"

#include "app/DebugLog.h"
#include "library/itunes/ITunesAutomation.h"
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

using namespace itunes;

namespace {

std::atomic<qint64> sParallelMinimumBytes{4 * 1024 * 1024};
std::atomic<bool> sFastScanEnabled{true};
// Larger files are read as a stream, not held in memory whole.
constexpr qint64 kFastScanMaximumBytes = 256 * 1024 * 1024;

// The automation's day 0.
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
    mSnapshot.reset();
    mReadInParallel = false;
    mReadByScan = false;
}

bool LibraryXmlReader::readFile(QFile& aFile, const QString& aLibraryPath)
{
    LogScope scope("LibraryXmlReader::readFile");
    if (!readScan(aFile)) {
        aFile.seek(0);
        return read(&aFile, aLibraryPath);
    }
    mReadByScan = true;
    if (refuseDamaged())
        return false;
    build(aLibraryPath);
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
    logValue("tracks", qint64(mSnapshot->tracks().size()));
    logValue("playlists", qint64(mSnapshot->playlists().size()));
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

bool LibraryXmlReader::read(QIODevice* aDevice, const QString& aLibraryPath)
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
    build(aLibraryPath);
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

void LibraryXmlReader::build(const QString& aLibraryPath)
{
    // Of two tracks with one ID, the first in the file is the one playlists name.
    mIndexById.reserve(qsizetype(mContent.mTracks.size()));
    for (qint32 i = 0; i < qint32(mContent.mTracks.size()); ++i) {
        const qint64 id = mContent.mTracks[size_t(i)].mTrackId;
        if (id >= 0 && !mIndexById.contains(id))
            mIndexById.insert(id, i);
    }
    std::vector<LibraryPlaylist> playlists;
    playlists.reserve(mContent.mPlaylists.size() + 2);
    bool haveLibrary = false;
    bool havePodcasts = false;
    for (LibraryPlistContent::PendingPlaylist& pending : mContent.mPlaylists) {
        LibraryPlaylist& playlist = pending.mPlaylist;
        if (playlist.mKind == kPlaylistKindLibrary) {
            if (haveLibrary) {
                // iTunes has one library playlist; a second "Master" is not the user's own.
                playlist.mKind = kPlaylistKindUser;
                playlist.mSpecialKind = kSpecialKindOtherSystem;
            }
            haveLibrary = true;
        }
        havePodcasts = havePodcasts || playlist.mSpecialKind == kSpecialKindPodcasts;
        playlist.mTrackIndexes.reserve(pending.mTrackIds.size());
        for (const qint64 id : std::as_const(pending.mTrackIds)) {
            const qint32 index = mIndexById.value(id, -1);
            if (index < 0) {
                ++mMissingItems;
                continue;
            }
            playlist.mTrackIndexes.append(index);
            playlist.mSize += double(mContent.mTracks[size_t(index)].mSize);
        }
        // A library playlist that lists nothing stands for every track.
        if (playlist.mKind == kPlaylistKindLibrary && pending.mTrackIds.isEmpty()) {
            for (qint32 i = 0; i < qint32(mContent.mTracks.size()); ++i) {
                playlist.mTrackIndexes.append(i);
                playlist.mSize += double(mContent.mTracks[size_t(i)].mSize);
            }
        }
        playlists.push_back(std::move(playlist));
    }
    if (!haveLibrary) {
        LibraryPlaylist library;
        library.mName = QStringLiteral("Library");
        library.mKind = kPlaylistKindLibrary;
        for (qint32 i = 0; i < qint32(mContent.mTracks.size()); ++i) {
            library.mTrackIndexes.append(i);
            library.mSize += double(mContent.mTracks[size_t(i)].mSize);
        }
        playlists.insert(playlists.begin(), std::move(library));
    }
    if (!havePodcasts) {
        // Some versions write podcast episodes without a Podcasts playlist.
        LibraryPlaylist podcasts;
        for (qint32 i = 0; i < qint32(mContent.mTracks.size()); ++i) {
            if (mContent.mTracks[size_t(i)].mPodcast) {
                podcasts.mTrackIndexes.append(i);
                podcasts.mSize += double(mContent.mTracks[size_t(i)].mSize);
            }
        }
        if (!podcasts.mTrackIndexes.isEmpty()) {
            podcasts.mName = QStringLiteral("Podcasts");
            podcasts.mKind = kPlaylistKindUser;
            podcasts.mSpecialKind = kSpecialKindPodcasts;
            playlists.push_back(std::move(podcasts));
        }
    }
    for (LibraryPlaylist& playlist : playlists) {
        const QList<qint32>& indexes = playlist.mTrackIndexes;
        playlist.mAscending =
            std::adjacent_find(indexes.cbegin(), indexes.cend(), std::greater_equal<qint32>())
            == indexes.cend();
    }
    mSnapshot = std::make_shared<const LibrarySnapshot>(aLibraryPath, mContent.mMusicFolder,
                                                        std::move(mContent.mTracks),
                                                        std::move(playlists));
    mContent = LibraryPlistContent();
    mIndexById.clear();
}
