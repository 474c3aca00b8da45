#pragma once

#include <QList>
#include <QString>

// One playlist or podcast as the library hands it to playlist writing: a name and its tracks in
// order, each as an index into the run's TrackList (or, while podcasts are gathered, into the
// podcast list) with the track's date added (a whole day count).
struct PlaylistItem
{
    qint32 mTrackIndex = 0;
    qint64 mDateAdded = 0;
};

struct PlaylistEntry
{
    QString mName;
    QList<PlaylistItem> mItems;
};
