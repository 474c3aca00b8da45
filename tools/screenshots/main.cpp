// Opens the window in each of its main states, every wizard page and each dialog, and saves a
// picture of each into the folder named on the command line. scripts/screenshots runs it under
// Xvfb with a private HOME, the demo library and a folder as the phone, once in English and
// once in German.
#include "app/AppPaths.h"
#include "app/AppStartup.h"
#include "device/Device.h"
#include "sync/SyncSession.h"
#include "device/DeviceList.h"
#include "device/mtp/MtpPhoneRefresher.h"
#include "settings/SyncSettings.h"
#include "tracks/SyncState.h"
#include "tracks/Track.h"
#include "tracks/TrackList.h"
#include "ui/BackupPasswordDialog.h"
#include "ui/DeleteTracksConfirm.h"
#include "ui/LibraryChooser.h"
#include "ui/MessageCatalogue.h"
#include "ui/ModalAnswerer.h"
#include "ui/PhoneWait.h"
#include "ui/SyncUi.h"
#include "ui/SyncWarningDialog.h"
#include "ui/UpdateDialog.h"
#include "ui/UsbEjectWarning.h"
#include "ui/wizard/DeviceWizard.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMessageBox>
#include <QRadioButton>
#include <QTextStream>
#include <QThread>
#include <QTimer>

namespace {

QString gFolder;

void settle(int aMsecs = 150)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < aMsecs)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

void save(QWidget& aWidget, const QString& aName)
{
    aWidget.adjustSize();
    settle();
    const QString path = gFolder + QLatin1Char('/') + aName + QStringLiteral(".png");
    if (!aWidget.grab().save(path))
        QTextStream(stderr) << "could not save " << path << "\n";
    else
        QTextStream(stdout) << path << "\n";
}

bool waitForState(SyncUi& aWindow, int aState, int aMsecs = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (aWindow.state() != aState && timer.elapsed() < aMsecs)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return aWindow.state() == aState;
}

bool waitFor(const std::function<bool()>& aCondition, int aMsecs = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!aCondition() && timer.elapsed() < aMsecs)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    return aCondition();
}

QPushButton* button(QWidget& aWindow, const char* aName)
{
    return aWindow.findChild<QPushButton*>(QLatin1String(aName));
}

// The phone set up as the demo expects: the whole library, nothing else.
void configurePhone(SyncUi& aWindow, const QString& aPhone)
{
    Device* phone = aWindow.deviceList().ConnectedDevice(SettingsSnapshot::read());
    phone->SetConfigured();
    SyncSettings settings;
    settings.load();
    settings.setConfig(phone->UniqueDeviceId(), phone->FriendlyName(), true, {}, 0, {});
    settings.setPhoneFolder(phone->UniqueDeviceId(), QDir::cleanPath(aPhone));
    settings.save();
}

// A preview, a run stopped at once, then a whole run, each with its picture.
void runs(SyncUi& aWindow)
{
    ModalAnswerer::setAnswerer([](QDialog& aDialog) {
        if (aDialog.objectName() == QLatin1String("syncPreviewDialog")) {
            aDialog.resize(560, 460);
            save(aDialog, QStringLiteral("dialog-preview"));
        }
        aDialog.reject();
    });
    button(aWindow, "previewButton")->click();
    waitFor([&] { return button(aWindow, "syncButton")->isEnabled(); });

    ModalAnswerer::setAnswerer([](QDialog& aDialog) { aDialog.accept(); });
    button(aWindow, "syncButton")->click();
    waitFor([&] { return aWindow.syncSession() && aWindow.syncSession()->hasEnded(); },
            60000);
    waitFor([&] { return SyncState::isIdle(aWindow.state()); });
    settle(300);
    save(aWindow, QStringLiteral("main-7-finished-summary"));

    // One playlist only: the next run asks before it deletes, and is stopped while it asks.
    Device* phone = aWindow.deviceList().ConnectedDevice(SettingsSnapshot::read());
    SyncSettings settings;
    settings.load();
    settings.setConfig(phone->UniqueDeviceId(), phone->FriendlyName(), false,
                       {aWindow.library().playlistNames().value(0)}, 0, {});
    settings.save();
    ModalAnswerer::setAnswerer([&aWindow](QDialog& aDialog) {
        if (aDialog.objectName() == QLatin1String("deleteTracksConfirm")) {
            save(aWindow, QStringLiteral("main-4-running-with-stop"));
            button(aWindow, "stopButton")->click();
            save(aWindow, QStringLiteral("main-5-stopping"));
            aDialog.findChild<QAbstractButton*>(QStringLiteral("yesButton"))->click();
        }
        aDialog.accept();
    });
    button(aWindow, "syncButton")->click();
    waitFor([&] { return aWindow.syncSession() && aWindow.syncSession()->hasEnded(); },
            60000);
    waitFor([&] { return SyncState::isIdle(aWindow.state()); });
    settle(300);
    save(aWindow, QStringLiteral("main-6-stopped-summary"));
    ModalAnswerer::setAnswerer({});
}

