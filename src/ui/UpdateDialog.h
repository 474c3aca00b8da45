#pragma once

#include <QDialog>

// Shows the notice of a new version. The caller reads dontShowAgain() after exec.
class UpdateDialog : public QDialog
{
    Q_OBJECT

public:
    UpdateDialog(QWidget* aParent, const QString& aTitle, const QString& aMessage);

    bool dontShowAgain() const { return mDontShowAgain; }

public slots:
    void dontShowAgainStateChanged(int aNewState);

private:
    bool mDontShowAgain = false;
};
