#pragma once

#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>

// Carries a run's progress from its thread to the window's thread. The run reports every
// track; the window redraws its labels and lays them out for each report, and thousands of
// reports queued while it was busy would hold its event loop for a long time. The relay keeps
// only the newest of consecutive reports of one kind in one state, and hands them over in one
// queued call, so the window draws each state change and the latest progress, never a backlog.
class ProgressRelay : public QObject
{
    Q_OBJECT

public:
    explicit ProgressRelay(QObject* aParent = nullptr);

public slots:
    // Safe from any thread; connect them directly to the run's signals.
    void report(int aState, int aPercentComplete);
    void reportTrack(int aState, int aPercentComplete, QString aTrackName);

signals:
    // Emitted in the relay's thread, in the order of the reports they stand for.
    void progress(int aState, int aPercentComplete);
    void trackProgress(int aState, int aPercentComplete, QString aTrackName);

private:
    struct Report
    {
        int mState;
        int mPercent;
        QString mTrackName;
        bool mHasTrack;
    };
    void add(const Report& aReport);
    void deliver();

    QMutex mMutex;
    QList<Report> mPending;
};
