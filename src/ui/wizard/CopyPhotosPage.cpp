#include "ui/wizard/CopyPhotosPage.h"

#include "ui/MessageCatalogue.h"
#include "ui/ModalAnswerer.h"
#include "ui/wizard/WizardPageIds.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QVBoxLayout>

CopyPhotosPage::CopyPhotosPage(QWidget* aParent) : QWizardPage(aParent)
{
    setObjectName(QStringLiteral("photosPage"));
    setTitle(tr("Copy Photos"));
    auto* layout = new QVBoxLayout(this);
    mDontCopy = new QRadioButton(tr("Do not copy photos"));
    mDontCopy->setChecked(true);
    mCopyFrom = new QRadioButton(tr("Copy photos from:"));
    layout->addWidget(mDontCopy);
    layout->addWidget(mCopyFrom);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(40, 0, 0, 0);
    mFolder = new QLineEdit(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation)
                            + QDir::separator() + QStringLiteral("Blackberry"));
    auto* browseButton = new QPushButton(tr("Browse"));
    row->addWidget(mFolder);
    row->addWidget(browseButton);
    layout->addLayout(row);
    mLabel = new QLabel;
    mLabel->setWordWrap(true);
    mLabel->setOpenExternalLinks(true);
    layout->addWidget(mLabel);
    connect(browseButton, &QPushButton::clicked, this, &CopyPhotosPage::browse);
    connect(mDontCopy, &QRadioButton::toggled, this, &CopyPhotosPage::updated);
    connect(mFolder, &QLineEdit::textChanged, this, &CopyPhotosPage::updated);
    updated();
}

int CopyPhotosPage::nextId() const
{
    return WizardPageIds::kConclusion;
}

bool CopyPhotosPage::isComplete() const
{
    return mDontCopy->isChecked() || QFileInfo(mFolder->text()).isDir();
}

bool CopyPhotosPage::copyPhotos() const
{
    return mCopyFrom->isChecked();
}

QString CopyPhotosPage::folder() const
{
    return mFolder->text();
}

void CopyPhotosPage::browse()
{
    QFileDialog dialog(this, tr("Select Photo Folder"), QDir::homePath());
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (ModalAnswerer::exec(dialog) == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        mFolder->setText(dialog.selectedFiles().constFirst());
}

void CopyPhotosPage::updated()
{
    mLabel->setText(isComplete() ? QString() : MessageCatalogue::get().blackberryPhotos);
    emit completeChanged();
}
