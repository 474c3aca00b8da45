#pragma once

#include "sync/SyncFrontEnd.h"
#include "tracks/SyncState.h"

#include <QObject>
#include <QString>

#include <functional>

class QTextStream;
class SyncSession;
class TrackList;

// The command line's side of a run session: prints the progress (a live line on a terminal,
// plain lines otherwise), says why a run cannot start, and answers the questions about the plan
// from flags, the terminal, or with the safe answer (do not delete, do not go on, no backup
// password: the transfer waits).
class CliRunObserver : public QObject, public SyncFrontEnd
{
    Q_OBJECT

public:
    struct Answers
    {
        // --yes: deletions confirmed without asking.
        bool confirmDeletions = false;
        // --ignore-space: go on when space is short.
        bool ignoreSpace = false;
        // Ask at the terminal when no flag answers.
        bool interactive = false;
        // --backup-password-file: the encrypted backup's password is its first line.
        QString backupPasswordFile;
    };

    // aNotMountedText says why a phone that is not mounted cannot be used.
    CliRunObserver(Answers aAnswers, bool aLiveLine,
                   std::function<QString(Device*)> aNotMountedText);

    // Shows the progress of aSession (queued: printed in this thread).
    void connectTo(SyncSession& aSession);
    // Ends the live line so that later output starts on a line of its own.
    void finishLine();
    // The copy-protected tracks of a run, one a line; nothing when there are none.
    static void printDrmTracks(QTextStream& aOut, const TrackList& aTracks);
    // The exit code for the reason the run did not start.
    int refusal() const { return mRefusal; }

    void phoneNotMounted(Device& aPhone) override;
    void settingsDamaged(const SettingsSnapshot& aSettings) override;
    void phoneNotConfigured(Device& aPhone) override;
    void phoneInUse(Device& aPhone, const QString& aHolder) override;
    QByteArray backupPassword(const QString& aBackupPath) override;
    bool goOnWithoutSpace(const SyncPlan& aPlan) override;
    void copyProtectedFound(const SyncPlan& aPlan) override;
    bool confirmDeletions(const SyncPlan& aPlan) override;

public slots:
    void UpdateProgress(int a_state, int a_percent_complete);
    void UpdateProgress(int a_state, int a_percent_complete, QString aTrackName);

private:
    void show(int aState, int aPercent, const QString& aTrackName);

    Answers mAnswers;
    bool mLiveLine;
    std::function<QString(Device*)> mNotMountedText;
    int mRefusal = 0;
    bool mLineOpen = false;
    int mLastState = SyncState::None;
    QString mLastPlainLine;
};
