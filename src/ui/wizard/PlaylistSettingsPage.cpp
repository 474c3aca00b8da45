#include "ui/wizard/PlaylistSettingsPage.h"

#include "app/DebugLog.h"
#include "device/DeviceList.h"
#include "device/SpaceCalculator.h"
#include "library/MusicLibrary.h"
#include "library/PodcastRamCache.h"
#include "ui/SpaceGauge.h"
#include "ui/wizard/WizardPageIds.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QRadioButton>
#include <QVBoxLayout>

PlaylistSettingsPage::PlaylistSettingsPage(MusicLibrary* aLibrary, DeviceList* aDeviceList,
                                           bool aPodcasts, QWidget* aParent)
    : QWizardPage(aParent), mLibrary(aLibrary), mDeviceList(aDeviceList), mPodcasts(aPodcasts)
{
    setObjectName(aPodcasts ? QStringLiteral("podcastPage") : QStringLiteral("musicPage"));
    setTitle(tr("Phone Setup"));
    auto* layout = new QVBoxLayout(this);
    mThirdOption = new QRadioButton(aPodcasts ? tr("Do not copy podcasts to phone")
                                              : tr("Do not copy music to the phone"));
    mFirstOption = new QRadioButton(aPodcasts ? tr("Copy all podcasts to the phone")
                                              : tr("Copy the complete music library to the phone"));
    mSecondOption = new QRadioButton(
        aPodcasts ? tr("Copy selected podcasts to the phone")
                  : tr("Copy the contents of an existing iTunes playlist to the phone"));
    mFirstOption->setObjectName(QStringLiteral("firstOption"));
    mSecondOption->setObjectName(QStringLiteral("secondOption"));
    mThirdOption->setObjectName(QStringLiteral("thirdOption"));
    layout->addWidget(mThirdOption);
    layout->addWidget(mFirstOption);
    layout->addWidget(mSecondOption);
    mList = new QListWidget;
    mList->setObjectName(QStringLiteral("nameList"));
    mList->setEnabled(false);
    auto* indented = new QVBoxLayout;
    indented->setContentsMargins(40, 0, 0, 0);
    indented->addWidget(mList);
    layout->addLayout(indented);
    if (aPodcasts) {
        layout->addWidget(new QLabel(tr("Episode options:")));
        mEpisodes = new QComboBox;
        mEpisodes->setObjectName(QStringLiteral("episodes"));
        mEpisodes->addItem(tr("Sync all episodes"));
        mEpisodes->addItem(tr("Sync most recent episode only"));
        for (int i = 2; i <= 10; ++i)
            mEpisodes->addItem(tr("Sync most recent %1 episodes only").arg(i));
        auto* comboRow = new QVBoxLayout;
        comboRow->setContentsMargins(40, 0, 0, 0);
        comboRow->addWidget(mEpisodes);
        layout->addLayout(comboRow);
    }
    layout->addWidget(new QLabel(tr("Used and available space on your phone:")));
    mGauge = new SpaceGauge(true);
    layout->addWidget(mGauge);
    (aPodcasts ? mThirdOption : mFirstOption)->setChecked(true);

    for (QRadioButton* option : {mFirstOption, mSecondOption, mThirdOption})
        connect(option, &QRadioButton::toggled, this, &PlaylistSettingsPage::updated);
    connect(mSecondOption, &QRadioButton::toggled, this,
            &PlaylistSettingsPage::secondOptionToggled);
    connect(mList, &QListWidget::itemChanged, this, &PlaylistSettingsPage::updated);
    connect(mList, &QListWidget::itemSelectionChanged, this, &PlaylistSettingsPage::updated);
    connect(mLibrary, &MusicLibrary::libraryChanged, this,
            &PlaylistSettingsPage::playlistsUpdated);

    mLibrary->startWatching();
    mPlaylists = mLibrary->playlistNames();
    mPlaylistCount = mPlaylists.size();
    fillList();
    updated();
}

int PlaylistSettingsPage::nextId() const
{
    return mPodcasts ? WizardPageIds::kConvert : WizardPageIds::kPodcasts;
}

