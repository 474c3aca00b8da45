// Whole synchronisations started from the window against a folder phone and the real engine;
// the engine's questions are answered through the window's blocking connections.
#include "TestMain.h"
#include "UiTestSupport.h"

#include "engine/EngineFixture.h"
#include "library/MusicLibrary.h"
#include "settings/SyncSettings.h"
#include "sync/SyncSession.h"
#include "sync/RunLock.h"
#include "tracks/SyncState.h"
#include "ui/MessageCatalogue.h"
#include "ui/ProgressRelay.h"
#include "ui/SyncPreviewDialog.h"
#include "ui/SyncSummaryView.h"
#include "ui/SyncUi.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSysInfo>
#include <QThread>

#include <memory>

namespace {

// Three tracks in the playlist "Mix" and a phone configured to take it.
struct SyncSetup
{
    explicit SyncSetup(int aTrackBytes = 20000)
    {
        for (const char* name : {"One", "Two", "Three"}) {
            fixture.addTrack(QLatin1String(name), QStringLiteral("Artist"),
                             QStringLiteral("Album"), int(fixture.cachedOnPhone().size()) + 1,
                             QString(), QByteArray(aTrackBytes, name[1]));
        }
        fixture.setPlaylist(QStringLiteral("Mix"), {QStringLiteral("One"), QStringLiteral("Two"),
                                                    QStringLiteral("Three")});
        fixture.writeLibrary();
    }
    void configure()
    {
        EngineFixture::Configuration configuration;
        configuration.mPlaylists = QStringList{QStringLiteral("Mix")};
        fixture.configure(configuration);
    }
    EngineFixture fixture;
    QTemporaryDir fakeSystem;
};

// Starts the window on the phone folder and waits until it reports the phone ready.
bool openWindow(SyncUi& aWindow, const QString& aPhoneRoot)
{
    aWindow.deviceList().AddPhoneFolder(aPhoneRoot);
    aWindow.show();
    return waitFor([&] { return aWindow.state() == SyncState::PhoneReady; }, 15000);
}

// Presses Synchronize and waits for the run to end: its thread finished (a thread not yet
// started does not count, so the idle state of the run before cannot end the wait) and what it
// queued for the window delivered.
int synchronise(SyncUi& aWindow)
{
    aWindow.findChild<QPushButton*>(QStringLiteral("syncButton"))->click();
    const bool ended = waitFor(
        [&] { return aWindow.syncSession() && aWindow.syncSession()->hasEnded(); },
        30000);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    return ended && SyncState::isIdle(aWindow.state()) ? aWindow.syncSession()->State() : -100;
}

// Every file below the phone folder with its size.
QStringList phoneTree(const EngineFixture& aFixture)
{
    QStringList entries;
    QDirIterator it(aFixture.phoneRoot(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        entries.append(it.filePath() + QLatin1Char(' ') + QString::number(it.fileInfo().size()));
    }
    entries.sort();
    return entries;
}

QStringList phoneMusic(const EngineFixture& aFixture)
{
    QStringList names;
    QDirIterator it(aFixture.phoneRoot() + QStringLiteral("/Music"), QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        names.append(QFileInfo(it.next()).completeBaseName());
    names.sort();
    return names;
}

} // namespace

class TestUiSync : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qputenv("PELLMAR_WEB_ORIGIN", "http://127.0.0.1:9");
        MessageCatalogue::build();
    }
    void cleanup() { QFile::remove(SyncSettings::settingsFilePath()); }

    void deletionsAreConfirmedOrRefusedThroughTheWindow()
    {
        SyncSetup setup;
        setup.configure();
        DialogRecorder dialogs;
        bool confirm = false;
        dialogs.on(QStringLiteral("deleteTracksConfirm"), [&](QDialog& aDialog) {
            aDialog.findChild<QAbstractButton*>(confirm ? QStringLiteral("yesButton")
                                                        : QStringLiteral("noButton"))
                ->click();
        });
        SyncUi window(nullptr, setup.fakeSystem.path());
        QVERIFY(openWindow(window, setup.fixture.phoneRoot()));
        QCOMPARE(synchronise(window), int(SyncState::Finished));
        QCOMPARE(phoneMusic(setup.fixture).size(), 3);
        QCOMPARE(labelText(window, "statusLabel"), MessageCatalogue::get().syncComplete);
        // A folder phone is a mass-storage phone: the eject reminder follows the run.
        QCOMPARE(dialogs.mShown, QStringList{QStringLiteral("usbEjectWarning")});

        setup.fixture.setPlaylist(QStringLiteral("Mix"), {QStringLiteral("One")});
        setup.fixture.writeLibrary();
        dialogs.mShown.clear();
        synchronise(window);
        QCOMPARE(dialogs.mShown.first(), QStringLiteral("deleteTracksConfirm"));
        QCOMPARE(phoneMusic(setup.fixture).size(), 3);

        confirm = true;
        QCOMPARE(synchronise(window), int(SyncState::Finished));
        QCOMPARE(phoneMusic(setup.fixture).size(), 1);
        QCOMPARE(setup.fixture.cachedOnPhone(), QStringList{QStringLiteral("One")});
    }

