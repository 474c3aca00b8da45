#pragma once

#include <QString>

struct SyncPlan;
class QWidget;

// The questions the window asks: whether a run may delete tracks, whether it goes on when
// space is short, whether to stop a working run so that the window can close, which library
// file to read. Each answer is
// what the user chose; a box closed without a choice gives the safe answer.
class RunQuestions
{
public:
    // Whether aPlan's deletions may go ahead: asked unless the phone aId is set to delete
    // without asking; "always" is stored for the phone.
    static bool confirmDeletions(const SyncPlan& aPlan, const QString& aId);
    // True when the user chose to synchronise anyway.
    static bool goOnWithoutSpace(QWidget* aParent, qint64 aAdditionalSpaceRequired);
    // True when the user chose to stop the run and close.
    static bool stopForClose(QWidget* aParent);
    // Tells that another process (aHolder) synchronises the phone aName now.
    static void tellPhoneInUse(QWidget* aParent, const QString& aName, const QString& aHolder);
    // Why iTunes must keep running.
    static void tellAboutITunes(QWidget* aParent);
    // The library the user chooses (one found on this computer, or a file or folder picked by
    // hand), stored for later starts; empty when the user cancelled.
    static QString chooseLibrary(QWidget* aParent);
};
