#include "tracks/TrackList.h"

#include "app/DebugLog.h"

#include <QFileInfo>

qint32 TrackList::addTrack(const Track& aTrack)
{
    logEnter("TrackList::addTrack");
    const QString id = aTrack.uniqueId();
    logValue("trackUniqueId", id);

    // One hash lookup finds the track or makes its slot.
    const qsizetype knownIds = mIndexById.size();
    qint32& slot = mIndexById[id];
    qint32 index = 0;
    if (mIndexById.size() != knownIds) {
        index = count();
        slot = index;
        mTracks.push_back(std::make_unique<Track>(aTrack));
        if (aTrack.onLocalSyncPlaylist() && !aTrack.onRemoteDevice())
            ++mTotalTracksToCopy;
        if (aTrack.onRemoteDevice())
            mTotalSizeOnDevice += aTrack.sizeOnDevice();
        if (aTrack.onLocalSyncPlaylist())
            mTotalLocalSize += aTrack.localSize();
    } else {
        logMessage("Track already exists");
        index = slot;
        Track& held = at(index);
        const Track& added = aTrack;
        // A cached track carries its old local path; the library's current one replaces it
        // when the old file is gone. The same path needs no look at the disk.
        if (held.path() != added.path() && !QFileInfo::exists(held.path())) {
            logValue("Current file doesn't exist:", held.path());
            logValue("Replacing with new path:", added.path());
            held.setPath(added.path());
        }
        if (held.duration() == 0)
            held.setDuration(added.duration());
        if (held.dateAdded() == 0)
            held.setDateAdded(added.dateAdded());
        // Fill what one source knows and the other does not; nothing known is overwritten.
        if (held.iTunesId().isEmpty())
            held.setITunesId(added.iTunesId());
        if (held.localSize() == 0)
            held.setLocalSize(added.localSize());
        if (held.deviceId().isEmpty() && !added.deviceId().isEmpty()) {
            held.setDeviceId(added.deviceId());
            held.setSizeOnDevice(added.rawSizeOnDevice());
            held.setFlagsFilePosition(added.flagsFilePosition());
            held.setDeviceIdFilePosition(added.deviceIdFilePosition());
        }
        if (added.onRemoteDevice() && !held.onRemoteDevice())
            mTotalSizeOnDevice += added.sizeOnDevice();
        if (added.onLocalSyncPlaylist() && !held.onLocalSyncPlaylist())
            mTotalLocalSize += added.localSize();
        if (added.onLocalSyncPlaylist() && !held.onLocalSyncPlaylist()
            && !held.onRemoteDevice()) {
            logMessage("mTotalTracksToCopy++");
            ++mTotalTracksToCopy;
        }
        if (added.onRemoteDevice() && !held.onRemoteDevice() && held.onLocalSyncPlaylist()) {
            logMessage("mTotalTracksToCopy--");
            --mTotalTracksToCopy;
        }
        if (added.onLocalSyncPlaylist())
            held.setOnLocalSyncPlaylist(true);
        if (added.onRemoteDevice())
            held.setOnRemoteDevice(true);
        if (added.needsConversion())
            held.setConvertToMp3(true);
        if (added.compilation())
            held.setCompilation(true);
        if (added.inCache())
            held.setInCache(true);
    }
    logExit("TrackList::addTrack");
    logReturn(index);
    return index;
}