    void alwaysDeleteIsRememberedForThePhone()
    {
        SyncSetup setup;
        setup.configure();
        DialogRecorder dialogs;
        dialogs.on(QStringLiteral("deleteTracksConfirm"), [](QDialog& aDialog) {
            aDialog.findChild<QCheckBox*>(QStringLiteral("alwaysDelete"))->setChecked(true);
            aDialog.findChild<QAbstractButton*>(QStringLiteral("yesButton"))->click();
        });
        SyncUi window(nullptr, setup.fakeSystem.path());
        QVERIFY(openWindow(window, setup.fixture.phoneRoot()));
        synchronise(window);
        setup.fixture.setPlaylist(QStringLiteral("Mix"), {QStringLiteral("Two")});
        setup.fixture.writeLibrary();
        synchronise(window);
        setup.fixture.setPlaylist(QStringLiteral("Mix"), {QStringLiteral("Three")});
        setup.fixture.writeLibrary();
        QCOMPARE(synchronise(window), int(SyncState::Finished));
        QCOMPARE(dialogs.mShown.count(QStringLiteral("deleteTracksConfirm")), 1);
        QCOMPARE(phoneMusic(setup.fixture).size(), 1);
        QVERIFY(SettingsSnapshot::read().phone(setup.fixture.phoneId()).deleteWithoutWarning());
    }

    void dontSyncWhenSpaceIsShortCancelsTheRun()
    {
        // A phone that really is small: a 1 MB tmpfs under the phone folder.
        SyncSetup setup(400000);
        QDir().mkpath(setup.fixture.phoneRoot());
        QProcess mount;
        mount.start(QStringLiteral("mount"),
                    {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                     QStringLiteral("size=1m"), QStringLiteral("tmpfs"),
                     setup.fixture.phoneRoot()});
        if (!mount.waitForFinished(10000) || mount.exitCode() != 0)
            QSKIP("mounting a tmpfs is refused here");
        const auto unmount = qScopeGuard([&] {
            QProcess::execute(QStringLiteral("umount"), {setup.fixture.phoneRoot()});
        });
        setup.configure();
        DialogRecorder dialogs;
        dialogs.on(QStringLiteral("notEnoughSpaceBox"), [](QDialog& aDialog) {
            DialogRecorder::clickButton(aDialog, MessageCatalogue::get().dontSync);
        });
        SyncUi window(nullptr, setup.fakeSystem.path());
        QVERIFY(openWindow(window, setup.fixture.phoneRoot()));
        QCOMPARE(synchronise(window), int(SyncState::Cancelled));
        QCOMPARE(dialogs.mShown.first(), QStringLiteral("notEnoughSpaceBox"));
        QVERIFY(dialogs.mTexts.first().contains(QLatin1String("MB.")));
        QCOMPARE(phoneMusic(setup.fixture).size(), 0);
        QCOMPARE(labelText(window, "statusLabel"), MessageCatalogue::get().syncCancelled);
    }

