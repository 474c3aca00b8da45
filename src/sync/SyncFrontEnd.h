#pragma once

#include <QByteArray>
#include <QString>

class Device;
class SettingsSnapshot;
struct SyncPlan;

// The side of a run session that a person sees: the window or the command line. It is told why
// a run cannot start, and asked about the plan before the run acts on it, always in the thread
// that started the session, so that it can show dialogs or read the terminal.
class SyncFrontEnd
{
public:
    virtual ~SyncFrontEnd() = default;

    // Why the run did not start.
    virtual void phoneNotMounted(Device& aPhone) = 0;
    // The settings file is damaged; it stays as it is until something saves the settings.
    virtual void settingsDamaged(const SettingsSnapshot& aSettings) = 0;
    virtual void phoneNotConfigured(Device& aPhone) = 0;
    // Another process (aHolder) synchronises the phone now.
    virtual void phoneInUse(Device& aPhone, const QString& aHolder) = 0;

    // The password of the plan's encrypted backup; empty when the user gives none.
    virtual QByteArray backupPassword(const QString& aBackupPath) = 0;
    // The chosen tracks need more space than the phone has free: whether to go on anyway.
    virtual bool goOnWithoutSpace(const SyncPlan& aPlan) = 0;
    // Some chosen tracks are copy-protected and are left out.
    virtual void copyProtectedFound(const SyncPlan& aPlan) = 0;
    // Whether the plan's deletions may go ahead.
    virtual bool confirmDeletions(const SyncPlan& aPlan) = 0;
};
