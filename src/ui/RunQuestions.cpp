#include "ui/RunQuestions.h"

#include "app/DebugLog.h"
#include "library/LibraryFactory.h"
#include "library/LibrarySetting.h"
#include "settings/SyncSettings.h"
#include "sync/SyncPlan.h"
#include "ui/DeleteTracksConfirm.h"
#include "ui/LibraryChooser.h"
#include "ui/MessageCatalogue.h"
#include "ui/ModalAnswerer.h"

#include <QMessageBox>
#include <QPushButton>

bool RunQuestions::confirmDeletions(const SyncPlan& aPlan, const QString& aId)
{
    if (SettingsSnapshot::read().phone(aId).deleteWithoutWarning()) {
        logMessage("Skipping warning");
        return true;
    }
    logMessage("Displaying warning");
    TrackList tracks;
    for (const Track& track : aPlan.mToDelete)
        tracks.addTrack(track);
    DeleteTracksConfirm dialog(tracks);
    const int result = ModalAnswerer::exec(dialog);
    if (result == DeleteTracksConfirm::kYesAlways)
        SyncSettings::update(
            [&](SyncSettings& aSettings) { aSettings.setDeleteWithoutWarning(aId, true); });
    return result == DeleteTracksConfirm::kYes || result == DeleteTracksConfirm::kYesAlways;
}

bool RunQuestions::goOnWithoutSpace(QWidget* aParent, qint64 aAdditionalSpaceRequired)
{
    const MessageCatalogue& c = MessageCatalogue::get();
    const qint64 megabytes = aAdditionalSpaceRequired / 1024 / 1024;
    QMessageBox box(QMessageBox::Warning, c.notEnoughSpaceTitle,
                    c.notEnoughSpaceText.arg(megabytes), QMessageBox::NoButton, aParent);
    box.setObjectName(QStringLiteral("notEnoughSpaceBox"));
    QPushButton* dontSync = box.addButton(c.dontSync, QMessageBox::RejectRole);
    box.addButton(c.syncAnyway, QMessageBox::AcceptRole);
    ModalAnswerer::exec(box);
    QAbstractButton* clicked = box.clickedButton();
    return clicked && clicked != dontSync && clicked->text() != c.dontSync;
}

void RunQuestions::tellPhoneInUse(QWidget* aParent, const QString& aName,
                                  const QString& aHolder)
{
    const MessageCatalogue& c = MessageCatalogue::get();
    QMessageBox box(QMessageBox::Warning, c.productName, c.phoneInUse.arg(aName, aHolder),
                    QMessageBox::Ok, aParent);
    box.setObjectName(QStringLiteral("phoneInUseBox"));
    ModalAnswerer::exec(box);
}

void RunQuestions::tellAboutITunes(QWidget* aParent)
{
    const MessageCatalogue& c = MessageCatalogue::get();
    QMessageBox box(QMessageBox::Information, c.iTunesInfoTitle, c.iTunesInfoText,
                    QMessageBox::Ok, aParent);
    box.setObjectName(QStringLiteral("iTunesInfoBox"));
    ModalAnswerer::exec(box);
}

QString RunQuestions::chooseLibrary(QWidget* aParent)
{
    LibraryChooser dialog(aParent, LibrarySetting::read().mPath);
    if (ModalAnswerer::exec(dialog) != QDialog::Accepted || dialog.chosenPath().isEmpty())
        return QString();
    const QString path = dialog.chosenPath();
    logValue("Library chosen", path);
    LibraryFactory::storeChosenPath(path);
    return path;
}

bool RunQuestions::stopForClose(QWidget* aParent)
{
    const MessageCatalogue& c = MessageCatalogue::get();
    QMessageBox box(QMessageBox::Question, c.productName, c.stopToClose, QMessageBox::NoButton,
                    aParent);
    box.setObjectName(QStringLiteral("stopToCloseBox"));
    QPushButton* stop = box.addButton(c.stopAndClose, QMessageBox::AcceptRole);
    QPushButton* keep = box.addButton(c.keepSynchronizing, QMessageBox::RejectRole);
    box.setDefaultButton(keep);
    const int result = ModalAnswerer::exec(box);
    QAbstractButton* clicked = box.clickedButton();
    return clicked ? clicked == stop : result == QDialog::Accepted;
}
