#include "ui/SyncWarningDialog.h"

#include "tracks/Track.h"
#include "ui/MessageCatalogue.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QUrl>
#include <QVBoxLayout>

SyncWarningDialog::SyncWarningDialog(QWidget* aParent, const QList<Track>& aTracks, int aKind)
    : QDialog(aParent)
{
    setObjectName(QStringLiteral("syncWarningDialog"));
    setModal(true);
    setMinimumWidth(500);
    setMaximumWidth(500);
    setWindowTitle(MessageCatalogue::get().productName);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(textForKind(aKind));
    label->setObjectName(QStringLiteral("warningText"));
    label->setWordWrap(true);
    connect(label, &QLabel::linkActivated, this, &SyncWarningDialog::linkActivated);
    layout->addWidget(label);
    auto* list = new QListWidget;
    list->setObjectName(QStringLiteral("trackList"));
    for (const Track& track : aTracks)
        list->addItem(track.trackName());
    layout->addWidget(list);
    auto* check = new QCheckBox(QStringLiteral("Do not show this warning again"));
    check->setObjectName(QStringLiteral("dontShowAgain"));
    connect(check, &QCheckBox::stateChanged, this, &SyncWarningDialog::dontShowAgainStateChanged);
    layout->addWidget(check);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

QString SyncWarningDialog::textForKind(int aKind)
{
    const MessageCatalogue& c = MessageCatalogue::get();
    switch (aKind) {
    case kNotCopiedFolder: return c.notCopiedFolder;
    case kNotCopiedOther: return c.notCopiedOther;
    case kCopyProtected: return c.drmWarning;
    default: return QString();
    }
}

void SyncWarningDialog::dontShowAgainStateChanged(int aNewState)
{
    mDontShowAgain = aNewState == Qt::Checked;
}

void SyncWarningDialog::linkActivated(const QString& aLink)
{
    QDesktopServices::openUrl(QUrl(aLink));
}
