#include "library/itunes/LibraryXmlReader.h"

#include "app/DebugLog.h"
#include "library/itunes/ITunesAutomation.h"

#include <QDate>
#include <QDateTime>
#include <QIODevice>

using namespace itunes;

namespace {

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

bool LibraryXmlReader::read(QIODevice* aDevice, const QString& aLibraryPath)
{
    LogScope scope("LibraryXmlReader::read");
    mXml.setDevice(aDevice);
    mError.clear();
    mMusicFolder.clear();
    mHaveTracks = mHavePlaylists = false;
    mTracks.clear();
    mIndexById.clear();
    mPlaylists.clear();
    mInterned.clear();
    mMissingItems = 0;
    mSnapshot.reset();

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
        case TrackKey::Artist: track.mArtist = intern(readString()); break;
        case TrackKey::AlbumArtist: track.mAlbumArtist = intern(readString()); break;
        case TrackKey::Album: track.mAlbum = intern(readString()); break;
        case TrackKey::Composer: track.mComposer = readString(); break;
        case TrackKey::Genre: track.mGenre = intern(readString()); break;
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
    const qint32 index = qint32(mTracks.size());
    if (track.mTrackId >= 0 && !mIndexById.contains(track.mTrackId))
        mIndexById.insert(track.mTrackId, index);
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
