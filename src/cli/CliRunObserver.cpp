#include "cli/CliRunObserver.h"

#include "cli/CliBackupPassword.h"
#include "cli/CliCommand.h"
#include "cli/CliPhones.h"
#include "cli/CliTerminal.h"
#include "cli/SyncStateText.h"
#include "device/Device.h"
#include "settings/SyncSettings.h"
#include "sync/SyncPlan.h"
#include "sync/SyncSession.h"
#include "tracks/SyncState.h"
#include "tracks/Track.h"
#include "tracks/TrackList.h"

#include <QTextStream>

#include <cstdio>

CliRunObserver::CliRunObserver(Answers aAnswers, bool aLiveLine,
                               std::function<QString(Device*)> aNotMountedText)
    : mAnswers(aAnswers), mLiveLine(aLiveLine), mNotMountedText(std::move(aNotMountedText))
{
}

void CliRunObserver::connectTo(SyncSession& aSession)
{
    connect(&aSession, qOverload<int, int>(&SyncSession::ProgressUpdate), this,
            qOverload<int, int>(&CliRunObserver::UpdateProgress), Qt::QueuedConnection);
    connect(&aSession, qOverload<int, int, QString>(&SyncSession::ProgressUpdate), this,
            qOverload<int, int, QString>(&CliRunObserver::UpdateProgress),
            Qt::QueuedConnection);
}

void CliRunObserver::phoneNotMounted(Device& aPhone)
{
    QTextStream(stderr) << "pellmar-sync run: " << mNotMountedText(&aPhone) << "\n";
    mRefusal = CliExit::kError;
}

void CliRunObserver::settingsDamaged(const SettingsSnapshot&)
{
    QTextStream(stdout) << CliPhones::damagedSettingsMessage() << "\n";
    mRefusal = CliExit::kNotConfigured;
}

void CliRunObserver::phoneNotConfigured(Device& aPhone)
{
    QTextStream(stdout) << "The phone '" << aPhone.FriendlyName()
                        << "' is not set up; run 'pellmar-sync setup' first.\n";
    mRefusal = CliExit::kNotConfigured;
}

void CliRunObserver::phoneInUse(Device& aPhone, const QString& aHolder)
{
    QTextStream(stderr) << "pellmar-sync run: the phone '" << aPhone.FriendlyName()
                        << "' is in use by " << aHolder << "; wait for that run to end\n";
    mRefusal = CliExit::kBusy;
}

QByteArray CliRunObserver::backupPassword(const QString& aBackupPath)
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
    return password;
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

bool CliRunObserver::confirmDeletions(const SyncPlan& aPlan)
{
    finishLine();
    QTextStream out(stdout);
    const QList<Track>& tracks = aPlan.mToDelete;
    out << tracks.size() << (tracks.size() == 1 ? " track is" : " tracks are")
        << " on the phone but no longer chosen:\n";
    for (const Track& track : tracks)
        out << "  " << track.artistName() << " - " << track.albumName() << " - "
            << track.trackName() << "\n";
    out.flush();
    bool confirmed = mAnswers.confirmDeletions;
    if (!confirmed && mAnswers.interactive)
        confirmed = CliTerminal::askYesNo(QStringLiteral("Delete from the phone?"));
    else if (!confirmed)
        out << "Not deleting (--yes confirms deletions); the run stops here.\n";
    return confirmed;
}

void CliRunObserver::copyProtectedFound(const SyncPlan& aPlan)
{
    finishLine();
    QTextStream out(stdout);
    printDrmTracks(out, aPlan.mDrmTracks);
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

bool CliRunObserver::goOnWithoutSpace(const SyncPlan& aPlan)
{
    finishLine();
    QTextStream out(stdout);
    const qint64 megabytes = (aPlan.mSpaceNeeded - aPlan.mFreeSpace) / 1024 / 1024;
    out << "There is not enough space on the phone: " << megabytes
        << " MB more are needed. If the sync goes on, some tracks will not be copied.\n";
    out.flush();
    bool goOn = mAnswers.ignoreSpace;
    if (!goOn && mAnswers.interactive)
        goOn = CliTerminal::askYesNo(QStringLiteral("Sync anyway?"));
    else if (!goOn)
        out << "Not going on (--ignore-space goes on anyway).\n";
    return goOn;
}
