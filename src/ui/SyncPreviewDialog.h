#pragma once

#include "sync/SyncPlan.h"

#include <QDialog>

class QLabel;
class QTreeWidget;

// Shows what a synchronisation would do: the tracks it would copy and delete with their sizes,
// the playlists it would write, and whether the space on the phone suffices.
class SyncPreviewDialog : public QDialog
{
    Q_OBJECT

public:
    SyncPreviewDialog(const QString& aPhoneName, const SyncPlan& aPlan,
                      const QStringList& aCopyProtected, QWidget* aParent = nullptr);

    QString summaryText() const;
    // The heading of each group, in order.
    QStringList groupTitles() const;

private:
    QLabel* mSummary;
    QTreeWidget* mTree;
};
