#include "device/Device.h"

#include "app/DebugLog.h"
#include "settings/SyncSettings.h"
#include "tracks/PlaylistEntry.h"
#include "tracks/Track.h"
#include "tracks/TrackList.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// Characters that folder names of artists and albums never hold on the phone.
bool isReplacedInFolderName(QChar aChar)
{
    static const QString kReplaced = QStringLiteral("[']\\^/?<>,&:*|\"(){};!$#%@");
    return kReplaced.contains(aChar) || aChar.unicode() == 0x8099
           || aChar.category() == QChar::Other_Control;
}


int attributeAsInt(const QDomElement& aElement, const QString& aName)
{
    bool ok = false;
    const int value = aElement.attribute(aName).trimmed().toInt(&ok);
    return ok ? value : -1;
}

} // namespace

Device::Device() = default;

Device::~Device() = default;

bool Device::SetModificationTime(const QString& aPath, const QDateTime& aTime)
{
    return false;
}

bool Device::IsConfigured()
{
    LogScope scope("Device::IsConfigured");
    SyncSettings settings;
    settings.load();
    bool syncEntireLibrary = false;
    int podcastSyncSetting = 0;
    QStringList playlists;
    QStringList podcasts;
    const bool configured = settings.getConfig(UniqueDeviceId(), syncEntireLibrary,
                                               podcastSyncSetting, playlists, podcasts) == 0;
    logReturn(configured);
    return configured;
}

int Device::configuredOrder()
{
    LogScope scope("Device::configuredOrder");
    SyncSettings settings;
    settings.load();
    const int line = settings.deviceLineNumber(UniqueDeviceId());
    logReturn(line);
    return line;
}

void Device::ParseAndroidInfo(const QByteArray& aContent)
{
    LogScope scope("Device::ParseAndroidInfo");
    QDomDocument document;
    if (aContent.size() <= kMaxAndroidInfoSize)
        document.setContent(aContent);
    else
        logValue("Device info too large", aContent.size());
    const QDomElement root = document.documentElement();
    if (root.isNull()) {
        // An empty file is no description at all; unreadable content is a description without
        // a usable version.
        mAndroidVersion = aContent.isEmpty() ? -1 : 0;
    } else {
        int version = attributeAsInt(root, QStringLiteral("version"));
        if (version == -1)
            version = 0;
        mAndroidVersion = version;
        mScreenPixels = attributeAsInt(root, QStringLiteral("screen_pixels"));
    }
    logValue("mAndroidVersion", mAndroidVersion);
    logValue("mScreenPixels", mScreenPixels);
}

void Device::MakeValidFileName(QString& aName, bool aReplaceDots)
{
    const auto replaced = [aReplaceDots](QChar aChar) {
        return (aReplaceDots && aChar == QLatin1Char('.')) || isReplacedInFolderName(aChar);
    };
    // Most names need nothing: their shared text is then not copied (every copied track asks).
    if (std::any_of(aName.cbegin(), aName.cend(), replaced)) {
        for (QChar& c : aName) {
            if (replaced(c))
                c = QLatin1Char('_');
        }
    }
    aName = aName.trimmed();
}

void Device::MakeValidFileName(QString& aName)
{
    MakeValidFileName(aName, false);
}

QString Device::GenerateUniqueDeviceId(const QDateTime& aLocalTime)
{
    // Milliseconds, seconds, minutes, hour, day and month without leading zeros, then "Y".
    const QTime time = aLocalTime.time();
    const QDate date = aLocalTime.date();
    return QString::number(time.msec()) + QString::number(time.second())
         + QString::number(time.minute()) + QString::number(time.hour())
         + QString::number(date.day()) + QString::number(date.month()) + QLatin1Char('Y');
}

