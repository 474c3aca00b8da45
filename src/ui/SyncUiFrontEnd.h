#pragma once

#include "sync/SyncFrontEnd.h"

#include <QString>

class SyncUi;

// The window's side of a run session: tells with its boxes why a run cannot start, and asks
// about the plan with its dialogs, in the window's thread.
class SyncUiFrontEnd : public SyncFrontEnd
{
public:
    explicit SyncUiFrontEnd(SyncUi& aWindow) : mWindow(aWindow) {}

    // The backup whose password the last run took from the keyring (or the user kept there);
    // a kept password that turned out wrong is dropped after the run.
    const QString& keyringPasswordOf() const { return mKeyringPasswordOf; }
    void forgetKeyringPassword() { mKeyringPasswordOf.clear(); }

    void phoneNotMounted(Device& aPhone) override;
    void settingsDamaged(const SettingsSnapshot& aSettings) override;
    void phoneNotConfigured(Device& aPhone) override;
    void phoneInUse(Device& aPhone, const QString& aHolder) override;
    QByteArray backupPassword(const QString& aBackupPath) override;
    bool goOnWithoutSpace(const SyncPlan& aPlan) override;
    void copyProtectedFound(const SyncPlan& aPlan) override;
    bool confirmDeletions(const SyncPlan& aPlan) override;

private:
    SyncUi& mWindow;
    QString mKeyringPasswordOf;
};
