#include "library/itunes/LibraryXmlReader.h"

#include "app/DebugLog.h"
#include "library/itunes/ByteRangeDevice.h"
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
#include <cstring>
#include <thread>
#include <unistd.h>

using namespace itunes;

namespace {

std::atomic<qint64> sParallelMinimumBytes{4 * 1024 * 1024};
std::atomic<bool> sFastScanEnabled{true};
// Larger files are read as a stream, not held in memory whole.
constexpr qint64 kFastScanMaximumBytes = 256 * 1024 * 1024;

// The split read: the first part is the file up to a pair of the "Tracks" dictionary, closed by
// made-up end tags; the second part is opened by made-up start tags and runs to the file's end.
const QByteArray kFirstPartEnd = QByteArrayLiteral("</dict></dict></plist>");
const QByteArray kSecondPartStart = QByteArrayLiteral(
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist><dict><key>Tracks</key><dict>");

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
    bool done = readScan(aFile);
    if (done) {
        mReadByScan = true;
    } else if (aFile.size() >= sParallelMinimumBytes.load()) {
        done = readSplit(aFile);
        mReadInParallel = done;
        if (!done)
            logMessage("Split read not possible - reading the file in one pass");
    }
    if (!done) {
        aFile.seek(0);
        return read(&aFile, aLibraryPath);
    }
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
    // is only a guess; the split read proves it.
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

qint64 LibraryXmlReader::findSplitPoint(int aFd, qint64 aFrom, qint64 aFileSize)
{
    const qint64 window = 64 * 1024;
    const qint64 overlap = 64;
    QByteArray buffer(window, Qt::Uninitialized);
    for (qint64 start = aFrom; start < aFileSize && start < aFrom + 16 * window;
         start += window - overlap) {
        const ssize_t got = ::pread(aFd, buffer.data(), size_t(window), off_t(start));
        if (got <= 0)
            return -1;
        const qsizetype at = trackStartIn(QByteArrayView(buffer.constData(), got));
        if (at >= 0)
            return start + at;
    }
    return -1;
}

bool LibraryXmlReader::readSplit(QFile& aFile)
{
    const int fd = aFile.handle();
    const qint64 size = aFile.size();
    unsigned char head[3] = {0, 0, 0};
    if (fd < 0 || ::pread(fd, head, 3, 0) != 3)
        return false;
    // Only UTF-8 files: in any other encoding the parts would be decoded differently.
    if (head[0] == 0 || head[1] == 0 || head[0] == 0xFE || head[0] == 0xFF)
        return false;
    const bool bom = head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF;
    // A little past the middle: the second part also reads the playlists.
    const qint64 split = findSplitPoint(fd, size / 40 * 21, size);
    if (split < 0)
        return false;
    logValue("Split read at byte", split);

    ByteRangeDevice first(fd);
    first.appendFileRange(0, split);
    first.appendBytes(kFirstPartEnd);
    ByteRangeDevice second(fd);
    second.appendBytes(kSecondPartStart);
    second.appendFileRange(split, size);
    if (!first.open(QIODevice::ReadOnly) || !second.open(QIODevice::ReadOnly))
        return false;

    QXmlStreamReader restXml(&second);
    QtPlistStream restStream(restXml);
    LibraryPlistParser<QtPlistStream> rest(restStream);
    bool restOk = false;
    std::thread worker([&rest, &restXml, &restOk] {
        // A failure here (out of memory) must not end the program from a thread of its own:
        // the one-pass read that follows meets it where its caller can see it.
        try {
            restOk = rest.readPlist() && !restXml.hasError();
        } catch (...) {
            restOk = false;
        }
    });
    reset();
    mXml.setDevice(&first);
    QtPlistStream stream(mXml);
    // QXmlStreamReader does not count a byte order mark.
    stream.setSplitPart(&first, bom ? 1 : 0);
    LibraryPlistParser<QtPlistStream> parser(stream);
    bool firstOk = false;
    try {
        firstOk = parser.readPlist() && !mXml.hasError();
    } catch (...) {
        // A thread still joinable at unwinding would end the program.
        worker.join();
        throw;
    }
    worker.join();
    const QStringView encoding = mXml.documentEncoding();
    const bool utf8 = encoding.isEmpty() || encoding.compare(u"UTF-8", Qt::CaseInsensitive) == 0;
    // The second part declares XML 1.0 in UTF-8; the file must be read by the same rules.
    const bool sameRules =
        utf8 && (mXml.documentVersion().isEmpty() || mXml.documentVersion() == u"1.0");
    const bool exact = firstOk && restOk && stream.splitReached() && sameRules;
    mXml.setDevice(nullptr);
    if (!exact) {
        reset();
        return false;
    }
    // In file order: what the first part read, then the rest.
    mContent = std::move(parser.content());
    LibraryPlistContent& later = rest.content();
    mContent.mTracks.reserve(mContent.mTracks.size() + later.mTracks.size());
    for (LibraryTrack& track : later.mTracks)
        mContent.mTracks.push_back(std::move(track));
    for (LibraryPlistContent::PendingPlaylist& playlist : later.mPlaylists)
        mContent.mPlaylists.push_back(std::move(playlist));
    if (later.mMusicFolderSeen)
        mContent.mMusicFolder = later.mMusicFolder;
    mContent.mHavePlaylists = mContent.mHavePlaylists || later.mHavePlaylists;
    return true;
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
