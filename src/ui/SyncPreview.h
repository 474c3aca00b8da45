#pragma once

#include "sync/SyncPlan.h"

#include <QObject>

class Device;
class MusicLibrary;
class QThread;
class QWidget;

// Works out, in a thread of its own, what a synchronisation of one phone would do (the plan of
// `pellmar-sync run --dry-run`), so that the window stays responsive while a large library is
// read. Changes nothing on the phone, in its track cache or in the settings.
class SyncPreview : public QObject
{
    Q_OBJECT

public:
    SyncPreview(MusicLibrary* aLibrary, Device* aDevice,
                bool aForceFull, const QString& aPhoneName, QObject* aOwner = nullptr);
    ~SyncPreview() override;

    void start();
    bool isRunning() const;
    // Valid once ready() was sent.
    const SyncPlan& plan() const { return mPlan; }
    // The copy-protected tracks the plan leaves out.
    QStringList copyProtected() const;
    // Shows the plan (SyncPreviewDialog) until the user closes it.
    void showDialog(QWidget* aParent) const;

signals:
    void ready();

private:
    MusicLibrary* mLibrary;
    Device* mDevice;
    bool mForceFull;
    QString mPhoneName;
    SyncPlan mPlan;
    QThread* mThread = nullptr;
};
