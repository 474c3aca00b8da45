#include "ui/SyncPreview.h"

#include "app/CrashGuard.h"
#include "app/DebugLog.h"
#include "settings/SettingsSnapshot.h"
#include "sync/SyncPlanner.h"
#include "ui/ModalAnswerer.h"
#include "ui/SyncPreviewDialog.h"

#include <QThread>

SyncPreview::SyncPreview(MusicLibrary* aLibrary, Device* aDevice, bool aForceFull,
                         const QString& aPhoneName, QObject* aOwner)
    : QObject(aOwner), mLibrary(aLibrary), mDevice(aDevice), mForceFull(aForceFull),
      mPhoneName(aPhoneName)
{
}

SyncPreview::~SyncPreview()
{
    if (mThread) {
        mThread->wait();
        delete mThread;
    }
}

void SyncPreview::start()
{
    LogScope scope("SyncPreview::start");
    mThread = QThread::create([this] {
        // An exception while planning must not take the window with it: it leaves an empty plan
        // that says the run would stop with errors.
        const auto plan = [this] {
            const SettingsSnapshot settings = SettingsSnapshot::read();
            const bool read = settings.state() != SettingsSnapshot::State::Missing;
            SyncPlanner planner(mLibrary, mDevice);
            planner.setReadCacheCopy(true);
            mPlan = planner.plan(read ? &settings : nullptr, mForceFull);
        };
        if (!CrashGuard::run(plan))
            mPlan.mOutcome = SyncState::FinishedWithErrors;
    });
    connect(mThread, &QThread::finished, this, &SyncPreview::ready);
    mThread->start();
}

bool SyncPreview::isRunning() const
{
    return mThread && mThread->isRunning();
}

QStringList SyncPreview::copyProtected() const
{
    QStringList names;
    const TrackList& drm = mPlan.mDrmTracks;
    for (qint32 i = 0; i < drm.count(); ++i)
        names.append(drm.at(i).trackName());
    return names;
}

void SyncPreview::showDialog(QWidget* aParent) const
{
    SyncPreviewDialog dialog(mPhoneName, mPlan, copyProtected(), aParent);
    ModalAnswerer::exec(dialog);
}
