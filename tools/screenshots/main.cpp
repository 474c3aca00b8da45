// Opens the window in each of its main states, every wizard page and each dialog, and saves a
// picture of each into the folder named on the command line. scripts/screenshots runs it under
// Xvfb with a private HOME, the demo library and a folder as the phone.
#include "app/AppPaths.h"
#include "device/DeviceList.h"
#include "device/mtp/MtpMacDeviceRefresher.h"
#include "settings/SyncSettings.h"
#include "tracks/SyncState.h"
#include "tracks/Track.h"
#include "tracks/TrackList.h"
#include "ui/DeleteTracksConfirm.h"
#include "ui/MessageCatalogue.h"
#include "ui/ModalAnswerer.h"
#include "ui/SyncUi.h"
#include "ui/SyncWarningDialog.h"
#include "ui/UpdateDialog.h"
#include "ui/UsbEjectWarning.h"
#include "ui/wizard/DeviceWizard.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMessageBox>
#include <QRadioButton>
#include <QTextStream>
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
    save(wizard, QStringLiteral("wizard-7-backup"));
    wizard.next();
    save(wizard, QStringLiteral("wizard-9-conclusion"));
    for (int id : {3, 6}) {
        wizard.setStartId(id);
        wizard.restart();
        save(wizard, QStringLiteral("wizard-%1-%2").arg(id).arg(id == 3 ? "photos" : "convert"));
    }
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
                     c.unableToOpenText({QLatin1String(MtpMacDeviceRefresher::kBusyText)}),
                     QMessageBox::Ok, &aWindow);
    busy.show();
    save(busy, QStringLiteral("dialog-phone-busy"));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
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

    SyncUi window;
    window.show();
    save(window, QStringLiteral("main-1-itunes-starting"));
    if (!waitForState(window, SyncState::NoPhone))
        QTextStream(stderr) << "the window did not reach the no-phone state\n";
    save(window, QStringLiteral("main-2-no-phone"));
    window.deviceList().AddPhoneFolder(phone);
    waitForState(window, SyncState::PhoneReady, 6000);
    save(window, QStringLiteral("main-3-phone-ready"));
    window.UpdateProgress(SyncState::Copying, 45, QStringLiteral("New Order - Blue Monday"));
    save(window, QStringLiteral("main-4-copying"));
    // The finished state's reminder is answered at once; only the window is pictured.
    ModalAnswerer::setAnswerer([](QDialog& aDialog) { aDialog.accept(); });
    window.UpdateProgress(SyncState::Finished, 0);
    save(window, QStringLiteral("main-5-finished"));
    ModalAnswerer::setAnswerer({});

    wizardPages(window);
    licencePage(window);
    dialogs(window);
    return 0;
}
