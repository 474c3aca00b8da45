#include "ui/SyncStatusPanel.h"

#include "tracks/SyncState.h"
#include "ui/MessageCatalogue.h"
#include "ui/SpaceGauge.h"
#include "ui/SyncSummaryView.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace {

QLabel* centredLabel(const QString& aName, QWidget* aParent)
{
    auto* label = new QLabel(aParent);
    label->setObjectName(aName);
    label->setAlignment(Qt::AlignHCenter);
    label->setWordWrap(true);
    // Links go to the window, which shows the address where no browser starts.
    label->setOpenExternalLinks(false);
    return label;
}

} // namespace

SyncStatusPanel::SyncStatusPanel(QWidget* aParent) : QWidget(aParent)
{
    setObjectName(QStringLiteral("statusPanel"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    mStatusLabel = centredLabel(QStringLiteral("statusLabel"), this);
    mHintLabel = centredLabel(QStringLiteral("hintLabel"), this);
    mNoticeLabel = centredLabel(QStringLiteral("noticeLabel"), this);
    mNoticeLabel->hide();
    mProgressBar = new QProgressBar(this);
    mProgressBar->setObjectName(QStringLiteral("progressBar"));
    mProgressBar->setTextVisible(false);
    mGauge = new SpaceGauge(false, this);
    mGauge->hide();
    mSummary = new SyncSummaryView(this);
    for (QWidget* widget : std::initializer_list<QWidget*>{
             mStatusLabel, mHintLabel, mNoticeLabel, mProgressBar, mGauge, mSummary})
        layout->addWidget(widget);
    mProgressBar->setRange(0, 0);
    mProgressBar->setValue(0);
}

void SyncStatusPanel::setTexts(const QString& aStatus, const QString& aHint)
{
    mStatusLabel->setText(aStatus);
    mHintLabel->setText(aHint);
}

void SyncStatusPanel::setNotice(const QString& aText)
{
    mNoticeLabel->setText(aText);
    mNoticeLabel->setVisible(!aText.isEmpty());
}

void SyncStatusPanel::setBusyProgress(bool aReset)
{
    mProgressBar->setRange(0, 0);
    mProgressBar->setValue(0);
    if (aReset)
        mProgressBar->reset();
}

void SyncStatusPanel::setIdleProgress()
{
    mProgressBar->setRange(0, 100);
    mProgressBar->reset();
}

void SyncStatusPanel::showStateWidgets(int aState)
{
    switch (aState) {
    case SyncState::NoPhone:
    case SyncState::NoSettings:
        mGauge->show();
        mGauge->disable();
        mProgressBar->hide();
        break;
    case SyncState::PhoneReady:
    case SyncState::Finished:
    case SyncState::FinishedWithErrors:
    case SyncState::NotConfigured:
    case SyncState::Cancelled:
        mGauge->show();
        mGauge->enable();
        mProgressBar->hide();
        break;
    default:
        if (aState >= SyncState::ScanningLibrary && aState < SyncState::End) {
            mGauge->hide();
            mProgressBar->show();
        }
        break;
    }
}

bool SyncStatusPanel::busyTexts(int aState, QString& aStatus, QString& aHint, bool& aReset)
{
    const MessageCatalogue& c = MessageCatalogue::get();
    struct Row
    {
        int mState;
        const QString* mStatus;
        const QString* mHint;
        bool mReset;
    };
    const Row rows[] = {{SyncState::ScanningLibrary, &c.scanningLibrary, &c.pleaseWait, true},
                        {SyncState::Preparing, &c.preparing, nullptr, true},
                        {SyncState::PreparingToDelete, &c.preparingDelete, nullptr, true},
                        {SyncState::CheckingAlbumArt, &c.checkingAlbumArt, nullptr, true},
                        {SyncState::Deleting, &c.deleting, nullptr, false},
                        {SyncState::Cancelling, &c.cancelling, &c.pleaseWait, true},
                        {SyncState::Playlists, &c.updatingPlaylists, nullptr, false}};
    for (const Row& row : rows) {
        if (row.mState != aState)
            continue;
        aStatus = *row.mStatus;
        aHint = row.mHint ? *row.mHint : QString();
        aReset = row.mReset;
        return true;
    }
    return false;
}
