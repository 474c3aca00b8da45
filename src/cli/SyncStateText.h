#pragma once

#include <QString>

// What a sync state number means, in the words the window shows for it.
class SyncStateText
{
public:
    static QString text(int aState);
    // States below 7 are idle: a run that sends one has ended.
    static bool isIdle(int aState) { return aState < 7; }
};
