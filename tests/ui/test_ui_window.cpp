// The main window: its state display, its start-up, its questions and whole synchronisations
// started from it against a folder phone and the real engine.
#include "TestMain.h"
#include "UiTestSupport.h"

#include "engine/EngineFixture.h"
#include "library/LibraryFactory.h"
#include "library/LibraryXmlBuilder.h"
#include "settings/SyncSettings.h"
#include "sync/SyncSession.h"
#include "ui/HelpLink.h"
#include "ui/MessageCatalogue.h"
#include "ui/ModalAnswerer.h"
#include "ui/SpaceGauge.h"
#include "ui/SyncUi.h"
#include "device/AutoRefresher.h"
#include "tracks/SyncState.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QWizard>
#include <QFileDialog>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>

namespace {

struct Widgets
{
    explicit Widgets(SyncUi& aWindow)
        : gauge(aWindow.findChild<SpaceGauge*>(QStringLiteral("spaceGauge")))
        , progress(aWindow.findChild<QProgressBar*>(QStringLiteral("progressBar")))
        , sync(aWindow.findChild<QPushButton*>(QStringLiteral("syncButton")))
        , settings(aWindow.findChild<QPushButton*>(QStringLiteral("settingsButton")))
        , force(aWindow.findChild<QCheckBox*>(QStringLiteral("forceFull")))
    {
    }
    SpaceGauge* gauge;
    QProgressBar* progress;
    QPushButton* sync;
    QPushButton* settings;
    QCheckBox* force;
};

const MessageCatalogue& texts()
{
    return MessageCatalogue::get();
}

QByteArray bytes(int aSize, char aFill)
{
    return QByteArray(aSize, aFill);
}

} // namespace

class TestUiWindow : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir mFakeSystem;