    void phoneLockedByAnotherProcessIsNotSynchronised()
    {
        SyncSetup setup;
        setup.configure();
        // The lock as another live process leaves it: its pid and program name, on this host.
        QProcess other;
        other.start(QStringLiteral("sleep"), {QStringLiteral("60")});
        QVERIFY(other.waitForStarted());
        const auto stopOther = qScopeGuard([&] {
            other.kill();
            other.waitForFinished();
        });
        RunLock probe = RunLock::forPhone(setup.fixture.phoneId());
        QVERIFY(probe.tryLock());
        QFile file(probe.fileName());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QList<QByteArray> lines = file.readAll().split('\n');
        file.close();
        probe.unlock();
        QVERIFY(lines.size() >= 3);
        lines[0] = QByteArray::number(other.processId());
        lines[1] = "sleep";
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(lines.join('\n'));
        file.close();

        DialogRecorder dialogs;
        SyncUi window(nullptr, setup.fakeSystem.path());
        QVERIFY(openWindow(window, setup.fixture.phoneRoot()));
        const QStringList before = phoneTree(setup.fixture);
        window.findChild<QPushButton*>(QStringLiteral("syncButton"))->click();
        QCOMPARE(dialogs.mShown, QStringList{QStringLiteral("phoneInUseBox")});
        QVERIFY2(dialogs.mTexts.first().contains(QString::number(other.processId())),
                 qPrintable(dialogs.mTexts.first()));
        QVERIFY(!window.syncSession());
        QCOMPARE(window.state(), int(SyncState::PhoneReady));
        QVERIFY(window.findChild<QPushButton*>(QStringLiteral("syncButton"))->isEnabled());
        QTest::qWait(500);
        QCOMPARE(phoneTree(setup.fixture), before);
        QVERIFY(QFile::exists(probe.fileName()));
    }

    void runHoldsThePhoneLockUntilItEnds()
    {
        SyncSetup setup;
        setup.configure();
        DialogRecorder dialogs;
        SyncUi window(nullptr, setup.fakeSystem.path());
        QVERIFY(openWindow(window, setup.fixture.phoneRoot()));
        synchronise(window);
        setup.fixture.setPlaylist(QStringLiteral("Mix"), {QStringLiteral("One")});
        setup.fixture.writeLibrary();
        bool lockedDuringRun = false;
        dialogs.on(QStringLiteral("deleteTracksConfirm"), [&](QDialog& aDialog) {
            RunLock during = RunLock::forPhone(setup.fixture.phoneId());
            lockedDuringRun = !during.tryLock();
            aDialog.findChild<QAbstractButton*>(QStringLiteral("yesButton"))->click();
        });
        QCOMPARE(synchronise(window), int(SyncState::Finished));
        QVERIFY2(lockedDuringRun, qPrintable(dialogs.mShown.join(QLatin1Char(','))));
        RunLock after = RunLock::forPhone(setup.fixture.phoneId());
        QVERIFY(after.tryLock());
    }

    void progressQueuedWhileTheWindowIsBusyArrivesThinnedAndInOrder()
    {
        const auto line = [](int aState, int aPercent, const QString& aName = QString()) {
            const QString text = QStringLiteral("%1:%2").arg(aState).arg(aPercent);
            return aName.isNull() ? text : text + u':' + aName;
        };
        ProgressRelay relay;
        QStringList seen;
        connect(&relay, &ProgressRelay::progress, &relay,
                [&](int aState, int aPercent) { seen << line(aState, aPercent); });
        connect(&relay, &ProgressRelay::trackProgress, &relay,
                [&](int aState, int aPercent, QString aName) {
                    seen << line(aState, aPercent, aName);
                });
        // A run reports from its own thread while the window's thread does not turn.
        std::unique_ptr<QThread> run(QThread::create([&relay] {
            relay.report(SyncState::Preparing, 0);
            relay.report(SyncState::Copying, 0);
            for (int i = 1; i <= 5000; ++i)
                relay.reportTrack(SyncState::Copying, i / 50, QStringLiteral("t%1").arg(i));
            relay.report(SyncState::Playlists, 100);
            relay.reportTrack(SyncState::Playlists, 100, QStringLiteral("Mix"));
            relay.report(SyncState::Finished, 100);
        }));
        run->start();
        QVERIFY(run->wait(30000));
        QVERIFY(seen.isEmpty());
        QCoreApplication::processEvents();
        // Every change of state, and the newest report of each kind within it.
        const QStringList expected{line(SyncState::Preparing, 0), line(SyncState::Copying, 0),
                                   line(SyncState::Copying, 100, QStringLiteral("t5000")),
                                   line(SyncState::Playlists, 100),
                                   line(SyncState::Playlists, 100, QStringLiteral("Mix")),
                                   line(SyncState::Finished, 100)};
        QCOMPARE(seen, expected);
    }