QString Device::PlaylistFileName(const QString& aPlaylistName)
{
    // Only what FAT and exFAT cannot hold is replaced, so that every name that was a valid
    // file name before keeps its file.
    static const QString kForbidden = QStringLiteral("\\/:*?\"<>|");
    QString name = aPlaylistName;
    for (QChar& c : name) {
        if (kForbidden.contains(c) || c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QLatin1Char('_');
    }
    bool onlyDots = true;
    for (const QChar c : name) {
        if (c != QLatin1Char('.')) {
            onlyDots = false;
            break;
        }
    }
    // Room for the ".m3u" the file gets.
    return onlyDots ? QString() : FitName(name, kMaxNameBytes - 4, false);
}

QString Device::WithoutControlCharacters(const QString& aName, QChar aReplacement)
{
    const auto control = [](QChar aChar) { return aChar.category() == QChar::Other_Control; };
    // Most names hold none: their shared text is then not copied.
    if (std::none_of(aName.cbegin(), aName.cend(), control))
        return aName;
    QString cleaned;
    cleaned.reserve(aName.size());
    for (const QChar c : aName) {
        if (!control(c))
            cleaned += c;
        else if (!aReplacement.isNull())
            cleaned += aReplacement;
    }
    return cleaned;
}

QString Device::FitName(const QString& aName, qsizetype aMaxBytes, bool aKeepExtension)
{
    const QByteArray whole = aName.toUtf8();
    if (whole.size() <= aMaxBytes)
        return aName;
    QByteArray extension;
    if (aKeepExtension) {
        const qsizetype dot = aName.lastIndexOf(QLatin1Char('.'));
        // A "." far from the end is part of the name, not an extension.
        if (dot > 0)
            extension = QStringView(aName).sliced(dot).toUtf8();
        if (extension.size() > aMaxBytes / 4)
            extension.clear();
    }
    const QByteArray stem = whole.left(whole.size() - extension.size());
    qsizetype room = aMaxBytes - extension.size();
    // Never inside a character: back off over UTF-8 continuation bytes.
    while (room > 0 && (uchar(stem.at(room)) & 0xC0) == 0x80)
        --room;
    return QString::fromUtf8(stem.left(room) + extension);
}

QString Device::FailureReason(int aError)
{
    switch (aError) {
    case 0:
        return QString();
    case EROFS:
    case EACCES:
    case EPERM:
        return QStringLiteral("the phone is read-only");
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return QStringLiteral("the phone is full");
    case ENAMETOOLONG:
        return QStringLiteral("the name is too long for the phone");
    case ENODEV:
    case ENXIO:
    case EIO:
    case ESTALE:
        return QStringLiteral("the phone was disconnected");
    case ELOOP:
    case ENOTDIR:
        return QStringLiteral("a link or a file stands in the way on the phone");
    default:
        return QString::fromLocal8Bit(std::strerror(aError));
    }
}

QStringList Device::SplitPath(const QString& aPath)
{
    return aPath.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

void Device::GetArtistAndAlbumFolders(const Track& aTrack, QString& aArtistFolder,
                                      QString& aAlbumFolder)
{
    LogScope scope("Device::GetArtistAndAlbumFolders");
    aAlbumFolder = aTrack.albumName();
    aArtistFolder = aTrack.compilation() ? QStringLiteral("Compilation") : aTrack.artistName();
    MakeValidFileName(aArtistFolder, true);
    MakeValidFileName(aAlbumFolder, true);
    aArtistFolder = FitName(aArtistFolder, kMaxNameBytes, false);
    aAlbumFolder = FitName(aAlbumFolder, kMaxNameBytes, false);

    // Podcast episodes live two levels below a "Podcasts" folder of the library.
    // The name is looked at first, so that only podcast episodes cost a look-up on disk.
    const QStringView path(aTrack.path());
    const qsizetype fileSlash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype parentSlash =
        fileSlash > 0 ? path.lastIndexOf(QLatin1Char('/'), fileSlash - 1) : -1;
    if (parentSlash > 0) {
        const QStringView grandParent = path.left(parentSlash);
        if (grandParent.mid(grandParent.lastIndexOf(QLatin1Char('/')) + 1)
                    .compare(QLatin1String("Podcasts"), Qt::CaseInsensitive)
                == 0
            && QFileInfo(grandParent.toString()).isDir())
            aArtistFolder = QStringLiteral("Podcasts");
    }
    logValue("artistFolder", aArtistFolder);
    logValue("albumFolder", aAlbumFolder);
}

QString Device::GetDeviceRelativePath(const QString& aDeviceId)
{
    if (aDeviceId.isEmpty())
        return QString();
    if (aDeviceId.startsWith(QLatin1Char('\\')) || aDeviceId.startsWith(QLatin1Char('.')))
        return aDeviceId;
    return QStringLiteral("\\CORVO\\") + aDeviceId;
}

QString Device::PlaylistEntryPath(const QString& aDeviceId)
{
    // Android reads playlists three ways: up to version 9 by matching path components from the
    // end, on 10 as an exact path relative to the playlist's folder with "\" kept as a
    // character, from 11 on with "\" as "/" and a leading "/" taken from the device's root
    // (not the shared storage), falling back to a file name that is unique on the volume. Only
    // a relative path with "/" resolves under all three, also when two tracks share a name.
    QString entry = QStringLiteral("..") + GetDeviceRelativePath(aDeviceId);
    entry.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return entry;
}

int Device::createPlaylist(const PlaylistEntry& aPlaylist, const TrackList& aTrackList,
                           bool /*aForce*/, const QString& aLocalFilePath)
{
    LogScope scope("Device::createPlaylist");
    logValue("aLocalFilePath", aLocalFilePath);
    // The caller uploads this file: a cut one must not take the place of a whole one.
    QSaveFile file(aLocalFilePath);
    const QByteArray content = playlistContent(aPlaylist, aTrackList);
    const bool written = file.open(QIODevice::WriteOnly) && file.write(content) == content.size()
                         && file.commit();
    if (!written)
        logMessage("Error opening playlist file");
    const int result = written ? 0 : kCopyFailed;
    logReturn(result);
    return result;
}

QByteArray Device::playlistContent(const PlaylistEntry& aPlaylist, const TrackList& aTrackList)
{
    QByteArray content("#EXTM3U\r\n");
    logValue("Writing: #EXTM3U, bytes written", content.size());
    for (const PlaylistItem& item : aPlaylist.mItems) {
        if (item.mTrackIndex < 0 || item.mTrackIndex >= aTrackList.count()) {
            logValue("Playlist item without a track", item.mTrackIndex);
            continue;
        }
        const Track& track = aTrackList.at(item.mTrackIndex);
        const QByteArray info = "#EXTINF:" + QByteArray::number(track.duration()) + ','
                              + WithoutControlCharacters(track.trackName(), QChar()).toUtf8()
                              + "\r\n";
        logValue("Writing track: ", track.trackName());
        logValue("bytesWritten", info.size());
        content += info;
        const QByteArray entry = PlaylistEntryPath(track.deviceId()).toUtf8() + "\r\n";
        logValue("Writing track data: ", QString::fromUtf8(entry.chopped(2)));
        logValue("bytesWritten", entry.size());
        content += entry;
    }
    return content;
}

bool Device::identicalPlaylistAlreadyExists(const QString& aPlaylistFilePath,
                                            const PlaylistEntry& aPlaylist,
                                            const TrackList& aTrackList)
{
    LogScope scope("Device::identicalPlaylistAlreadyExists");
    logValue("aRemotePlaylistPath", aPlaylistFilePath);
    QFile file(aPlaylistFilePath);
    if (!file.open(QIODevice::ReadOnly)) {
        logMessage("Can't open playlist file.");
        logReturn(false);
        return false;
    }
    // A line without its line end; files written by hand may end lines with LF alone.
    const auto readEntryLine = [&file]() {
        QByteArray line = file.readLine();
        if (line.endsWith('\n'))
            line.chop(1);
        if (line.endsWith('\r'))
            line.chop(1);
        return line;
    };

    file.readLine();
    bool identical = true;
    for (const PlaylistItem& item : aPlaylist.mItems) {
        if (item.mTrackIndex < 0 || item.mTrackIndex >= aTrackList.count())
            continue;
        file.readLine();
        const QString remotePath = QString::fromUtf8(readEntryLine());
        logValue("remoteFilePathFromDevice", remotePath);
        const QString expectedPath = PlaylistEntryPath(aTrackList.at(item.mTrackIndex).deviceId());
        logValue("expectedPath", expectedPath);
        if (remotePath != expectedPath) {
            logMessage("Playlist is not identical");
            identical = false;
            break;
        }
    }
    if (identical && !readEntryLine().isEmpty()) {
        logMessage("PLaylist is not identical because the existing one has extra stuff at the end");
        identical = false;
    }
    logValue("playlistIsIdentical returns:", identical ? "true" : "false");
    logReturn(identical);
    return identical;
}
