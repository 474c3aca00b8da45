#include "ui/UpdateDialog.h"

#include "settings/SyncSettings.h"
#include "ui/MessageCatalogue.h"
#include "ui/ModalAnswerer.h"
#include "ui/SoftwareUpdateWatcher.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

UpdateDialog::UpdateDialog(QWidget* aParent, const QString& aTitle, const QString& aMessage)
    : QDialog(aParent)
{
    setObjectName(QStringLiteral("updateDialog"));
    setModal(true);
    setMinimumWidth(500);
    setMaximumWidth(500);
    setWindowTitle(aTitle);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(aMessage);
    label->setObjectName(QStringLiteral("updateMessage"));
    label->setWordWrap(true);
    label->setTextFormat(Qt::RichText);
    label->setOpenExternalLinks(true);
    layout->addWidget(label);
    auto* check = new QCheckBox(MessageCatalogue::get().dontDisplayAgain);
    check->setObjectName(QStringLiteral("dontShowAgain"));
    connect(check, &QCheckBox::stateChanged, this, &UpdateDialog::dontShowAgainStateChanged);
    layout->addWidget(check);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

void UpdateDialog::dontShowAgainStateChanged(int aNewState)
{
    mDontShowAgain = aNewState == Qt::Checked;
}

void UpdateDialog::offer(QWidget* aParent, const SoftwareUpdateWatcher& aWatcher)
{
    if (aWatcher.version() == SettingsSnapshot::read().skipUpdateMessage()
        || aWatcher.message().isEmpty())
        return;
    UpdateDialog dialog(aParent, aWatcher.title(), aWatcher.message());
    ModalAnswerer::exec(dialog);
    if (dialog.dontShowAgain()) {
        SyncSettings::update(
            [&](SyncSettings& aSettings) { aSettings.setSkipUpdateMessage(aWatcher.version()); });
    }
}
