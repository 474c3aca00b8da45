#include "cli/RunCommand.h"

#include "app/DebugLog.h"
#include "cli/CliDryRun.h"
#include "cli/CliLibrary.h"
#include "cli/CliOptions.h"
#include "cli/CliPhones.h"
#include "cli/CliRunObserver.h"
#include "cli/CliTerminal.h"
#include "cli/SyncStateText.h"
#include "device/Device.h"
#include "device/DeviceType.h"
#include "device/PhonePath.h"
#include "device/UsbMSDevice.h"
#include "library/MusicLibrary.h"
#include "sync/BackupTransferStage.h"
#include "sync/SyncSession.h"
#include "tracks/SyncState.h"
#include "tracks/Track.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTextStream>

#include <atomic>
#include <csignal>

PELLMAR_REGISTER_COMMAND(RunCommand)

namespace {

const QString kYes = QStringLiteral("yes");
const QString kIgnoreSpace = QStringLiteral("ignore-space");
const QString kForceFull = QStringLiteral("force-full");
const QString kDryRun = QStringLiteral("dry-run");
const QString kBackupPasswordFile = QStringLiteral("backup-password-file");

std::atomic<SyncSession*> gRunningSync{nullptr};
std::atomic<int> gInterrupts{0};

// Cancel only sets an atomic flag, which is safe inside a signal handler. A second Ctrl-C
// falls back to the default action. A new track is written under its own name, so one cut
// short that way stays behind; it is shorter than its source, and the next run copies it again.
void onInterrupt(int aSignal)
{
    if (SyncSession* sync = gRunningSync.load())
        sync->Cancel();
    if (gInterrupts.fetch_add(1) >= 1)
        std::signal(aSignal, SIG_DFL);
}

class InterruptHandler
{
public:
    explicit InterruptHandler(SyncSession& aSync)
    {
        gRunningSync.store(&aSync);
        gInterrupts.store(0);
        struct sigaction action{};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        // No SA_RESTART: a question waiting for input is interrupted and answered no.
        action.sa_flags = 0;
        sigaction(SIGINT, &action, &mOldInt);
        sigaction(SIGTERM, &action, &mOldTerm);
    }
    ~InterruptHandler()
    {
        sigaction(SIGINT, &mOldInt, nullptr);
        sigaction(SIGTERM, &mOldTerm, nullptr);
        gRunningSync.store(nullptr);
    }
    bool interrupted() const { return gInterrupts.load() > 0; }

private:
    struct sigaction mOldInt{};
    struct sigaction mOldTerm{};
};

} // namespace

QString RunCommand::summary() const
{
    return QStringLiteral("synchronise a phone now");
}

QString RunCommand::description() const
{
    return QStringLiteral("Synchronises the phone once, as the window's Synchronize button does.");
}

QList<QCommandLineOption> RunCommand::options() const
{
    return QList<QCommandLineOption>{
               {kYes, QStringLiteral("delete tracks that are no longer chosen without asking")},
               {kIgnoreSpace, QStringLiteral("go on when the phone has not enough space")},
               {kForceFull,
                QStringLiteral("forget what the phone holds and check every track again")},
               {kDryRun,
                QStringLiteral("show what a run would copy, delete and write, and whether the\n"
                               "space suffices; change nothing")},
               {kBackupPasswordFile,
                QStringLiteral("the password of the phone's encrypted backup is the first\n"
                               "line of FILE"),
                QStringLiteral("FILE")},
           }
           + CliOptions::phoneOptions();
}

QString RunCommand::notes() const
{
    return QStringLiteral(
        "Without a terminal, and without --yes or --ignore-space, the safe answer is\n"
        "taken: nothing is deleted (the run stops) and a run without enough space stops.\n"
        "Ctrl-C cancels the run cleanly. The password of an encrypted backup comes from\n"
        "--backup-password-file, or is asked without echo on a terminal; without either\n"
        "the backup is not transferred and its choices stay for the next run.\n");
}

int RunCommand::exitCodeFor(int aFinalState, bool aAllCopiedAndDeleted)
{
    switch (aFinalState) {
    case SyncState::Finished:
        return aAllCopiedAndDeleted ? CliExit::kDone : CliExit::kError;
    case SyncState::Cancelled:
        return CliExit::kCancelled;
    case SyncState::NotConfigured:
    case SyncState::NoSettings:
        return CliExit::kNotConfigured;
    default: return CliExit::kError;
    }
}

