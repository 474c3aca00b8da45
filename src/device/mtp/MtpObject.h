#pragma once

#include <QString>

// One object on the phone as a folder listing describes it, or as a send is asked to create it.
// Ids are the phone's 32-bit object and storage ids, valid in the session that issued them.
struct MtpObject
{
    // Object types.
    static constexpr int kDocument = 0;
    static constexpr int kFolder = 1;
    static constexpr int kOther = 2;
    static constexpr int kPlaylist = 3;

    quint32 mId = 0;
    quint32 mParentId = 0;
    quint32 mStorageId = 0;
    QString mName;
    quint64 mSize = 0;
    int mType = kOther;
};
