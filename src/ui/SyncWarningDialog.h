#pragma once

#include <QDialog>
#include <QList>

class Track;

// Lists tracks the user should know about: tracks that could not be copied (kinds 0 and 1) or
// copy-protected tracks (kind 4). The caller reads dontShowAgain() after exec.
class SyncWarningDialog : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kNotCopiedFolder = 0;
    static constexpr int kNotCopiedOther = 1;
    static constexpr int kCopyProtected = 4;

    SyncWarningDialog(QWidget* aParent, const QList<Track>& aTracks, int aKind);

    bool dontShowAgain() const { return mDontShowAgain; }
    // The label's text for a kind (empty for kinds without one).
    static QString textForKind(int aKind);

public slots:
    void dontShowAgainStateChanged(int aNewState);
    void linkActivated(const QString& aLink);

private:
    bool mDontShowAgain = false;
};
