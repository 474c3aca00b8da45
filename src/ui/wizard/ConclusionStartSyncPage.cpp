#include "ui/wizard/ConclusionStartSyncPage.h"

#include "device/Device.h"
#include "device/DeviceList.h"
#include "settings/SettingsSnapshot.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

ConclusionStartSyncPage::ConclusionStartSyncPage(DeviceList* aDeviceList, QWidget* aParent)
    : QWizardPage(aParent), mDeviceList(aDeviceList)
{
    setObjectName(QStringLiteral("conclusionPage"));
    setTitle(tr("Phone Setup"));
    setFinalPage(true);
    auto* layout = new QVBoxLayout(this);
    auto* art = new QGroupBox(tr("Album Art"));
    auto* artLayout = new QVBoxLayout(art);
    mArtNew = new QCheckBox(tr("Synchronize album art for newly added tracks"));
    mArtNew->setObjectName(QStringLiteral("artNew"));
    mArtOld = new QCheckBox(tr("Synchronize album art for previously added tracks"));
    mArtOld->setObjectName(QStringLiteral("artOld"));
    artLayout->addWidget(mArtNew);
    artLayout->addWidget(mArtOld);
    layout->addWidget(art);
    auto* options = new QGroupBox(tr("Synchronization Options"));
    auto* optionsLayout = new QVBoxLayout(options);
    mSyncNow = new QRadioButton(tr("Sync now"));
    mSyncNow->setObjectName(QStringLiteral("syncNow"));
    mSyncNow->setChecked(true);
    mSyncLater = new QRadioButton(tr("Sync later"));
    mSyncLater->setObjectName(QStringLiteral("syncLater"));
    optionsLayout->addWidget(mSyncNow);
    optionsLayout->addWidget(mSyncLater);
    layout->addWidget(options);
    layout->addStretch();
}

void ConclusionStartSyncPage::loadAlbumArtOptions()
{
    mArtNew->setEnabled(true);
    mArtOld->setEnabled(true);
    if (mAlbumArtLoaded || !mDeviceList->DeviceIsSelected())
        return;
    mAlbumArtLoaded = true;
    const QString id = mDeviceList->SelectedDevice()->UniqueDeviceId();
    const PhoneSettings phone = SettingsSnapshot::read().phone(id);
    mArtNew->setChecked(phone.enableArtworkSync());
    mArtOld->setChecked(phone.forceArtworkSync());
}

bool ConclusionStartSyncPage::artForNewTracks() const { return mArtNew->isChecked(); }
bool ConclusionStartSyncPage::artForOldTracks() const { return mArtOld->isChecked(); }
bool ConclusionStartSyncPage::syncNow() const { return mSyncNow->isChecked(); }