private slots:
    void initTestCase()
    {
        // No test reaches the vendor's site: addresses go to a closed loopback port.
        qputenv("PELLMAR_WEB_ORIGIN", "http://127.0.0.1:9");
        MessageCatalogue::build();
    }
    void cleanup()
    {
        QFile::remove(SyncSettings::settingsFilePath());
        LibraryFactory::setChosenPath(QString());
    }

    void stateDisplayFollowsEveryRow_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("percent");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("hint");
        // g: gauge shown, G: gauge shown and enabled, p: progress shown, b: busy (buttons off),
        // s: Synchronize enabled, f: force-full enabled, i: moving indicator.
        QTest::addColumn<QString>("flags");
        MessageCatalogue::build();
        const MessageCatalogue& c = texts();
        QTest::newRow("0") << 0 << 0 << c.connectPhone << c.phoneNotDetectedHint << "g";
        QTest::newRow("1") << 1 << 0 << c.phoneReady << "" << "gGsf";
        QTest::newRow("2") << 2 << 0 << c.syncComplete << "" << "gGsf";
        QTest::newRow("3") << 3 << 0 << c.syncNotFinished << c.errorsDetected << "gGsf";
        QTest::newRow("6") << 6 << 0 << c.syncCancelled << "" << "gGsf";
        QTest::newRow("7") << 7 << 0 << c.connectPhone << c.phoneNotDetectedHint << "g";
        QTest::newRow("8") << 8 << 0 << c.scanningLibrary << c.pleaseWait << "pbi";
        QTest::newRow("9") << 9 << 0 << c.preparing << "" << "pbi";
        QTest::newRow("10") << 10 << 0 << c.preparingDelete << "" << "pbi";
        QTest::newRow("11") << 11 << 0 << c.checkingAlbumArt << "" << "pbi";
        QTest::newRow("12") << 12 << 0 << c.deleting << "" << "pbi";
        QTest::newRow("13") << 13 << 40 << c.copying << "" << "pb";
        QTest::newRow("14") << 14 << 0 << c.cancelling << c.pleaseWait << "pbi";
        QTest::newRow("15") << 15 << 0 << c.updatingPlaylists << "" << "pbi";
        QTest::newRow("16") << 16 << 0 << c.copyingPhotos << "" << "pbi";
        QTest::newRow("17") << 17 << 0 << c.convertingVideo << "" << "pbi";
    }
    void stateDisplayFollowsEveryRow()
    {
        QFETCH(int, state);
        QFETCH(int, percent);
        QFETCH(QString, status);
        QFETCH(QString, hint);
        QFETCH(QString, flags);
        DialogRecorder dialogs;
        SyncUi window(nullptr, mFakeSystem.path());
        window.show();
        Widgets w(window);
        window.UpdateProgress(0, 0);
        window.UpdateProgress(state, percent);
        QCOMPARE(window.state(), state);
        QCOMPARE(labelText(window, "statusLabel"), status);
        QCOMPARE(labelText(window, "hintLabel"), hint);
        QCOMPARE(w.gauge->isVisible(), flags.contains(QLatin1Char('g')));
        if (w.gauge->isVisible())
            QCOMPARE(w.gauge->isGaugeEnabled(), flags.contains(QLatin1Char('G')));
        QCOMPARE(w.progress->isVisible(), flags.contains(QLatin1Char('p')));
        QCOMPARE(w.settings->isEnabled(), !flags.contains(QLatin1Char('b')));
        QCOMPARE(w.sync->isEnabled(), flags.contains(QLatin1Char('s')));
        if (flags.contains(QLatin1Char('p')))
            QVERIFY(!w.force->isEnabled());
        if (flags.contains(QLatin1Char('f')))
            QVERIFY(w.force->isEnabled());
        QCOMPARE(w.progress->maximum(), flags.contains(QLatin1Char('i')) ? 0 : 100);
        // With no phone the window offers a folder as one.
        QCOMPARE(window.findChild<QPushButton*>(QStringLiteral("useFolderButton"))->isVisible(),
                 state == 0 || state == 7);
        if (state == 13)
            QCOMPARE(w.progress->value(), 40);
        QVERIFY(dialogs.mShown.isEmpty());
    }

    void phoneStatesWithoutSettingsOpenTheWizardForANewPhone()
    {
        for (int state : {4, 5}) {
            DialogRecorder dialogs;
            dialogs.on(QStringLiteral("deviceWizard"), [](QDialog& aDialog) { aDialog.reject(); });
            SyncUi window(nullptr, mFakeSystem.path());
            window.show();
            window.UpdateProgress(0, 0);
            window.UpdateProgress(state, 0);
            QCOMPARE(dialogs.mShown, QStringList{QStringLiteral("deviceWizard")});
            // Leaving the wizard without synchronising watches the phones again: none here.
            QCOMPARE(window.state(), 0);
            QVERIFY(window.deviceList().AutoRefreshEnabled());
            QCOMPARE(labelText(window, "statusLabel"), texts().connectPhone);
        }
    }

    void phoneArrivingDuringCopyChangesOnlyTheWidgets()
    {
        SyncUi window(nullptr, mFakeSystem.path());
        window.show();
        Widgets w(window);
        window.UpdateProgress(0, 0);
        window.UpdateProgress(13, 50);
        window.UpdateProgress(1, 0);
        QCOMPARE(labelText(window, "statusLabel"), texts().copying);
        QVERIFY(!w.settings->isEnabled());
        QVERIFY(!w.sync->isEnabled());
        QVERIFY(w.gauge->isVisible());
        QVERIFY(!w.progress->isVisible());

        // Unknown states change nothing but the stored state.
        window.UpdateProgress(13, 60);
        for (int state : {18, -1}) {
            window.UpdateProgress(state, 0);
            QCOMPARE(window.state(), state);
            QCOMPARE(labelText(window, "statusLabel"), texts().copying);
            QCOMPARE(w.progress->value(), 60);
            QVERIFY(w.progress->isVisible());
        }
    }

    void notEnoughSpaceShowsWholeMegabytes()
    {
        DialogRecorder dialogs;
        dialogs.on(QStringLiteral("notEnoughSpaceBox"), [](QDialog& aDialog) {
            DialogRecorder::clickButton(aDialog, texts().syncAnyway);
        });
        SyncUi window(nullptr, mFakeSystem.path());
        window.notEnoughSpace(1572864);
        window.notEnoughSpace(1048575);
        QCOMPARE(dialogs.mTexts.size(), 2);
        QVERIFY(dialogs.mTexts.at(0).contains(QLatin1String("free up 1 MB.")));
        QVERIFY(dialogs.mTexts.at(1).contains(QLatin1String("free up 0 MB.")));
    }

    void libraryNoticeAppearsOnThe62ndFailureAndGoesOnSuccess()
    {
        SyncUi window(nullptr, mFakeSystem.path());
        for (int i = 0; i < 61; ++i)
            window.iTunesFailure();
        QVERIFY(!window.iTunesNotice().isVisible());
        window.iTunesFailure();
        QVERIFY(window.iTunesNotice().isVisible());
        QCOMPARE(window.iTunesNotice().text(), texts().iTunesStopped);
        window.iTunesOkay();
        QVERIFY(!window.iTunesNotice().isVisible());
        QCOMPARE(window.iTunesFailureCount(), 0);
    }

    void unableToOpenIsShownOnceAndHelpLinkShowsInformation()
    {
        DialogRecorder dialogs;
        SyncUi window(nullptr, mFakeSystem.path());
        window.unableToOpenDevice();
        window.unableToOpenDevice();
        window.helpLinkClicked(QStringLiteral("ituneshelp"));
        QStringList opened;
        HelpLink::setOpener([&](const QString& aAddress) {
            opened.append(aAddress);
            return true;
        });
        window.helpLinkClicked(QStringLiteral("http://elsewhere/"));
        QCOMPARE(opened, QStringList{QStringLiteral("http://elsewhere/")});
        QCOMPARE(dialogs.mShown,
                 (QStringList{QStringLiteral("unableToOpenBox"), QStringLiteral("iTunesInfoBox")}));

        // Without a browser the address is shown, ready to be copied.
        HelpLink::setOpener([](const QString&) { return false; });
        QString shownAddress;
        dialogs.on(QStringLiteral("helpAddressBox"), [&](QDialog& aDialog) {
            shownAddress = aDialog.findChild<QLineEdit*>(QStringLiteral("helpAddress"))->text();
            aDialog.findChild<QPushButton*>(QStringLiteral("copyAddressButton"))->click();
            aDialog.reject();
        });
        window.findChild<QPushButton*>(QStringLiteral("helpButton"))->setEnabled(true);
        window.findChild<QPushButton*>(QStringLiteral("helpButton"))->click();
        HelpLink::setOpener({});
        QCOMPARE(shownAddress, texts().helpAddress);
        QCOMPARE(QGuiApplication::clipboard()->text(), texts().helpAddress);
    }

    void goneFolderPhoneIsShownAsGoneUntilItComesBack()
    {
        QTemporaryDir home;
        const QString folder = home.path() + QStringLiteral("/card");
        {
            // Set up earlier, by the window or by `pellmar-sync setup --phone-folder`.
            SyncSettings settings;
            settings.load();
            settings.setConfig(QStringLiteral("card-id"), QStringLiteral("card"), true, {}, 0, {});
            settings.setPhoneFolder(QStringLiteral("card-id"), folder);
            settings.save();
        }
        DialogRecorder dialogs;
        SyncUi window(nullptr, mFakeSystem.path());
        window.show();
        Widgets w(window);
        window.UpdateProgress(0, 0);
        const QString gone = texts().folderGone.arg(folder);
        QVERIFY(waitFor([&] { return labelText(window, "statusLabel") == gone; }, 8000));
        QCOMPARE(labelText(window, "hintLabel"), texts().folderGoneHint);
        QVERIFY(!w.sync->isEnabled());

        QDir().mkpath(folder + QStringLiteral("/CORVO"));
        QFile id(folder + QStringLiteral("/CORVO/uniqueid"));
        QVERIFY(id.open(QIODevice::WriteOnly));
        id.write("card-id");
        id.close();
        QVERIFY(waitFor([&] { return labelText(window, "statusLabel") == texts().phoneReady; },
                        8000));
        QVERIFY(w.sync->isEnabled());
        // A phone already set up: the wizard stays closed.
        QVERIFY(dialogs.mShown.isEmpty());
    }

    void newPhoneOpensTheWizardOnce()
    {
        QTemporaryDir phone;
        SyncSettings settings;
        settings.load();
        settings.save();
        DialogRecorder dialogs;
        dialogs.on(QStringLiteral("deviceWizard"), [](QDialog& aDialog) { aDialog.reject(); });
        SyncUi window(nullptr, mFakeSystem.path());
        window.deviceList().AddPhoneFolder(phone.path());
        window.show();
        window.UpdateProgress(0, 0);
        QVERIFY(waitFor([&] { return dialogs.mShown.contains(QStringLiteral("deviceWizard")); },
                        8000));
        QTest::qWait(2500);
        QCOMPARE(dialogs.mShown.count(QStringLiteral("deviceWizard")), 1);
    }

    void folderChosenOnTheMainWindowOpensTheWizardOnIt()
    {
        QTemporaryDir home;
        const QString folder = home.path() + QStringLiteral("/card");
        QDir().mkpath(folder);
        SyncSettings settings;
        settings.load();
        settings.save();
        DialogRecorder dialogs;
        dialogs.on(QStringLiteral("phoneFolderDialog"), [&](QDialog& aDialog) {
            auto& files = static_cast<QFileDialog&>(aDialog);
            files.setDirectory(home.path());
            files.selectFile(folder);
            static_cast<QDialog&>(files).accept();
        });
        QString chosen;
        dialogs.on(QStringLiteral("deviceWizard"), [&](QDialog& aDialog) {
            auto& wizard = static_cast<QWizard&>(aDialog);
            wizard.next();
            if (auto* phones = wizard.currentPage()->findChild<QListWidget*>(
                    QStringLiteral("phoneList")))
                chosen = phones->currentItem() ? phones->currentItem()->text() : QString();
            aDialog.reject();
        });
        SyncUi window(nullptr, mFakeSystem.path());
        // Another phone listed first: the one chosen is preselected, not the first.
        QDir().mkpath(home.path() + QStringLiteral("/other"));
        window.deviceList().AddPhoneFolder(home.path() + QStringLiteral("/other"));
        window.show();
        window.UpdateProgress(0, 0);
        dialogs.mShown.clear();
        window.findChild<QPushButton*>(QStringLiteral("useFolderButton"))->click();
        QCOMPARE(chosen, QStringLiteral("card"));
    }

    void startUpReachesNoPhoneWithALibraryAndSettings()
    {
        EngineFixture fixture;
        fixture.addTrack(QStringLiteral("One"), QStringLiteral("A"), QStringLiteral("B"), 1);
        fixture.writeLibrary();
        SyncSettings settings;
        settings.setGlobalStringValue(QStringLiteral("dont-display-message"), QString());
        settings.save();
        DialogRecorder dialogs;
        SyncUi window(nullptr, mFakeSystem.path());
        window.show();
        QCOMPARE(labelText(window, "statusLabel"), texts().pleaseWaitITunes);
        QVERIFY(waitFor([&] { return window.state() == 0; }));
        QCOMPARE(labelText(window, "statusLabel"), texts().connectPhone);
        QVERIFY(window.deviceList().AutoRefreshEnabled());
        QVERIFY(dialogs.mShown.isEmpty());
    }

    // The window hears of library changes from the start, not only after the wizard has run:
    // the connected phone's space is worked out again when the library file changes.
    void libraryChangesReachTheWindowWithoutTheWizard()
    {
        EngineFixture fixture;
        fixture.addTrack(QStringLiteral("One"), QStringLiteral("A"), QStringLiteral("B"), 1);
        fixture.writeLibrary();
        fixture.configure(EngineFixture::Configuration());
        SyncSettings settings;
        settings.load();
        settings.setGlobalStringValue(QStringLiteral("dont-display-message"), QString());
        settings.save();
        DialogRecorder dialogs;
        SyncUi window(nullptr, mFakeSystem.path());
        window.deviceList().AddPhoneFolder(fixture.phoneRoot());
        QVERIFY(waitFor([&] { return window.state() == SyncState::PhoneReady; }));
        QSignalSpy space(&window.autoRefresher(), &AutoRefresher::freeSpaceUpdate);
        QTest::qWait(300);
        const int before = space.count();
        fixture.addTrack(QStringLiteral("Two"), QStringLiteral("A"), QStringLiteral("B"), 2);
        fixture.writeLibrary();
        QVERIFY(waitFor([&] { return space.count() > before; }, 5000));
        QVERIFY(dialogs.mShown.isEmpty());
    }

    void firstRunOpensTheWizard()
    {
        EngineFixture fixture;
        fixture.addTrack(QStringLiteral("One"), QStringLiteral("A"), QStringLiteral("B"), 1);
        fixture.writeLibrary();
        QFile::remove(SyncSettings::settingsFilePath());
        DialogRecorder dialogs;
        dialogs.on(QStringLiteral("deviceWizard"), [](QDialog& aDialog) { aDialog.reject(); });
        SyncUi window(nullptr, mFakeSystem.path());
        QVERIFY(waitFor([&] { return !dialogs.mShown.isEmpty(); }));
        QCOMPARE(dialogs.mShown, QStringList{QStringLiteral("deviceWizard")});
        QCOMPARE(window.state(), 0);
        QVERIFY(!QFile::exists(SyncSettings::settingsFilePath()));
    }

    void missingLibraryOffersAChoiceAndStartUpGoesOn()
    {
        QTemporaryDir dir;
        const QString libraryFile = dir.path() + QStringLiteral("/Chosen Library.xml");
        LibraryXmlBuilder builder;
        builder.addMasterPlaylist();
        QVERIFY(builder.write(libraryFile));
        SyncSettings settings;
        settings.save();
        qputenv("PELLMAR_ITUNES_LIBRARY", QByteArray(dir.path().toUtf8() + "/missing.xml"));
        DialogRecorder dialogs;
        // Nothing is found on this computer: the user picks the file by hand.
        dialogs.on(QStringLiteral("chooseLibraryDialog"), [&](QDialog& aDialog) {
            aDialog.findChild<QPushButton*>(QStringLiteral("chooseLibraryFile"))->click();
        });
        dialogs.on(QStringLiteral("chooseLibraryFileDialog"), [&](QDialog& aDialog) {
            auto& files = static_cast<QFileDialog&>(aDialog);
            files.selectFile(libraryFile);
            static_cast<QDialog&>(files).accept();
        });
        SyncUi window(nullptr, mFakeSystem.path());
        QVERIFY(waitFor([&] { return labelText(window, "statusLabel").contains(
                                  QLatin1String(SyncUi::kChooseLibraryLink)); },
                        20000));
        QVERIFY(labelText(window, "statusLabel").contains(texts().chooseLibrary));
        window.findChild<QLabel*>(QStringLiteral("statusLabel"))
            ->linkActivated(QLatin1String(SyncUi::kChooseLibraryLink));
        QVERIFY(waitFor([&] { return window.state() == 0; }));
        QCOMPARE(SettingsSnapshot::read().iTunesLibraryPath(), libraryFile);
        qunsetenv("PELLMAR_ITUNES_LIBRARY");
    }
};

PELLMAR_TEST_MAIN_GUI(TestUiWindow)
#include "test_ui_window.moc"