    void stopEndsTheRunAsCancelledAndTheNextStartSaysSo()
    {
        SyncSetup setup;
        setup.configure();
        DialogRecorder dialogs;
        auto window = std::make_unique<SyncUi>(nullptr, setup.fakeSystem.path());
        QVERIFY(openWindow(*window, setup.fixture.phoneRoot()));
        QCOMPARE(synchronise(*window), int(SyncState::Finished));
        setup.fixture.setPlaylist(QStringLiteral("Mix"), {QStringLiteral("One")});
        setup.fixture.writeLibrary();
        auto* stop = window->findChild<QPushButton*>(QStringLiteral("stopButton"));
        bool stopShown = false;
        bool stopAtQuestion = true;
        dialogs.on(QStringLiteral("deleteTracksConfirm"), [&](QDialog& aDialog) {
            // The user stops the run while it waits for the answer, then answers yes.
            if (stopAtQuestion) {
                stopShown = stop->isVisible() && stop->isEnabled();
                stop->click();
            }
            aDialog.findChild<QAbstractButton*>(QStringLiteral("yesButton"))->click();
        });
        dialogs.mShown.clear();
        QCOMPARE(synchronise(*window), int(SyncState::Cancelled));
        QVERIFY(stopShown);
        QVERIFY(!stop->isVisible());
        // Never reported complete: no reminder that begins "Synchronization is complete".
        QCOMPARE(dialogs.mShown, QStringList{QStringLiteral("deleteTracksConfirm")});
        QCOMPARE(labelText(*window, "statusLabel"), MessageCatalogue::get().syncCancelled);
        QCOMPARE(phoneMusic(setup.fixture).size(), 3);
        QVERIFY(labelText(*window, "noticeLabel").contains(QLatin1String("did not finish")));

        // The next start tells it; a run that finishes clears it.
        window = std::make_unique<SyncUi>(nullptr, setup.fakeSystem.path());
        QVERIFY(openWindow(*window, setup.fixture.phoneRoot()));
        auto* notice = window->findChild<QLabel*>(QStringLiteral("noticeLabel"));
        QVERIFY(notice->isVisible());
        QVERIFY(notice->text().contains(QLatin1String("next synchronization finishes it")));
        stopAtQuestion = false;
        QCOMPARE(synchronise(*window), int(SyncState::Finished));
        QVERIFY(!notice->isVisible());
        QCOMPARE(phoneMusic(setup.fixture).size(), 1);
    }

