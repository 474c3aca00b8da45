#pragma once

#include <QString>

// One object on the phone as a folder listing describes it, or as a send is asked to create it.
// Ids are the decimal text of the phone's object ids.
struct MtpObject
{
    // Object types.
    static constexpr int kDocument = 0;
    static constexpr int kFolder = 1;
    static constexpr int kOther = 2;
    static constexpr int kPlaylist = 3;

    QString mId;
    QString mParentId;
    QString mStorageId;
    QString mName;
    quint64 mSize = 0;
    int mType = kOther;
};
