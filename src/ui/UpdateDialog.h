#pragma once

#include <QDialog>

class SoftwareUpdateWatcher;

// Shows the notice of a new version. The caller reads dontShowAgain() after exec.
class UpdateDialog : public QDialog
{
    Q_OBJECT

public:
    UpdateDialog(QWidget* aParent, const QString& aTitle, const QString& aMessage);
    // Shows the notice of aWatcher's version unless the user chose not to see that version
    // again or it says nothing; remembers that choice.
    static void offer(QWidget* aParent, const SoftwareUpdateWatcher& aWatcher);

    bool dontShowAgain() const { return mDontShowAgain; }

public slots:
    void dontShowAgainStateChanged(int aNewState);

private:
    bool mDontShowAgain = false;
};