void PlaylistSettingsPage::fillList()
{
    const QStringList checked = playlistNames();
    const int mode = podcastSyncSettings();
    const int episodeIndex = episodes();
    const bool whole = wholeLibrary();
    QStringList names;
    if (mPodcasts)
        PodcastRamCache::instance().podcasts(names);
    else
        names = mPlaylists;
    {
        const QSignalBlocker blocker(mList);
        mList->clear();
        for (const QString& name : names) {
            auto* item = new QListWidgetItem(name, mList);
            item->setData(Qt::UserRole, name);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
            // How much each playlist would take on the phone.
            const qint64 size = mPodcasts ? 0 : mLibrary->playlistSize(name);
            if (size > 0) {
                item->setText(tr("%1 (%2)").arg(
                    name, QLocale().formattedDataSize(size, 1, QLocale::DataSizeSIFormat)));
            }
        }
    }
    if (mPodcasts)
        setPodcastSettings(mode, checked, episodeIndex);
    else
        setPlaylistSettings(whole, checked);
}

QStringList PlaylistSettingsPage::playlistNames() const
{
    QStringList names;
    if (!mSecondOption->isChecked())
        return names;
    for (int i = mList->count() - 1; i >= 0; --i) {
        if (mList->item(i)->checkState() == Qt::Checked)
            names.append(mList->item(i)->data(Qt::UserRole).toString());
    }
    return names;
}

int PlaylistSettingsPage::podcastSyncSettings() const
{
    if (mFirstOption->isChecked())
        return 1;
    return mSecondOption->isChecked() ? 2 : 0;
}

bool PlaylistSettingsPage::wholeLibrary() const
{
    return mFirstOption->isChecked();
}

int PlaylistSettingsPage::episodes() const
{
    return mEpisodes ? mEpisodes->currentIndex() : 0;
}

void PlaylistSettingsPage::checkNames(const QStringList& aNames)
{
    for (int i = mList->count() - 1; i >= 0; --i) {
        QListWidgetItem* item = mList->item(i);
        if (aNames.contains(item->data(Qt::UserRole).toString())) {
            item->setCheckState(Qt::Checked);
            mSecondOption->click();
        } else {
            item->setCheckState(Qt::Unchecked);
        }
    }
}

void PlaylistSettingsPage::setPlaylistSettings(bool aWholeLibrary, const QStringList& aNames)
{
    if (aWholeLibrary)
        mFirstOption->click();
    else if (!aNames.isEmpty())
        checkNames(aNames);
    else
        mThirdOption->click();
}

void PlaylistSettingsPage::setPodcastSettings(int aMode, const QStringList& aNames,
                                              int aEpisodes)
{
    if (mEpisodes && aEpisodes >= 0 && aEpisodes < mEpisodes->count())
        mEpisodes->setCurrentIndex(aEpisodes);
    if (aMode == 1)
        mFirstOption->click();
    else if (aMode != 0)
        checkNames(aNames);
    else
        mThirdOption->click();
}

void PlaylistSettingsPage::selectWholeLibrary()
{
    mFirstOption->click();
}

void PlaylistSettingsPage::secondOptionToggled(bool aChecked)
{
    mList->setEnabled(aChecked);
    mList->clearSelection();
}

void PlaylistSettingsPage::updated()
{
    if (mFirstOption->isChecked())
        logMessage("Copy entire library...");
    else if (mThirdOption->isChecked())
        logMessage("Don't copy...");
    else
        logMessage("Copy playlist");
    bool complete = true;
    if (!mPodcasts && mSecondOption->isChecked()) {
        complete = false;
        for (int i = 0; i < mList->count() && !complete; ++i)
            complete = mList->item(i)->checkState() == Qt::Checked;
    }
    if (complete != mComplete) {
        mComplete = complete;
        emit completeChanged();
    }
    updateGauge();
}

void PlaylistSettingsPage::updateGauge()
{
    qint64 used = 0;
    qint64 freeSpace = 0;
    if (mDeviceList->DeviceIsSelected())
        SpaceCalculator::Calculate(mDeviceList->SelectedDevice(), used, freeSpace);
    mGauge->update(used, freeSpace);
}

void PlaylistSettingsPage::playlistsUpdated()
{
    LogScope scope("PlaylistSettingsPage::playlistsUpdated");
    const QStringList names = mLibrary->playlistNames();
    if (names == mPlaylists)
        return;
    mPlaylists = names;
    fillList();
    mPlaylistCount = mPlaylists.size();
}

void PlaylistSettingsPage::setCurrent(bool aCurrent)
{
    if (!aCurrent)
        return;
    if (mPodcasts) {
        mFirstOption->setEnabled(true);
        mSecondOption->setEnabled(true);
    } else {
        fillList();
    }
    updateGauge();
}