int RunCommand::run(const CliOptions& aOptions)
{
    LogScope scope("RunCommand::run");
    QTextStream out(stdout);
    QTextStream err(stderr);
    QString error;
    if (!CliLibrary::locate(aOptions, error)) {
        err << "pellmar-sync run: " << error << "\n";
        return CliExit::kError;
    }
    CliPhones phones;
    if (!phones.open(aOptions, error)) {
        err << "pellmar-sync run: " << error << "\n";
        return CliExit::kError;
    }
    Device* phone = phones.choose(aOptions, error);
    if (!phone) {
        err << "pellmar-sync run: " << error << "\n";
        return CliExit::kError;
    }
    CliRunObserver::Answers answers;
    answers.confirmDeletions = aOptions.isSet(kYes);
    answers.ignoreSpace = aOptions.isSet(kIgnoreSpace);
    answers.interactive = CliTerminal::stdinIsTerminal();
    answers.backupPasswordFile = aOptions.value(kBackupPasswordFile);
    CliRunObserver observer(answers, CliTerminal::stdoutIsTerminal(),
                            [&phones](Device* aPhone) { return phones.notMountedText(aPhone); });
    MusicLibrary library;
    SyncSession session(&library, observer);
    if (!session.begin(phone, phones.parentOf(phone), phones.settings()))
        return observer.refusal();
    out << "Phone: " << phone->FriendlyName();
    if (auto* folderPhone = dynamic_cast<UsbMSDevice*>(phone))
        out << " (" << folderPhone->RootPath() << ")";
    out << "\n";
    out.flush();

    if (aOptions.isSet(kDryRun))
        return CliDryRun::print(session.planOnly(aOptions.isSet(kForceFull)),
                                phone->GetDeviceType() == DeviceType::Mtp, out);
    observer.connectTo(session);
    QEventLoop loop;
    QObject::connect(&session, &SyncSession::ended, &loop, &QEventLoop::quit,
                     Qt::QueuedConnection);
    {
        InterruptHandler interrupts(session);
        session.start(aOptions.isSet(kForceFull));
        loop.exec();
        // Progress that was queued before the run ended.
        QCoreApplication::sendPostedEvents();
    }
    observer.finishLine();

    const SyncResult& result = session.result();
    const int finalState = result.mFinalState;
    const QList<Track>& notCopied = result.mNotCopied;
    const QList<Track>& notDeleted = result.mNotDeleted;
    out << "Tracks copied: " << result.mCopied << ", deleted: " << result.mDeleted
        << "\n";
    // Each failure with its reason, so that the user knows what to mend.
    const auto withReason = [](const QString& aItem, const QStringList& aReasons, int aIndex) {
        const QString reason = aReasons.value(aIndex);
        return reason.isEmpty() ? aItem : aItem + QStringLiteral(" (") + reason + QLatin1Char(')');
    };
    if (result.mPhoneDisconnected)
        out << "The phone was disconnected.\n";
    if (!notCopied.isEmpty()) {
        out << "Not copied: " << notCopied.size() << ":\n";
        for (int i = 0; i < notCopied.size(); ++i)
            out << "  " << withReason(notCopied.at(i).path(), result.mNotCopiedReasons, i) << "\n";
    }
    if (!notDeleted.isEmpty()) {
        out << "Not deleted from the phone: " << notDeleted.size() << "\n";
        for (int i = 0; i < notDeleted.size(); ++i)
            out << "  "
                << withReason(PhonePath::stored(notDeleted.at(i).deviceId()),
                              result.mNotDeletedReasons, i)
                << "\n";
    }
    if (result.mLibraryReadFailed) {
        const QString reason = library.lastError().mReason;
        out << "The iTunes library could not be read"
            << (reason.isEmpty() ? QString() : QStringLiteral(" (") + reason + QLatin1Char(')'))
            << "; nothing was changed on the phone.\n";
    }
    const QStringList& notWritten = result.mNotWrittenPlaylists;
    if (!notWritten.isEmpty())
        out << "Playlists not written to the phone: " << notWritten.join(QStringLiteral(", "))
            << "\n";
    if (finalState == SyncState::NotConfigured || finalState == SyncState::NoSettings)
        out << "The phone is not set up; run 'pellmar-sync setup' first.\n";
    if (result.mBackupPasswordWrong)
        err << "pellmar-sync run: The backup password is not right. Nothing of the backup was "
               "transferred; its choices stay for the next run.\n";
    else if (result.mBackupPasswordNotGiven)
        err << "pellmar-sync run: the selected backup is encrypted and its password was not "
               "given, so it was not transferred (its choices stay for the next run). Give the "
               "password with --backup-password-file FILE (the first line of FILE), or run on "
               "a terminal to be asked for it.\n";
    else if (result.mBackupTransferPostponed)
        err << "pellmar-sync run: the data of the selected backup was not transferred: "
            << BackupTransferStage::workingFolder()
            << " is in use by another export or run. It will be transferred on the next run.\n";
    else if (result.mBackupTransferFailed)
        err << "pellmar-sync run: it has not been possible to transfer data from the selected "
               "backup: it may be damaged, or encrypted in a way that cannot be opened. Then "
               "make an unencrypted backup (with idevicebackup2, iTunes or Finder) and run "
               "again (the copy choices were switched off: choose them again with "
               "'pellmar-sync setup').\n";
    if (!result.mPhoneFilesFolder.isEmpty())
        out << "The backup's data, in files the phone's own apps import, is in its "
            << result.mPhoneFilesFolder << " folder; README.txt there says how to import each.\n";
    if (!notCopied.isEmpty() && SyncState::isIdle(finalState) && finalState != SyncState::Cancelled) {
        // A run that left tracks behind never ends on a line that calls it complete.
        QStringList reasons;
        for (const QString& reason : result.mNotCopiedReasons) {
            if (!reason.isEmpty() && !reasons.contains(reason))
                reasons.append(reason);
        }
        out << "Phone synchronization ended with " << notCopied.size()
            << (notCopied.size() == 1 ? " track" : " tracks") << " not copied"
            << (reasons.isEmpty() ? QString() : QStringLiteral(": ") + reasons.join(QStringLiteral("; ")))
            << "\n";
    } else {
        out << SyncStateText::text(finalState) << "\n";
    }
    const int exitCode = exitCodeFor(
        finalState, notCopied.isEmpty() && notDeleted.isEmpty() && notWritten.isEmpty());
    if (result.mBackupPasswordWrong && (exitCode == CliExit::kDone || exitCode == CliExit::kError))
        return CliExit::kWrongPassword;
    const bool transferMissing = result.mBackupTransferFailed || result.mBackupPasswordNotGiven;
    return transferMissing && exitCode == CliExit::kDone ? CliExit::kError : exitCode;
}
