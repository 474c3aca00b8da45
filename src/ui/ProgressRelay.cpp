#include "ui/ProgressRelay.h"

#include <QMetaObject>

ProgressRelay::ProgressRelay(QObject* aParent) : QObject(aParent)
{
}

void ProgressRelay::report(int aState, int aPercentComplete)
{
    add({aState, aPercentComplete, QString(), false});
}

void ProgressRelay::reportTrack(int aState, int aPercentComplete, QString aTrackName)
{
    add({aState, aPercentComplete, aTrackName, true});
}

void ProgressRelay::add(const Report& aReport)
{
    QMutexLocker locker(&mMutex);
    if (!mPending.isEmpty()) {
        Report& last = mPending.last();
        if (last.mState == aReport.mState && last.mHasTrack == aReport.mHasTrack) {
            last = aReport;
            return;
        }
    }
    const bool scheduled = !mPending.isEmpty();
    mPending.append(aReport);
    if (!scheduled)
        QMetaObject::invokeMethod(this, &ProgressRelay::deliver, Qt::QueuedConnection);
}

void ProgressRelay::deliver()
{
    QList<Report> reports;
    {
        QMutexLocker locker(&mMutex);
        reports.swap(mPending);
    }
    for (const Report& report : reports) {
        if (report.mHasTrack)
            emit trackProgress(report.mState, report.mPercent, report.mTrackName);
        else
            emit progress(report.mState, report.mPercent);
    }
}
