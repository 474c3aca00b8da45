#pragma once

#include "tracks/Track.h"

#include <QHash>
#include <QString>

#include <memory>
#include <vector>

// The merged tracks of one run, from the phone's cache and from the library, each distinct track
// held once, with the totals the space check and the progress display use.
class TrackList
{
public:
    // Adds a copy of aTrack, or merges it into the track with the same unique id.
    // Returns the track's index, which never changes.
    qint32 addTrack(const Track& aTrack);

    Track& at(qint32 aIndex) { return *mTracks.at(size_t(aIndex)); }
    const Track& at(qint32 aIndex) const { return *mTracks.at(size_t(aIndex)); }
    qint32 count() const { return qint32(mTracks.size()); }
    // Room for aCount more tracks, so that a large cache is merged without rehashing.
    void reserve(qint32 aCount)
    {
        if (aCount <= 0)
            return;
        mTracks.reserve(mTracks.size() + size_t(aCount));
        mIndexById.reserve(mIndexById.size() + aCount);
    }
    // Index of the track with this unique id, or -1.
    qint32 indexOf(const QString& aUniqueId) const { return mIndexById.value(aUniqueId, -1); }

    qint32 totalTracksToCopy() const { return mTotalTracksToCopy; }
    qint64 totalLocalSize() const { return mTotalLocalSize; }
    qint64 totalSizeOnDevice() const { return mTotalSizeOnDevice; }
    void setTotalSizeOnDevice(qint64 aValue) { mTotalSizeOnDevice = aValue; }

private:
    std::vector<std::unique_ptr<Track>> mTracks;
    QHash<QString, qint32> mIndexById;
    qint32 mTotalTracksToCopy = 0;
    qint64 mTotalLocalSize = 0;
    qint64 mTotalSizeOnDevice = 0;
};
