#pragma once

#include <QtGlobal>

class Device;

// Used and free bytes of a phone for the space gauge. An unmounted phone gives 0 and 0.
class SpaceCalculator
{
public:
    // Returns 0, or the failure of the capacity query (used and free are then 0).
    static int Calculate(Device* aDevice, qint64& aUsedSpace, qint64& aFreeSpace);
};
