#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QProgressBar;
class SpaceGauge;
class SyncSummaryView;

// The upper part of the main window: what the window is doing (status and hint), a notice
// about a run that did not finish, the progress bar or the phone's space gauge, and the summary
// of the last run.
class SyncStatusPanel : public QWidget
{
    Q_OBJECT

public:
    explicit SyncStatusPanel(QWidget* aParent = nullptr);

    QLabel* statusLabel() const { return mStatusLabel; }
    QLabel* hintLabel() const { return mHintLabel; }
    QProgressBar* progressBar() const { return mProgressBar; }
    SpaceGauge* gauge() const { return mGauge; }
    SyncSummaryView* summary() const { return mSummary; }

    void setTexts(const QString& aStatus, const QString& aHint);
    void setNotice(const QString& aText);
    // The moving indicator; aReset also resets the bar.
    void setBusyProgress(bool aReset);
    void setIdleProgress();
    // Gauge or progress bar, as the state asks.
    void showStateWidgets(int aState);
    // The status and hint of a busy state that shows no more than texts and the moving
    // indicator; false for any other state. aReset tells whether the bar is reset.
    static bool busyTexts(int aState, QString& aStatus, QString& aHint, bool& aReset);

private:
    QLabel* mStatusLabel;
    QLabel* mHintLabel;
    QLabel* mNoticeLabel;
    QProgressBar* mProgressBar;
    SpaceGauge* mGauge;
    SyncSummaryView* mSummary;
};
