#include "ui/wizard/ConvertToMp3Page.h"

#include "ui/wizard/WizardPageIds.h"

#include <QLabel>
#include <QPixmap>
#include <QRadioButton>
#include <QVBoxLayout>

ConvertToMp3Page::ConvertToMp3Page(QWidget* aParent) : QWizardPage(aParent)
{
    setObjectName(QStringLiteral("convertPage"));
    setTitle(tr("Phone Setup"));
    setPixmap(QWizard::WatermarkPixmap, QPixmap(QStringLiteral(":/images/wizard1.png")));
    auto* layout = new QVBoxLayout(this);
    auto* question = new QLabel(tr("Is your phone capable of playing AAC files?"));
    question->setWordWrap(true);
    layout->addWidget(question);
    mYes = new QRadioButton(tr("Yes"));
    mNo = new QRadioButton(tr("No"));
    mDontKnow = new QRadioButton(tr("I Don't Know"));
    mDontKnow->setChecked(true);
    mYes->setObjectName(QStringLiteral("yes"));
    mNo->setObjectName(QStringLiteral("no"));
    mDontKnow->setObjectName(QStringLiteral("dontKnow"));
    layout->addWidget(mYes);
    layout->addWidget(mNo);
    layout->addWidget(mDontKnow);
    auto* explanation = new QLabel(
        tr("Your iTunes library may contain tracks in AAC format which are not playable on some "
           "phones.\n\nIf you select \"No\" or \"I Don't Know\" then these tracks will be "
           "converted to MP3 format while they are being copied to your phone (this may "
           "considerably slow down the copying process).\n\n"));
    explanation->setWordWrap(true);
    layout->addWidget(explanation);
}

int ConvertToMp3Page::nextId() const
{
    return WizardPageIds::kBackup;
}

bool ConvertToMp3Page::convert() const
{
    return !mYes->isChecked();
}

void ConvertToMp3Page::setConvert(bool aConvert)
{
    (aConvert ? mDontKnow : mYes)->setChecked(true);
}
