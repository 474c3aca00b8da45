#include "ui/wizard/EULAPage.h"

#include "ui/MessageCatalogue.h"
#include "ui/ModalAnswerer.h"
#include "ui/wizard/WizardPageIds.h"

#include <QCheckBox>
#include <QFile>
#include <QMessageBox>
#include <QPixmap>
#include <QTextBrowser>
#include <QVBoxLayout>

EULAPage::EULAPage(QWidget* aParent) : QWizardPage(aParent)
{
    setObjectName(QStringLiteral("eulaPage"));
    setTitle(tr("License Agreement"));
    setPixmap(QWizard::WatermarkPixmap, QPixmap(QStringLiteral(":/images/wizard1.png")));
    auto* browser = new QTextBrowser;
    browser->setReadOnly(true);
    QFile file(QStringLiteral(":/html/OrvaneEULA.htm"));
    if (file.open(QIODevice::ReadOnly))
        browser->setHtml(QString::fromUtf8(file.readAll()));
    mAccept = new QCheckBox(tr("I accept the above license agreement"));
    mAccept->setObjectName(QStringLiteral("acceptLicence"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(browser);
    layout->addWidget(mAccept);
}

int EULAPage::nextId() const
{
    return WizardPageIds::kConnect;
}

bool EULAPage::validatePage()
{
    if (mAccept->isChecked())
        return true;
    QMessageBox box(QMessageBox::Critical, MessageCatalogue::get().productName,
                    tr("You must accept the license agreement to continue."), QMessageBox::Ok,
                    this);
    box.setObjectName(QStringLiteral("licenceBox"));
    ModalAnswerer::exec(box);
    return false;
}
