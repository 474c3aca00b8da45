#pragma once

#include <QList>
#include <QStringList>

class DeviceParent;

// A background enumeration of phones that the device list cannot see as folders (MTP phones).
// The device list takes over the result of the last run on each refresh while the refresher is
// not running, and then starts the next run. While the list holds the lock no run touches a
// phone, so that no enumeration disturbs a synchronisation.
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
    // Keeps runs away from the phones until unlock. Never waits: the window's thread takes it
    // when a synchronisation starts; a run in progress stops before it opens another phone,
    // and never touches a phone the list already holds.
    virtual void lock() = 0;
    virtual void unlock() = 0;
    // Something was plugged in or out: phones that could not be opened a moment ago are tried
    // again on the next run.
    virtual void devicesChanged() {}
    // Why phones could not be opened in the last run, one text per phone, in words the user
    // can act on (the phone is busy, or locked); empty when nothing can be said.
    virtual QStringList openProblems() { return {}; }
};
