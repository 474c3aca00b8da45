#include "device/SpaceCalculator.h"

#include "app/DebugLog.h"
#include "device/Device.h"

int SpaceCalculator::Calculate(Device* aDevice, qint64& aUsedSpace, qint64& aFreeSpace)
{
    LogScope scope("SpaceCalculator");
    aUsedSpace = 0;
    aFreeSpace = 0;
    int result = 0;
    if (aDevice && aDevice->IsMounted()) {
        logMessage("Device is mounted");
        quint64 capacity = 0;
        result = aDevice->GetStorageCapacity(capacity);
        if (result != 0) {
            logMessage("Can't get storage capacity");
            logReturn(result);
            return result;
        }
        quint64 freeSpace = 0;
        if (aDevice->GetFreeStorageSpace(freeSpace) != 0) {
            logMessage("Can't get free storage space");
            freeSpace = 0;
        }
        // A free space above the capacity (a volume that changed between the two queries)
        // must not show as negative use.
        aFreeSpace = qint64(freeSpace);
        aUsedSpace = capacity > freeSpace ? qint64(capacity - freeSpace) : 0;
    }
    logValue("usedSpace", aUsedSpace);
    logValue("freeSpace", aFreeSpace);
    logReturn(result);
    return result;
}
