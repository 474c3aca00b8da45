#include "library/itunes/LibraryPlistParser.h"

#include "library/itunes/LibraryXmlReader.h"
#include "library/itunes/PlistScanner.h"
#include "library/itunes/QtPlistStream.h"

namespace {

using Role = LibraryPlistContent::Role;

// Roles for the library file's "Distinguished Kind" numbers.
Role roleForDistinguished(qint64 aDistinguishedKind)
{
    switch (aDistinguishedKind) {
    case 4: return Role::Music;
    case 10: return Role::Podcasts;
    default: return Role::Other;
    }
}

// Roles for the boolean keys that older files use instead of "Distinguished Kind"; false when
// aKey is not one of them.
bool roleForFlag(QStringView aKey, Role& aRole)
{
    if (aKey == u"Music")
        aRole = Role::Music;
    else if (aKey == u"Podcasts")
        aRole = Role::Podcasts;
    else if (aKey == u"Folder" || aKey == u"Movies" || aKey == u"TV Shows" || aKey == u"Audiobooks"
             || aKey == u"Books" || aKey == u"Purchased Music" || aKey == u"Party Shuffle")
        aRole = Role::Other;
    else
        return false;
    return true;
}

// "Persistent ID": 16 hexadecimal digits; 0 when the text is not that.
quint64 persistentIdOf(QStringView aText)
{
    const QStringView text = aText.trimmed();
    if (text.isEmpty() || text.size() > 16)
        return 0;
    bool ok = false;
    const quint64 id = text.toULongLong(&ok, 16);
    return ok ? id : 0;
}

enum class TrackKey {
    Other, TrackId, Name, Artist, AlbumArtist, Album, Composer, Genre, Location,
    Size, TrackNumber, DateAdded, Compilation, Podcast, Kind, Protected, PersistentId,
    DiscNumber, Year, TotalTime
};

// The keys of a track that are read; dispatched on length first, since a library has millions.
TrackKey trackKey(QStringView aKey)
{
    switch (aKey.size()) {
    case 4:
        if (aKey == u"Name") return TrackKey::Name;
        if (aKey == u"Size") return TrackKey::Size;
        if (aKey == u"Kind") return TrackKey::Kind;
        if (aKey == u"Year") return TrackKey::Year;
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
    case 9:
        if (aKey == u"Protected") return TrackKey::Protected;
        break;
    case 10:
        if (aKey == u"Date Added") return TrackKey::DateAdded;
        if (aKey == u"Total Time") return TrackKey::TotalTime;
        break;
    case 11:
        if (aKey == u"Compilation") return TrackKey::Compilation;
        if (aKey == u"Disc Number") return TrackKey::DiscNumber;
        break;
    case 12:
        if (aKey == u"Album Artist") return TrackKey::AlbumArtist;
        if (aKey == u"Track Number") return TrackKey::TrackNumber;
        break;
    case 13:
        if (aKey == u"Persistent ID") return TrackKey::PersistentId;
        break;
    default:
        break;
    }
    return TrackKey::Other;
}

} // namespace

template <typename Stream>
bool LibraryPlistParser<Stream>::readPlist()
{
    if (!mXml.readNextStartElement() || mXml.name() != u"plist")
        return false;
    if (!mXml.readNextStartElement() || mXml.name() != u"dict")
        return false;
    readRootDict();
    return mXml.finish();
}

template <typename Stream>
bool LibraryPlistParser<Stream>::nextKey(QString& aKey)
{
    while (mXml.readNextStartElement()) {
        if (mXml.name() == u"key")
            return mXml.readTextInto(aKey);
        mXml.skipCurrentElement();
    }
    return false;
}

template <typename Stream>
QString LibraryPlistParser<Stream>::readString()
{
    if (mXml.name() != u"string") {
        mXml.skipCurrentElement();
        return QString();
    }
    return mXml.readElementText();
}

template <typename Stream>
bool LibraryPlistParser<Stream>::readInteger(qint64& aValue)
{
    if (mXml.name() != u"integer") {
        mXml.skipCurrentElement();
        return false;
    }
    bool ok = false;
    if (!mXml.readTextInto(mScratch))
        return false;
    const qint64 value = QStringView(mScratch).trimmed().toLongLong(&ok);
    if (ok)
        aValue = value;
    return ok;
}

template <typename Stream>
qint32 LibraryPlistParser<Stream>::readSmallInteger()
{
    qint64 value = 0;
    if (readInteger(value) && value >= 0 && value <= INT32_MAX)
        return qint32(value);
    return 0;
}

template <typename Stream>
bool LibraryPlistParser<Stream>::readBool(bool& aValue)
{
    const QStringView name = mXml.name();
    const bool isTrue = name == u"true";
    const bool isFalse = name == u"false";
    mXml.skipCurrentElement();
    if (isTrue || isFalse)
        aValue = isTrue;
    return isTrue || isFalse;
}

template <typename Stream>
QString LibraryPlistParser<Stream>::readInternedString()
{
    if (mXml.name() != u"string") {
        mXml.skipCurrentElement();
        return intern(QString());
    }
    // Artists, albums and genres repeat: find the shared copy before making a string.
    if (!mXml.readTextInto(mScratch) || mScratch.isEmpty())
        return intern(QString());
    const auto found = mInterned.constFind(mScratch);
    if (found != mInterned.constEnd())
        return found.value();
    const QString value(mScratch.constData(), mScratch.size());
    mInterned.insert(value, value);
    return value;
}

template <typename Stream>
QString LibraryPlistParser<Stream>::intern(const QString& aValue)
{
    const auto found = mInterned.constFind(aValue);
    if (found != mInterned.constEnd())
        return found.value();
    mInterned.insert(aValue, aValue);
    return aValue;
}