    void summaryTellsWhatWasCopiedAndWhatWasLeftWithoutHaltingTheRun()
    {
        SyncSetup setup;
        setup.fixture.addTrack(QStringLiteral("Locked"), QStringLiteral("Label"),
                               QStringLiteral("Album"), 4, QStringLiteral("Locked.m4p"));
        setup.fixture.addTrack(QStringLiteral("Lost"), QStringLiteral("Artist"),
                               QStringLiteral("Album"), 5)
            .mFileExists = false;
        setup.fixture.setPlaylist(QStringLiteral("Mix"),
                                  {QStringLiteral("One"), QStringLiteral("Two"),
                                   QStringLiteral("Three"), QStringLiteral("Locked"),
                                   QStringLiteral("Lost")});
        setup.fixture.writeLibrary();
        setup.configure();
        DialogRecorder dialogs;
        SyncUi window(nullptr, setup.fakeSystem.path());
        QVERIFY(openWindow(window, setup.fixture.phoneRoot()));
        QCOMPARE(synchronise(window), int(SyncState::Finished));
        // No box about the protected or lost tracks, and no reminder that calls the run
        // complete: a track was left behind.
        QVERIFY(dialogs.mShown.isEmpty());
        QCOMPARE(labelText(window, "statusLabel"),
                 MessageCatalogue::get().syncEndedNotCopied);
        auto* summary = window.findChild<SyncSummaryView*>(QStringLiteral("syncSummary"));
        QVERIFY(summary->isVisible());
        QCOMPARE(summary->headline(),
                 QStringLiteral("3 tracks copied, 0 deleted, 2 not copied."));
        const QStringList lines = summary->lines();
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines.at(0), QStringLiteral("Not copied: Lost by Artist (the file is missing on "
                                             "this computer)"));
        QVERIFY(lines.at(1).startsWith(QLatin1String("Not copied: Locked by Label (copy protected")));
    }

    void previewShowsThePlanAndChangesNothing()
    {
        SyncSetup setup;
        setup.configure();
        DialogRecorder dialogs;
        QStringList groups;
        QString summary;
        dialogs.on(QStringLiteral("syncPreviewDialog"), [&](QDialog& aDialog) {
            auto& preview = static_cast<SyncPreviewDialog&>(aDialog);
            groups = preview.groupTitles();
            summary = preview.summaryText();
            aDialog.reject();
        });
        SyncUi window(nullptr, setup.fakeSystem.path());
        QVERIFY(openWindow(window, setup.fixture.phoneRoot()));
        const QStringList before = phoneTree(setup.fixture);
        window.findChild<QPushButton*>(QStringLiteral("previewButton"))->click();
        QVERIFY(waitFor([&] { return !groups.isEmpty(); }));
        QCOMPARE(groups, (QStringList{QStringLiteral("Tracks to copy (3)"),
                                      QStringLiteral("Tracks to delete from your phone (0)"),
                                      QStringLiteral("Playlists to write (1)")}));
        QVERIFY(summary.contains(QLatin1String("Enough space")));
        QCOMPARE(phoneTree(setup.fixture), before);
        // The window is back to the ready phone.
        QVERIFY(waitFor([&] {
            return window.findChild<QPushButton*>(QStringLiteral("syncButton"))->isEnabled();
        }));
        QCOMPARE(labelText(window, "statusLabel"), MessageCatalogue::get().phoneReady);
        QCOMPARE(synchronise(window), int(SyncState::Finished));
        QCOMPARE(phoneMusic(setup.fixture).size(), 3);
    }

    void closingDuringARunCanBeRefused()
    {
        SyncSetup setup;
        setup.configure();
        DialogRecorder dialogs;
        SyncUi window(nullptr, setup.fakeSystem.path());
        QVERIFY(openWindow(window, setup.fixture.phoneRoot()));
        synchronise(window);
        setup.fixture.setPlaylist(QStringLiteral("Mix"), {QStringLiteral("One")});
        setup.fixture.writeLibrary();
        dialogs.on(QStringLiteral("stopToCloseBox"), [](QDialog& aDialog) {
            DialogRecorder::clickButton(aDialog, MessageCatalogue::get().keepSynchronizing);
        });
        dialogs.on(QStringLiteral("deleteTracksConfirm"), [&](QDialog& aDialog) {
            window.close();
            aDialog.findChild<QAbstractButton*>(QStringLiteral("yesButton"))->click();
        });
        QCOMPARE(synchronise(window), int(SyncState::Finished));
        QVERIFY(dialogs.mShown.contains(QStringLiteral("stopToCloseBox")));
        QVERIFY(window.isVisible());
        QCOMPARE(labelText(window, "statusLabel"), MessageCatalogue::get().syncComplete);
    }

    void closingDuringARunCancelsItAndClosesAfterwards()
    {
        SyncSetup setup;
        setup.configure();
        DialogRecorder dialogs;
        SyncUi window(nullptr, setup.fakeSystem.path());
        QVERIFY(openWindow(window, setup.fixture.phoneRoot()));
        synchronise(window);
        setup.fixture.setPlaylist(QStringLiteral("Mix"), {QStringLiteral("One")});
        setup.fixture.writeLibrary();
        dialogs.mShown.clear();
        QString statusAfterClose;
        bool stillShown = false;
        dialogs.on(QStringLiteral("deleteTracksConfirm"), [&](QDialog& aDialog) {
            // The user closes the window while the run waits for an answer.
            window.close();
            statusAfterClose = labelText(window, "statusLabel");
            stillShown = window.isVisible();
            aDialog.findChild<QAbstractButton*>(QStringLiteral("yesButton"))->click();
        });
        window.findChild<QPushButton*>(QStringLiteral("syncButton"))->click();
        QVERIFY(waitFor([&] { return !window.isVisible(); }, 30000));
        QVERIFY(dialogs.mShown.contains(QStringLiteral("stopToCloseBox")));
        QVERIFY(!dialogs.mShown.contains(QStringLiteral("usbEjectWarning")));
        QCOMPARE(statusAfterClose, MessageCatalogue::get().cancelling);
        QVERIFY(stillShown);
        QVERIFY(!window.syncSession()->isRunning());
        // Cancelled before deleting: the phone keeps its tracks.
        QCOMPARE(phoneMusic(setup.fixture).size(), 3);
    }
};

PELLMAR_TEST_MAIN_GUI(TestUiSync)
#include "test_ui_sync.moc"
