#pragma once

#include <QList>
#include <QStringList>

class DeviceParent;

// A background enumeration of phones that the device list cannot see as folders (MTP phones).
// The device list takes over the result of the last run on each refresh while the refresher is
// not running, and then starts the next run. While the list holds the lock no run starts, so
// that no enumeration touches a phone during a synchronisation.
//
// A refresher that is a QObject with a signal "unableToOpenDevice()" has it forwarded as the
// device list's own signal.
class DeviceRefresher
{
public:
    virtual ~DeviceRefresher() = default;

    // A run is in progress (guarded by the refresher itself).
    virtual bool isRunning() = 0;
    // Phones the last run found new; ownership passes to the caller.
    virtual QList<DeviceParent*> takeNewParents() = 0;
    // Phones the last run found gone; the caller destroys them and their storages.
    virtual QList<DeviceParent*> takeGoneParents() = 0;
    // Starts the next run; aKnownParents are the phones the list holds now.
    virtual void startRefresh(const QList<DeviceParent*>& aKnownParents) = 0;
    // Blocks enumeration: waits at most 5000 ms, then logs that the refresher seems stalled
    // and waits without limit.
    virtual void lock() = 0;
    virtual void unlock() = 0;
    // Why phones could not be opened in the last run, one text per phone, in words the user
    // can act on (the phone is busy, or locked); empty when nothing can be said.
    virtual QStringList openProblems() { return {}; }
};
