#pragma once

#include "tracks/SyncState.h"

#include <QObject>
#include <QString>

class MusicSync;
class QTextStream;
class TrackList;

// The command line's answer to a run's signals: prints the progress (a live line on a terminal,
// plain lines otherwise) and answers the questions from flags, the terminal, or with the safe
// answer (do not delete, do not go on, no backup password: the transfer waits).
class CliRunObserver : public QObject
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

    CliRunObserver(MusicSync& aSync, Answers aAnswers, bool aLiveLine);

    // Connects to aSync as the window does: progress queued, questions blocking.
    void connectTo(MusicSync& aSync);
    // Ends the live line so that later output starts on a line of its own.
    void finishLine();
    // The copy-protected tracks of a run, one a line; nothing when there are none.
    static void printDrmTracks(QTextStream& aOut, const TrackList& aTracks);

public slots:
    void UpdateProgress(int a_state, int a_percent_complete);
    void UpdateProgress(int a_state, int a_percent_complete, QString aTrackName);
    void ConfirmDeleteTracks();
    void displayDrmTracksWarning();
    void notEnoughSpace(qint64 aAdditionalSpaceRequired);
    void BackupPasswordNeeded(QString aBackupPath);

private:
    void show(int aState, int aPercent, const QString& aTrackName);

    MusicSync& mSync;
    Answers mAnswers;
    bool mLiveLine;
    bool mLineOpen = false;
    int mLastState = SyncState::None;
    QString mLastPlainLine;
};