QList<Track> demoTracks(const QStringList& aNames)
{
    QList<Track> tracks;
    for (const QString& name : aNames) {
        Track track;
        track.setTrackName(name);
        tracks.append(track);
    }
    return tracks;
}

void wizardPages(SyncUi& aWindow)
{
    DeviceWizard wizard(&aWindow.library(), &aWindow.deviceList(), &aWindow, 0);
    wizard.show();
    save(wizard, QStringLiteral("wizard-0-intro"));
    wizard.next();
    if (auto* phones = wizard.currentPage()->findChild<QListWidget*>(QStringLiteral("phoneList")))
        phones->setCurrentRow(0);
    save(wizard, QStringLiteral("wizard-2-connect"));
    wizard.next();
    QWizardPage* music = wizard.currentPage();
    music->findChild<QRadioButton*>(QStringLiteral("secondOption"))->click();
    if (auto* names = music->findChild<QListWidget*>(QStringLiteral("nameList"))) {
        for (int i = 0; i < names->count(); i += 2)
            names->item(i)->setCheckState(Qt::Checked);
    }
    save(wizard, QStringLiteral("wizard-4-music"));
    wizard.next();
    save(wizard, QStringLiteral("wizard-5-podcasts"));
    wizard.next();
    save(wizard, QStringLiteral("wizard-6-convert"));
    wizard.next();
    save(wizard, QStringLiteral("wizard-7-backup"));
    // With a backup found: chosen, and if it is encrypted its password is asked for.
    if (auto* backups = wizard.currentPage()->findChild<QListWidget*>(QStringLiteral("backupList"));
        backups && backups->count() > 0) {
        backups->setCurrentRow(0);
        save(wizard, QStringLiteral("wizard-7-backup-chosen"));
    }
    wizard.next();
    save(wizard, QStringLiteral("wizard-9-conclusion"));
    // No page leads to the photos page.
    wizard.setStartId(3);
    wizard.restart();
    save(wizard, QStringLiteral("wizard-3-photos"));
    wizard.reject();
}

void licencePage(SyncUi& aWindow)
{
    // The licence page exists only while there is no settings file.
    const QString settings = SyncSettings::settingsFilePath();
    const QString aside = settings + QStringLiteral(".aside");
    QFile::rename(settings, aside);
    {
        DeviceWizard wizard(&aWindow.library(), &aWindow.deviceList(), &aWindow, 3);
        wizard.setStartId(1);
        wizard.show();
        save(wizard, QStringLiteral("wizard-1-licence"));
        wizard.reject();
    }
    QFile::remove(settings);
    QFile::rename(aside, settings);
}

