#include "ui/UsbEjectWarning.h"

#include "ui/MessageCatalogue.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

UsbEjectWarning::UsbEjectWarning() : QDialog(nullptr)
{
    setObjectName(QStringLiteral("usbEjectWarning"));
    setModal(true);
    setMinimumWidth(300);
    setWindowTitle(MessageCatalogue::get().productName);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(MessageCatalogue::get().usbEject);
    label->setWordWrap(true);
    label->setOpenExternalLinks(true);
    layout->addWidget(label);
    mCheck = new QCheckBox(MessageCatalogue::get().dontDisplayAgain);
    mCheck->setObjectName(QStringLiteral("dontShowAgain"));
    layout->addWidget(mCheck);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &UsbEjectWarning::userDone);
    layout->addWidget(buttons);
}

void UsbEjectWarning::userDone()
{
    done(mCheck->isChecked() ? 1 : 0);
}
