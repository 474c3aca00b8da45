#pragma once

#include <QWidget>

struct SyncResult;
class QLabel;
class QListWidget;

// What the last run did, shown in the window once it has ended: how many tracks it copied and
// deleted, the tracks it did not copy or delete with the reason for each (copy-protected tracks
// among them), the playlists it could not write, and why it stopped when it did not finish.
// Nothing in it waits for an answer.
class SyncSummaryView : public QWidget
{
    Q_OBJECT

public:
    explicit SyncSummaryView(QWidget* aParent = nullptr);

    // Fills the view from a run that has ended with aState and shows it.
    void showRun(const SyncResult& aResult, int aState);
    void clear();

    // The headline and the listed lines, as shown.
    QString headline() const;
    QStringList lines() const;

private:
    QLabel* mHeadline;
    QListWidget* mList;
};
