#include "ui/wizard/IntroPage.h"

#include "ui/wizard/WizardPageIds.h"

#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

IntroPage::IntroPage(int aMode, QWidget* aParent) : QWizardPage(aParent)
{
    setObjectName(QStringLiteral("introPage"));
    setTitle(tr("Phone Setup"));
    setPixmap(QWizard::WatermarkPixmap, QPixmap(QStringLiteral(":/images/wizard1.png")));
    QString text;
    switch (aMode) {
    case 0: text = tr("This wizard will help you change your synchronization settings."); break;
    case 1:
        text = tr("A new phone has been detected. This wizard will help you set it up so that it "
                  "can be synchronized.");
        break;
    default:
        text = tr("This wizard will help you set up a phone so that it can be synchronized.");
        break;
    }
    auto* label = new QLabel(text);
    label->setObjectName(QStringLiteral("introText"));
    label->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
}

int IntroPage::nextId() const
{
    return WizardPageIds::kConnect;
}
