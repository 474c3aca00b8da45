#include "library/itunes/LibraryXmlReader.h"

#include "app/DebugLog.h"
#include "library/itunes/ByteRangeDevice.h"
#include "library/itunes/ITunesAutomation.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QIODevice>

#include <atomic>
#include <cstring>
#include <thread>
#include <unistd.h>

using namespace itunes;

namespace {

std::atomic<qint64> sParallelMinimumBytes{4 * 1024 * 1024};

// The split read: the first part is the file up to a pair of the "Tracks" dictionary, closed by
// made-up end tags; the second part is opened by made-up start tags and runs to the file's end.
const QByteArray kFirstPartEnd = QByteArrayLiteral("</dict></dict></plist>");
const qsizetype kTracksEndTagLength = 7; // "</dict>"
const QByteArray kSecondPartStart = QByteArrayLiteral(
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist><dict><key>Tracks</key><dict>");

// The automation's day 0.
const qint64 kAutomationEpochJulianDay = QDate(1899, 12, 30).toJulianDay();

// Special kinds for the library file's "Distinguished Kind" numbers.
qint32 specialKindForDistinguished(qint64 aDistinguishedKind)
{
    switch (aDistinguishedKind) {
    case 2: return kSpecialKindMovies;
    case 3: return kSpecialKindTVShows;
    case 4: return kSpecialKindMusic;
    case 5: return kSpecialKindAudiobooks;
    case 10: return kSpecialKindPodcasts;
    case 19: return kSpecialKindPurchases;
    case 22: return kSpecialKindPartyShuffle;
    default: return kSpecialKindOtherSystem;
    }
}

// Special kinds for the boolean keys that older files use instead of "Distinguished Kind".
qint32 specialKindForFlag(QStringView aKey)
{
    if (aKey == u"Music")
        return kSpecialKindMusic;
    if (aKey == u"Podcasts")
        return kSpecialKindPodcasts;
    if (aKey == u"Folder")
        return kSpecialKindFolder;
    if (aKey == u"Movies")
        return kSpecialKindMovies;
    if (aKey == u"TV Shows")
        return kSpecialKindTVShows;
    if (aKey == u"Audiobooks" || aKey == u"Books")
        return kSpecialKindAudiobooks;
    if (aKey == u"Purchased Music")
        return kSpecialKindPurchases;
    if (aKey == u"Party Shuffle")
        return kSpecialKindPartyShuffle;
    return -1;
}

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

enum class TrackKey {
    Other, TrackId, Name, Artist, AlbumArtist, Album, Composer, Genre, Location,
    Size, TrackNumber, DateAdded, Compilation, Podcast
};

// The keys of a track that are read; dispatched on length first, since a library has millions.
TrackKey trackKey(QStringView aKey)
{
    switch (aKey.size()) {
    case 4:
        if (aKey == u"Name") return TrackKey::Name;
        if (aKey == u"Size") return TrackKey::Size;
        break;
    case 5:
        if (aKey == u"Album") return TrackKey::Album;
        if (aKey == u"Genre") return TrackKey::Genre;
        break;
    case 6:
        if (aKey == u"Artist") return TrackKey::Artist;
        break;
    case 7:
        if (aKey == u"Podcast") return TrackKey::Podcast;
        break;
    case 8:
        if (aKey == u"Track ID") return TrackKey::TrackId;
        if (aKey == u"Location") return TrackKey::Location;
        if (aKey == u"Composer") return TrackKey::Composer;
        break;
    case 10:
        if (aKey == u"Date Added") return TrackKey::DateAdded;
        break;
    case 11:
        if (aKey == u"Compilation") return TrackKey::Compilation;
        break;
    case 12:
        if (aKey == u"Album Artist") return TrackKey::AlbumArtist;
        if (aKey == u"Track Number") return TrackKey::TrackNumber;
        break;
    default:
        break;
    }
    return TrackKey::Other;
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

void LibraryXmlReader::reset()
{
    mError.clear();
    mMusicFolder.clear();
    mMusicFolderSeen = false;
    mHaveTracks = mHavePlaylists = false;
    mTracks.clear();
    mIndexById.clear();
    mPlaylists.clear();
    mInterned.clear();
    mMissingItems = 0;
    mSnapshot.reset();
    mSplitDevice = nullptr;
    mSplitUnitsBefore = 0;
    mSplitReached = false;
    mReadInParallel = false;
}

bool LibraryXmlReader::readFile(QFile& aFile, const QString& aLibraryPath)
{
    if (aFile.size() >= sParallelMinimumBytes.load()) {
        LogScope scope("LibraryXmlReader::readFile");
        if (readSplit(aFile)) {
            build(aLibraryPath);
            mReadInParallel = true;
            logValue("tracks", qint64(mSnapshot->tracks().size()));
            logValue("playlists", qint64(mSnapshot->playlists().size()));
            if (mMissingItems > 0)
                logValue("Playlist items naming no track", mMissingItems);
            return true;
        }
        logMessage("Split read not possible - reading the file in one pass");
        aFile.seek(0);
    }
    return read(&aFile, aLibraryPath);
}

qint64 LibraryXmlReader::findSplitPoint(int aFd, qint64 aFrom, qint64 aFileSize)
{
    // A track of the "Tracks" dictionary starts "<key>1234</key>", blanks, "<dict>". Finding it
    // is only a guess; the split read proves it.
    static const QByteArray open = QByteArrayLiteral("<key>");
    const qint64 window = 64 * 1024;
    const qint64 overlap = 64;
    QByteArray buffer(window, Qt::Uninitialized);
    for (qint64 start = aFrom; start < aFileSize && start < aFrom + 16 * window;
         start += window - overlap) {
        const ssize_t got = ::pread(aFd, buffer.data(), size_t(window), off_t(start));
        if (got <= 0)
            return -1;
        const QByteArrayView bytes(buffer.constData(), got);
        for (qsizetype at = bytes.indexOf(open); at >= 0; at = bytes.indexOf(open, at + 1)) {
            qsizetype i = at + open.size();
            const qsizetype digitsFrom = i;
            while (i < bytes.size() && i - digitsFrom < 19 && bytes[i] >= '0' && bytes[i] <= '9')
                ++i;
            if (i == digitsFrom || !bytes.sliced(i).startsWith("</key>"))
                continue;
            i += 6;
            while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\n'
                                        || bytes[i] == '\r'))
                ++i;
            if (bytes.sliced(i).startsWith("<dict>"))
                return start + at;
        }
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

    LibraryXmlReader rest;
    bool restOk = false;
    std::thread worker([&rest, &second, &restOk] {
        // A failure here (out of memory) must not end the program from a thread of its own:
        // the one-pass read that follows meets it where its caller can see it.
        try {
            rest.reset();
            rest.mXml.setDevice(&second);
            restOk = rest.readPlist() && !rest.mXml.hasError();
        } catch (...) {
            restOk = false;
        }
    });
    reset();
    mXml.setDevice(&first);
    mSplitDevice = &first;
    // QXmlStreamReader does not count a byte order mark.
    mSplitUnitsBefore = bom ? 1 : 0;
    bool firstOk = false;
    try {
        firstOk = readPlist() && !mXml.hasError();
    } catch (...) {
        // A thread still joinable at unwinding would end the program.
        worker.join();
        throw;
    }
    worker.join();
    const QStringView encoding = mXml.documentEncoding();
    const bool utf8 = encoding.isEmpty() || encoding.compare(u"UTF-8", Qt::CaseInsensitive) == 0;
    // The second part declares XML 1.0 in UTF-8; the file must be read by the same rules.
    const bool sameRules = utf8 && (mXml.documentVersion().isEmpty() || mXml.documentVersion() == u"1.0");
    const bool exact = firstOk && restOk && mSplitReached && sameRules;
    mSplitDevice = nullptr;
    mXml.setDevice(nullptr);
    rest.mXml.setDevice(nullptr);
    if (!exact) {
        reset();
        return false;
    }
    // In file order: what the first part read, then the rest.
    mTracks.reserve(mTracks.size() + rest.mTracks.size());
    for (LibraryTrack& track : rest.mTracks)
        mTracks.push_back(std::move(track));
    for (PendingPlaylist& playlist : rest.mPlaylists)
        mPlaylists.push_back(std::move(playlist));
    if (rest.mMusicFolderSeen)
        mMusicFolder = rest.mMusicFolder;
    mHavePlaylists = mHavePlaylists || rest.mHavePlaylists;
    return true;
}

bool LibraryXmlReader::read(QIODevice* aDevice, const QString& aLibraryPath)
{
    LogScope scope("LibraryXmlReader::read");
    reset();
    mXml.setDevice(aDevice);

    const bool structureOk = readPlist();
    if (mXml.hasError()) {
        mError = QStringLiteral("%1 (line %2)").arg(mXml.errorString()).arg(mXml.lineNumber());
        if (mXml.error() == QXmlStreamReader::PrematureEndOfDocumentError && mXml.lineNumber() <= 1
            && aDevice->size() == 0)
            mError = QStringLiteral("the file is empty");
    } else if (structureOk && !mHaveTracks && !mHavePlaylists) {
        mError = QStringLiteral("not an iTunes library: no \"Tracks\" and no \"Playlists\"");
    }
    if (!structureOk || !mError.isEmpty()) {
        if (mError.isEmpty())
            mError = QStringLiteral("not an XML property list");
        logValue("Library file refused", mError);
        mTracks.clear();
        mPlaylists.clear();
        return false;
    }
    build(aLibraryPath);
    logValue("tracks", qint64(mSnapshot->tracks().size()));
    logValue("playlists", qint64(mSnapshot->playlists().size()));
    if (mMissingItems > 0)
        logValue("Playlist items naming no track", mMissingItems);
    return true;
}

bool LibraryXmlReader::readPlist()
{
    if (!mXml.readNextStartElement() || mXml.name() != u"plist")
        return false;
    if (!mXml.readNextStartElement() || mXml.name() != u"dict")
        return false;
    readRootDict();
    // Read to the end so that a truncated file is noticed even after the last wanted key.
    while (!mXml.atEnd())
        mXml.readNext();
    return !mXml.hasError();
}

bool LibraryXmlReader::readTextInto(QString& aBuffer)
{
    // Reuses the buffer's capacity: keys and numbers are read millions of times.
    aBuffer.resize(0);
    for (;;) {
        switch (mXml.readNext()) {
        case QXmlStreamReader::Characters:
        case QXmlStreamReader::EntityReference:
            aBuffer.append(mXml.text());
            break;
        case QXmlStreamReader::EndElement:
            return true;
        case QXmlStreamReader::StartElement:
            mXml.skipCurrentElement();
            break;
        case QXmlStreamReader::Invalid:
            return false;
        default:
            break;
        }
    }
}

bool LibraryXmlReader::nextKey(QString& aKey)
{
    while (mXml.readNextStartElement()) {
        if (mXml.name() == u"key")
            return readTextInto(aKey);
        mXml.skipCurrentElement();
    }
    return false;
}

QString LibraryXmlReader::readString()
{
    if (mXml.name() != u"string") {
        mXml.skipCurrentElement();
        return QString();
    }
    return mXml.readElementText(QXmlStreamReader::SkipChildElements);
}

bool LibraryXmlReader::readInteger(qint64& aValue)
{
    if (mXml.name() != u"integer") {
        mXml.skipCurrentElement();
        return false;
    }
    bool ok = false;
    if (!readTextInto(mScratch))
        return false;
    const qint64 value = QStringView(mScratch).trimmed().toLongLong(&ok);
    if (ok)
        aValue = value;
    return ok;
}

bool LibraryXmlReader::readBool(bool& aValue)
{
    const QStringView name = mXml.name();
    const bool isTrue = name == u"true";
    const bool isFalse = name == u"false";
    mXml.skipCurrentElement();
    if (isTrue || isFalse)
        aValue = isTrue;
    return isTrue || isFalse;
}

QString LibraryXmlReader::readInternedString()
{
    if (mXml.name() != u"string") {
        mXml.skipCurrentElement();
        return intern(QString());
    }
    // Artists, albums and genres repeat: find the shared copy before making a string.
    if (!readTextInto(mScratch) || mScratch.isEmpty())
        return intern(QString());
    const auto found = mInterned.constFind(mScratch);
    if (found != mInterned.constEnd())
        return found.value();
    const QString value(mScratch.constData(), mScratch.size());
    mInterned.insert(value, value);
    return value;
}

QString LibraryXmlReader::intern(const QString& aValue)
{
    const auto found = mInterned.constFind(aValue);
    if (found != mInterned.constEnd())
        return found.value();
    mInterned.insert(aValue, aValue);
    return aValue;
}

void LibraryXmlReader::readRootDict()
{
    QString key;
    while (nextKey(key)) {
        if (!mXml.readNextStartElement())
            return;
        const QStringView name = mXml.name();
        if (key == u"Tracks" && name == u"dict") {
            mHaveTracks = true;
            readTracks();
        } else if (key == u"Playlists" && name == u"array") {
            mHavePlaylists = true;
            readPlaylists();
        } else if (key == u"Music Folder") {
            mMusicFolder = readString();
            mMusicFolderSeen = true;
        } else {
            mXml.skipCurrentElement();
        }
    }
}

void LibraryXmlReader::readTracks()
{
    QString key;
    while (nextKey(key)) {
        if (!mXml.readNextStartElement())
            return;
        if (mXml.name() == u"dict")
            readTrack(key);
        else
            mXml.skipCurrentElement();
    }
    // The first part of a split read must end here, between two tracks, at its made-up end tag:
    // only then does the second part go on exactly where this one stopped. Every file byte
    // before that tag has been served by then, so no real end tag can match the offset.
    if (mSplitDevice && mXml.tokenType() == QXmlStreamReader::EndElement
        && mXml.characterOffset()
               == mSplitDevice->fileUnitsServed() - mSplitUnitsBefore + kTracksEndTagLength)
        mSplitReached = true;
}

void LibraryXmlReader::readTrack(const QString& aKey)
{
    LibraryTrack track;
    QString& key = mKey;
    while (nextKey(key)) {
        if (!mXml.readNextStartElement())
            break;
        switch (trackKey(key)) {
        case TrackKey::TrackId: readInteger(track.mTrackId); break;
        case TrackKey::Name: track.mName = readString(); break;
        case TrackKey::Artist: track.mArtist = readInternedString(); break;
        case TrackKey::AlbumArtist: track.mAlbumArtist = readInternedString(); break;
        case TrackKey::Album: track.mAlbum = readInternedString(); break;
        case TrackKey::Composer: track.mComposer = readString(); break;
        case TrackKey::Genre: track.mGenre = readInternedString(); break;
        case TrackKey::Location: track.mLocation = readString(); break;
        case TrackKey::Size: {
            qint64 size = 0;
            if (readInteger(size) && size >= 0)
                track.mSize = size;
            break;
        }
        case TrackKey::TrackNumber: {
            qint64 number = 0;
            if (readInteger(number) && number >= 0 && number <= INT32_MAX)
                track.mTrackNumber = qint32(number);
            break;
        }
        case TrackKey::DateAdded:
            if (mXml.name() == u"date" && readTextInto(mScratch))
                track.mDateAdded = automationDate(QStringView(mScratch).trimmed());
            else if (mXml.name() != u"date")
                mXml.skipCurrentElement();
            break;
        case TrackKey::Compilation: readBool(track.mCompilation); break;
        case TrackKey::Podcast: readBool(track.mPodcast); break;
        case TrackKey::Other: mXml.skipCurrentElement(); break;
        }
    }
    if (track.mTrackId < 0) {
        bool ok = false;
        const qint64 id = aKey.toLongLong(&ok);
        if (ok)
            track.mTrackId = id;
    }
    mTracks.push_back(std::move(track));
}

void LibraryXmlReader::readPlaylists()
{
    while (mXml.readNextStartElement()) {
        if (mXml.name() == u"dict")
            readPlaylist();
        else
            mXml.skipCurrentElement();
    }
}

void LibraryXmlReader::readPlaylist()
{
    PendingPlaylist pending;
    qint64 distinguishedKind = -1;
    qint32 flagKind = -1;
    bool visible = true;
    QString key;
    while (nextKey(key)) {
        if (!mXml.readNextStartElement())
            break;
        if (key == u"Name") {
            pending.mPlaylist.mName = readString();
        } else if (key == u"Master") {
            readBool(pending.mMaster);
        } else if (key == u"Visible") {
            readBool(visible);
        } else if (key == u"Distinguished Kind") {
            readInteger(distinguishedKind);
        } else if (key == u"Playlist Items") {
            if (mXml.name() == u"array")
                readPlaylistItems(pending.mTrackIds);
            else
                mXml.skipCurrentElement();
        } else if (const qint32 kind = specialKindForFlag(key); kind >= 0) {
            bool set = false;
            if (readBool(set) && set && flagKind < 0)
                flagKind = kind;
        } else {
            mXml.skipCurrentElement();
        }
    }
    // Names are localised; only the kind keys tell what a playlist is.
    LibraryPlaylist& playlist = pending.mPlaylist;
    if (pending.mMaster) {
        playlist.mKind = kPlaylistKindLibrary;
        playlist.mSpecialKind = kSpecialKindNone;
    } else {
        playlist.mKind = kPlaylistKindUser;
        if (distinguishedKind >= 0)
            playlist.mSpecialKind = specialKindForDistinguished(distinguishedKind);
        else if (flagKind >= 0)
            playlist.mSpecialKind = flagKind;
        else if (!visible)
            playlist.mSpecialKind = kSpecialKindOtherSystem;
        else
            playlist.mSpecialKind = kSpecialKindNone;
    }
    mPlaylists.push_back(std::move(pending));
}

void LibraryXmlReader::readPlaylistItems(QList<qint64>& aTrackIds)
{
    QString key;
    while (mXml.readNextStartElement()) {
        if (mXml.name() != u"dict") {
            mXml.skipCurrentElement();
            continue;
        }
        while (nextKey(key)) {
            if (!mXml.readNextStartElement())
                break;
            qint64 id = -1;
            if (key == u"Track ID" && readInteger(id))
                aTrackIds.append(id);
            else if (key != u"Track ID")
                mXml.skipCurrentElement();
        }
    }
}

void LibraryXmlReader::build(const QString& aLibraryPath)
{
    // Of two tracks with one ID, the first in the file is the one playlists name.
    mIndexById.reserve(qsizetype(mTracks.size()));
    for (qint32 i = 0; i < qint32(mTracks.size()); ++i) {
        const qint64 id = mTracks[size_t(i)].mTrackId;
        if (id >= 0 && !mIndexById.contains(id))
            mIndexById.insert(id, i);
    }
    std::vector<LibraryPlaylist> playlists;
    playlists.reserve(mPlaylists.size() + 2);
    bool haveLibrary = false;
    bool havePodcasts = false;
    for (PendingPlaylist& pending : mPlaylists) {
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
            playlist.mSize += double(mTracks[size_t(index)].mSize);
        }
        // A library playlist that lists nothing stands for every track.
        if (playlist.mKind == kPlaylistKindLibrary && pending.mTrackIds.isEmpty()) {
            for (qint32 i = 0; i < qint32(mTracks.size()); ++i) {
                playlist.mTrackIndexes.append(i);
                playlist.mSize += double(mTracks[size_t(i)].mSize);
            }
        }
        playlists.push_back(std::move(playlist));
    }
    if (!haveLibrary) {
        LibraryPlaylist library;
        library.mName = QStringLiteral("Library");
        library.mKind = kPlaylistKindLibrary;
        for (qint32 i = 0; i < qint32(mTracks.size()); ++i) {
            library.mTrackIndexes.append(i);
            library.mSize += double(mTracks[size_t(i)].mSize);
        }
        playlists.insert(playlists.begin(), std::move(library));
    }
    if (!havePodcasts) {
        // Some versions write podcast episodes without a Podcasts playlist.
        LibraryPlaylist podcasts;
        for (qint32 i = 0; i < qint32(mTracks.size()); ++i) {
            if (mTracks[size_t(i)].mPodcast) {
                podcasts.mTrackIndexes.append(i);
                podcasts.mSize += double(mTracks[size_t(i)].mSize);
            }
        }
        if (!podcasts.mTrackIndexes.isEmpty()) {
            podcasts.mName = QStringLiteral("Podcasts");
            podcasts.mKind = kPlaylistKindUser;
            podcasts.mSpecialKind = kSpecialKindPodcasts;
            playlists.push_back(std::move(podcasts));
        }
    }
    mSnapshot = std::make_shared<const LibrarySnapshot>(aLibraryPath, mMusicFolder,
                                                        std::move(mTracks), std::move(playlists));
    mTracks.clear();
    mPlaylists.clear();
    mIndexById.clear();
    mInterned.clear();
}
