#pragma once

#include <QString>

// What a sync state number means, in the words the window shows for it.
class SyncStateText
{
public:
    static QString text(int aState);
};
