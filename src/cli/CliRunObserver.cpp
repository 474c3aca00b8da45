#include "cli/CliRunObserver.h"

#include "cli/CliBackupPassword.h"
#include "cli/CliTerminal.h"
#include "cli/SyncStateText.h"
#include "sync/MusicSync.h"
#include "tracks/SyncState.h"
#include "tracks/Track.h"
#include "tracks/TrackList.h"

#include <QTextStream>

#include <cstdio>

CliRunObserver::CliRunObserver(MusicSync& aSync, Answers aAnswers, bool aLiveLine)
    : mSync(aSync), mAnswers(aAnswers), mLiveLine(aLiveLine)
{
}

void CliRunObserver::connectTo(MusicSync& aSync)
{
    connect(&aSync, qOverload<int, int>(&MusicSync::ProgressUpdate), this,
            qOverload<int, int>(&CliRunObserver::UpdateProgress), Qt::QueuedConnection);
    connect(&aSync, qOverload<int, int, QString>(&MusicSync::ProgressUpdate), this,
            qOverload<int, int, QString>(&CliRunObserver::UpdateProgress),
            Qt::QueuedConnection);
    connect(&aSync, &MusicSync::ConfirmDeleteTracks, this, &CliRunObserver::ConfirmDeleteTracks,
            Qt::BlockingQueuedConnection);
    connect(&aSync, &MusicSync::DrmTracksFound, this, &CliRunObserver::displayDrmTracksWarning,
            Qt::BlockingQueuedConnection);
    connect(&aSync, &MusicSync::notEnoughSpace, this, &CliRunObserver::notEnoughSpace,
            Qt::BlockingQueuedConnection);
    connect(&aSync, &MusicSync::BackupPasswordNeeded, this,
            &CliRunObserver::BackupPasswordNeeded, Qt::BlockingQueuedConnection);
}

void CliRunObserver::BackupPasswordNeeded(QString aBackupPath)
{
    finishLine();
    QByteArray password;
    QString error;
    if (!mAnswers.backupPasswordFile.isEmpty()) {
        if (!CliBackupPassword::readFile(mAnswers.backupPasswordFile, password, error))
            std::fprintf(stderr, "pellmar-sync run: %s\n", error.toLocal8Bit().constData());
    } else if (mAnswers.interactive) {
        password = CliBackupPassword::prompt(
            QStringLiteral("Password of the encrypted backup at %1: ").arg(aBackupPath));
    }
    mSync.SetBackupPassword(password);
    password.fill('\0');
}

void CliRunObserver::finishLine()
{
    if (mLineOpen) {
        std::fputs("\n", stdout);
        std::fflush(stdout);
        mLineOpen = false;
    }
}

void CliRunObserver::UpdateProgress(int a_state, int a_percent_complete)
{
    // A bare state report only matters when the state changes; the reports with a track name
    // carry the detail.
    if (a_state == mLastState)
        return;
    show(a_state, a_percent_complete, QString());
}

void CliRunObserver::UpdateProgress(int a_state, int a_percent_complete, QString aTrackName)
{
    show(a_state, a_percent_complete, aTrackName);
}

void CliRunObserver::show(int aState, int aPercent, const QString& aTrackName)
{
    QString line = SyncStateText::text(aState);
    if (aState == SyncState::Copying)
        line += QStringLiteral(" %1%").arg(aPercent, 3);
    if (!aTrackName.isEmpty())
        line += QStringLiteral(": ") + aTrackName;
    const bool stateChanged = aState != mLastState;
    mLastState = aState;
    // The command reports how the run ended itself.
    if (SyncState::isIdle(aState)) {
        finishLine();
        return;
    }
    if (mLiveLine) {
        const int width = CliTerminal::width() - 1;
        if (line.size() > width)
            line = line.left(width - 1) + QChar(0x2026);
        std::fputs(("\r\033[K" + line).toLocal8Bit().constData(), stdout);
        std::fflush(stdout);
        mLineOpen = true;
        return;
    }
    finishLine();
    // Plain output: one line per change, so that a log of the run stays readable.
    if (!stateChanged && line == mLastPlainLine)
        return;
    mLastPlainLine = line;
    std::fputs((line + QLatin1Char('\n')).toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}

void CliRunObserver::ConfirmDeleteTracks()
{
    finishLine();
    QTextStream out(stdout);
    const TrackList& tracks = mSync.TracksToDelete();
    out << tracks.count() << (tracks.count() == 1 ? " track is" : " tracks are")
        << " on the phone but no longer chosen:\n";
    for (qint32 i = 0; i < tracks.count(); ++i) {
        const Track& track = tracks.at(i);
        out << "  " << track.artistName() << " - " << track.albumName() << " - "
            << track.trackName() << "\n";
    }
    out.flush();
    bool confirmed = mAnswers.confirmDeletions;
    if (!confirmed && mAnswers.interactive)
        confirmed = CliTerminal::askYesNo(QStringLiteral("Delete from the phone?"));
    else if (!confirmed)
        out << "Not deleting (--yes confirms deletions); the run stops here.\n";
    mSync.SetDeleteConfirmed(confirmed);
}

void CliRunObserver::displayDrmTracksWarning()
{
    finishLine();
    QTextStream out(stdout);
    printDrmTracks(out, mSync.GetDrmTracks());
}

void CliRunObserver::printDrmTracks(QTextStream& aOut, const TrackList& aTracks)
{
    if (aTracks.count() == 0)
        return;
    aOut << aTracks.count() << (aTracks.count() == 1 ? " track is" : " tracks are")
         << " copy-protected and cannot be copied to the phone:\n";
    for (qint32 i = 0; i < aTracks.count(); ++i)
        aOut << "  " << aTracks.at(i).artistName() << " - " << aTracks.at(i).trackName() << "\n";
}

void CliRunObserver::notEnoughSpace(qint64 aAdditionalSpaceRequired)
{
    finishLine();
    QTextStream out(stdout);
    const qint64 megabytes = aAdditionalSpaceRequired / 1024 / 1024;
    out << "There is not enough space on the phone: " << megabytes
        << " MB more are needed. If the sync goes on, some tracks will not be copied.\n";
    out.flush();
    bool goOn = mAnswers.ignoreSpace;
    if (!goOn && mAnswers.interactive)
        goOn = CliTerminal::askYesNo(QStringLiteral("Sync anyway?"));
    else if (!goOn)
        out << "Not going on (--ignore-space goes on anyway).\n";
    if (!goOn)
        mSync.Cancel();
}