void dialogs(SyncUi& aWindow)
{
    const MessageCatalogue& c = MessageCatalogue::get();
    TrackList list;
    for (const QString& name : {QStringLiteral("Blue Monday"), QStringLiteral("Heroes"),
                                QStringLiteral("Teardrop")}) {
        Track track;
        track.setTrackName(name);
        list.addTrack(track);
    }
    DeleteTracksConfirm confirm(list);
    confirm.show();
    save(confirm, QStringLiteral("dialog-delete-tracks"));
    SyncWarningDialog notCopied(&aWindow, demoTracks({QStringLiteral("Heroes")}), 0);
    notCopied.show();
    save(notCopied, QStringLiteral("dialog-not-copied"));
    SyncWarningDialog drm(&aWindow, demoTracks({QStringLiteral("Teardrop")}), 4);
    drm.show();
    save(drm, QStringLiteral("dialog-copy-protected"));
    UpdateDialog update(&aWindow, QStringLiteral("Pellmar 2 is available"),
                        QStringLiteral("<p>A new version of Pellmar is available. <a "
                                       "href=\"http://example.org/\">Download it here</a>.</p>"));
    update.show();
    save(update, QStringLiteral("dialog-update"));
    BackupPasswordDialog password(QStringLiteral("Anna's iPhone"), &aWindow);
    password.show();
    save(password, QStringLiteral("dialog-backup-password"));
    UsbEjectWarning eject;
    eject.show();
    save(eject, QStringLiteral("dialog-usb-eject"));
    QMessageBox space(QMessageBox::Warning, c.notEnoughSpaceTitle, c.notEnoughSpaceText.arg(120),
                      QMessageBox::NoButton, &aWindow);
    space.addButton(c.dontSync, QMessageBox::RejectRole);
    space.addButton(c.syncAnyway, QMessageBox::AcceptRole);
    space.show();
    save(space, QStringLiteral("dialog-not-enough-space"));
    QMessageBox busy(QMessageBox::Warning, c.unableToConnectTitle,
                     c.unableToOpenText({QLatin1String(MtpPhoneRefresher::kBusyText)}),
                     QMessageBox::Ok, &aWindow);
    busy.show();
    save(busy, QStringLiteral("dialog-phone-busy"));
    QMessageBox phoneFiles(QMessageBox::Information, c.productName,
                           c.phoneFilesWritten.arg(QStringLiteral("Download/Pellmar")),
                           QMessageBox::Ok, &aWindow);
    phoneFiles.show();
    save(phoneFiles, QStringLiteral("dialog-phone-files"));
    // A phone that is slow to answer while it is set up: the wait box.
    if (!aWindow.deviceList().GetDevices().isEmpty()) {
        QTimer::singleShot(PhoneWait::kShowAfterMs + 500, &aWindow, [&aWindow] {
            if (auto* box = aWindow.findChild<QWidget*>(QStringLiteral("phoneWaitBox")))
                save(*box, QStringLiteral("dialog-waiting-for-phone"));
        });
        PhoneWait::run(&aWindow, *aWindow.deviceList().GetDevices().first(),
                       [] { QThread::msleep(1500); });
    }
}

// The library chooser, once it has found and counted the libraries of the private home.
void libraryChooser(SyncUi& aWindow)
{
    LibraryChooser chooser(&aWindow);
    chooser.show();
    QElapsedTimer timer;
    timer.start();
    while (!chooser.isSettled() && timer.elapsed() < 30000)
        settle(100);
    save(chooser, QStringLiteral("dialog-choose-library"));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Pellmar"));
    AppStartup::loadTranslations(app);
    if (argc < 3) {
        QTextStream(stderr) << "usage: pellmar-screenshots <output folder> <phone folder>\n";
        return 2;
    }
    gFolder = QString::fromLocal8Bit(argv[1]);
    const QString phone = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(gFolder);
    AppPaths::setApplicationDataPath(QDir::homePath());
    SyncSettings settings;
    settings.load();
    settings.setSkipUpdateMessage(QStringLiteral("none"));
    settings.save();

    {
        SyncUi window;
        window.show();
        save(window, QStringLiteral("main-1-itunes-starting"));
        if (!waitForState(window, SyncState::NoPhone))
            QTextStream(stderr) << "the window did not reach the no-phone state\n";
        save(window, QStringLiteral("main-2-no-phone"));
        // A phone never set up opens the wizard by itself: pictured, then closed.
        ModalAnswerer::setAnswerer([](QDialog& aDialog) {
            if (aDialog.objectName() == QLatin1String("deviceWizard"))
                save(aDialog, QStringLiteral("wizard-opened-for-new-phone"));
            aDialog.reject();
        });
        window.deviceList().AddPhoneFolder(phone);
        waitForState(window, SyncState::PhoneReady, 6000);
        settle(1500);
        ModalAnswerer::setAnswerer({});
        configurePhone(window, phone);
        save(window, QStringLiteral("main-3-phone-ready"));
        runs(window);

        wizardPages(window);
        licencePage(window);
        dialogs(window);
        libraryChooser(window);
    }
    // The phone's folder goes away (a card taken out): the next start shows it as gone.
    const QString away = phone + QStringLiteral("-away");
    QDir().rename(phone, away);
    {
        SyncUi window;
        window.show();
        waitForState(window, SyncState::NoPhone);
        waitForState(window, SyncState::PhoneReady, 6000);
        settle(1500);
        save(window, QStringLiteral("main-8-folder-gone"));
    }
    QDir().rename(away, phone);
    return 0;
}
