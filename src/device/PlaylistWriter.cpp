#include "device/PlaylistWriter.h"

#include "app/DebugLog.h"
#include "device/PhoneNames.h"
#include "device/PhonePath.h"
#include "tracks/PlaylistEntry.h"
#include "tracks/Track.h"
#include "tracks/TrackList.h"

#include <QFile>
#include <QSaveFile>

QString PlaylistWriter::entryPath(const QString& aDeviceId)
{
    // Android reads playlists three ways: up to version 9 by matching path components from the
    // end, on 10 as an exact path relative to the playlist's folder with "\" kept as a
    // character, from 11 on with "\" as "/" and a leading "/" taken from the device's root
    // (not the shared storage), falling back to a file name that is unique on the volume. Only
    // a relative path with "/" resolves under all three, also when two tracks share a name.
    QString entry = QStringLiteral("..") + PhonePath::fromDeviceId(aDeviceId);
    entry.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return entry;
}

PhoneResult PlaylistWriter::writeFile(const PlaylistEntry& aPlaylist, const TrackList& aTrackList,
                                      const QString& aLocalFilePath)
{
    LogScope scope("Device::createPlaylist");
    logValue("aLocalFilePath", aLocalFilePath);
    // The caller uploads this file: a cut one must not take the place of a whole one.
    QSaveFile file(aLocalFilePath);
    const QByteArray bytes = content(aPlaylist, aTrackList);
    const bool written = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()
                         && file.commit();
    PhoneResult result;
    if (!written) {
        logMessage("Error opening playlist file");
        result = PhoneResult::failed(PhoneResult::kCopyFailed);
    }
    logReturn(result.code());
    return result;
}

QByteArray PlaylistWriter::content(const PlaylistEntry& aPlaylist, const TrackList& aTrackList)
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
                              + PhoneNames::WithoutControlCharacters(track.trackName(), QChar()).toUtf8()
                              + "\r\n";
        logValue("Writing track: ", track.trackName());
        logValue("bytesWritten", info.size());
        content += info;
        const QByteArray entry = entryPath(track.deviceId()).toUtf8() + "\r\n";
        logValue("Writing track data: ", QString::fromUtf8(entry.chopped(2)));
        logValue("bytesWritten", entry.size());
        content += entry;
    }
    return content;
}

bool PlaylistWriter::matchesFile(const QString& aPlaylistFilePath, const PlaylistEntry& aPlaylist,
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
        const QString expectedPath = entryPath(aTrackList.at(item.mTrackIndex).deviceId());
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