template <typename Stream>
void LibraryPlistParser<Stream>::readRootDict()
{
    QString key;
    while (nextKey(key)) {
        if (!mXml.readNextStartElement())
            return;
        const QStringView name = mXml.name();
        if (key == u"Tracks" && name == u"dict") {
            mContent.mHaveTracks = true;
            readTracks();
        } else if (key == u"Tracks") {
            mContent.mTracksNotADictionary = true;
            mXml.skipCurrentElement();
        } else if (key == u"Playlists" && name == u"array") {
            mContent.mHavePlaylists = true;
            readPlaylists();
        } else if (key == u"Music Folder") {
            mContent.mMusicFolder = readString();
            mContent.mMusicFolderSeen = true;
        } else {
            mXml.skipCurrentElement();
        }
    }
}

template <typename Stream>
void LibraryPlistParser<Stream>::readTracks()
{
    QString key;
    // A split read's first part stops where the second part began.
    while (!mXml.atSplit() && nextKey(key)) {
        if (!mXml.readNextStartElement())
            return;
        if (mXml.name() == u"dict")
            readTrack(key);
        else
            mXml.skipCurrentElement();
    }
    // Where a split read's first part must end.
    mXml.tracksEnded();
}

template <typename Stream>
void LibraryPlistParser<Stream>::readTrack(const QString& aKey)
{
    LibraryTrack track;
    qint64 trackId = -1;
    QString& key = mKey;
    while (nextKey(key)) {
        if (!mXml.readNextStartElement())
            break;
        switch (trackKey(key)) {
        case TrackKey::TrackId: readInteger(trackId); break;
        case TrackKey::PersistentId:
            if (mXml.name() == u"string" && mXml.readTextInto(mScratch))
                track.mPersistentId = persistentIdOf(mScratch);
            else if (mXml.name() != u"string")
                mXml.skipCurrentElement();
            break;
        case TrackKey::DiscNumber: track.mDiscNumber = readSmallInteger(); break;
        case TrackKey::Year: track.mYear = readSmallInteger(); break;
        case TrackKey::TotalTime: track.mDurationMs = readSmallInteger(); break;
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
        case TrackKey::TrackNumber: track.mTrackNumber = readSmallInteger(); break;
        case TrackKey::DateAdded:
            if (mXml.name() == u"date" && mXml.readTextInto(mScratch))
                track.mDateAdded =
                    LibraryXmlReader::automationDate(QStringView(mScratch).trimmed());
            else if (mXml.name() != u"date")
                mXml.skipCurrentElement();
            break;
        case TrackKey::Compilation: readBool(track.mCompilation); break;
        case TrackKey::Podcast: readBool(track.mPodcast); break;
        case TrackKey::Kind:
            // "Protected AAC audio file", "Protected book": what iTunes calls such files.
            if (mXml.name() == u"string" && mXml.readTextInto(mScratch)) {
                if (QStringView(mScratch).contains(u"protected", Qt::CaseInsensitive))
                    track.mProtected = true;
            } else if (mXml.name() != u"string") {
                mXml.skipCurrentElement();
            }
            break;
        case TrackKey::Protected: {
            bool flag = false;
            if (readBool(flag) && flag)
                track.mProtected = true;
            break;
        }
        case TrackKey::Other: mXml.skipCurrentElement(); break;
        }
    }
    if (trackId < 0) {
        bool ok = false;
        const qint64 id = aKey.toLongLong(&ok);
        if (ok)
            trackId = id;
    }
    mContent.mTracks.push_back(std::move(track));
    mContent.mTrackIds.push_back(trackId);
}

template <typename Stream>
void LibraryPlistParser<Stream>::readPlaylists()
{
    while (mXml.readNextStartElement()) {
        if (mXml.name() == u"dict")
            readPlaylist();
        else
            mXml.skipCurrentElement();
    }
}

template <typename Stream>
void LibraryPlistParser<Stream>::readPlaylist()
{
    LibraryPlistContent::PendingPlaylist pending;
    qint64 distinguishedKind = -1;
    bool haveFlagRole = false;
    Role flagRole = Role::Other;
    bool master = false;
    bool visible = true;
    QString key;
    while (nextKey(key)) {
        if (!mXml.readNextStartElement())
            break;
        Role role = Role::Other;
        if (key == u"Name") {
            pending.mName = readString();
        } else if (key == u"Master") {
            readBool(master);
        } else if (key == u"Visible") {
            readBool(visible);
        } else if (key == u"Distinguished Kind") {
            readInteger(distinguishedKind);
        } else if (key == u"Playlist Items") {
            if (mXml.name() == u"array")
                readPlaylistItems(pending.mTrackIds);
            else
                mXml.skipCurrentElement();
        } else if (roleForFlag(key, role)) {
            bool set = false;
            if (readBool(set) && set && !haveFlagRole) {
                flagRole = role;
                haveFlagRole = true;
            }
        } else {
            mXml.skipCurrentElement();
        }
    }
    // Names are localised; only the kind keys tell what a playlist is.
    if (master)
        pending.mRole = Role::Library;
    else if (distinguishedKind >= 0)
        pending.mRole = roleForDistinguished(distinguishedKind);
    else if (haveFlagRole)
        pending.mRole = flagRole;
    else if (!visible)
        pending.mRole = Role::Other;
    else
        pending.mRole = Role::User;
    mContent.mPlaylists.push_back(std::move(pending));
}

template <typename Stream>
void LibraryPlistParser<Stream>::readPlaylistItems(QList<qint64>& aTrackIds)
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

template class LibraryPlistParser<QtPlistStream>;
template class LibraryPlistParser<PlistScanner>;
