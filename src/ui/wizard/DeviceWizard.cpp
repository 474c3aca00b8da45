#include "ui/wizard/DeviceWizard.h"

#include "app/DebugLog.h"
#include "device/Device.h"
#include "device/DeviceList.h"
#include "settings/SyncSettings.h"
#include "ui/MessageCatalogue.h"
#include "ui/PhoneFolderSettings.h"
#include "ui/PhoneWait.h"
#include "ui/wizard/ConclusionStartSyncPage.h"
#include "ui/wizard/ConnectDevicePage.h"
#include "ui/wizard/ConvertToMp3Page.h"
#include "ui/wizard/CopyPhotosPage.h"
#include "ui/wizard/DeviceBackupPage.h"
#include "ui/wizard/EULAPage.h"
#include "ui/wizard/IntroPage.h"
#include "ui/wizard/PlaylistSettingsPage.h"
#include "ui/wizard/WizardPageIds.h"

DeviceWizard::DeviceWizard(MusicLibrary* aLibrary, DeviceList* aDeviceList,
                           QWidget* aParent, int aMode)
    : QWizard(aParent), mDeviceList(aDeviceList)
{
    LogScope scope("DeviceWizard::DeviceWizard");
    setObjectName(QStringLiteral("deviceWizard"));
    mFirstRun = SettingsSnapshot::read().state() == SettingsSnapshot::State::Missing;
    using namespace WizardPageIds;
    setPage(kIntro, new IntroPage(aMode));
    if (mFirstRun)
        setPage(kLicence, new EULAPage);
    mConnectPage = new ConnectDevicePage(aDeviceList);
    setPage(kConnect, mConnectPage);
    mPhotosPage = new CopyPhotosPage;
    setPage(kPhotos, mPhotosPage);
    mMusicPage = new PlaylistSettingsPage(aLibrary, aDeviceList, false);
    setPage(kMusic, mMusicPage);
    mPodcastPage = new PlaylistSettingsPage(aLibrary, aDeviceList, true);
    setPage(kPodcasts, mPodcastPage);
    mConvertPage = new ConvertToMp3Page;
    setPage(kConvert, mConvertPage);
    mBackupPage = new DeviceBackupPage;
    setPage(kBackup, mBackupPage);
    mConclusionPage = new ConclusionStartSyncPage(aDeviceList);
    setPage(kConclusion, mConclusionPage);
    setStartId(kIntro);

    setWizardStyle(QWizard::ModernStyle);
    // No Help button: the option is switched on and off again, so helpRequested never fires.
    setOption(QWizard::HaveHelpButton, true);
    setOption(QWizard::HaveHelpButton, false);
    setWindowTitle(MessageCatalogue::get().productName);
    setMinimumWidth(730);

    connect(this, &QWizard::finished, this, &DeviceWizard::saveSettings);
    connect(this, &QWizard::currentIdChanged, this, &DeviceWizard::pageChanged);
    connect(this, &QWizard::helpRequested, this, &DeviceWizard::showHelp);
    connect(this, &QWizard::helpRequested, this, &DeviceWizard::onHelpRequested);
}

bool DeviceWizard::syncNow() const
{
    return mConclusionPage->syncNow() && !mNotConfigured;
}

void DeviceWizard::showHelp()
{
    logMessage("DeviceWizard::showHelp");
}

void DeviceWizard::onHelpRequested()
{
    logMessage("DeviceWizard::onHelpRequested");
}

void DeviceWizard::pageChanged(int aNewPageId)
{
    logMessage("DeviceWizard::pageChanged");
    using namespace WizardPageIds;
    if (aNewPageId == kConnect) {
        mDeviceList->EnableAutoRefresh(mConnectPage);
        mConnectPage->setActive(true);
    } else {
        mDeviceList->DisableAutoRefresh();
        mConnectPage->setActive(false);
    }
    mMusicPage->setCurrent(aNewPageId == kMusic);
    mPodcastPage->setCurrent(aNewPageId == kPodcasts);
    if (aNewPageId == kConclusion)
        mConclusionPage->loadAlbumArtOptions();

    if (!mDeviceList->DeviceIsSelected())
        return;
    logMessage("Device is connected");
    Device* phone = mDeviceList->SelectedDevice();
    const QString id = phone->UniqueDeviceId();
    logValue("deviceName", phone->FriendlyName());
    if (id == mLastDeviceId)
        return;
    const PhoneSettings settings = SettingsSnapshot::read().phone(id);
    if (!settings.isKnown()) {
        mMusicPage->selectWholeLibrary();
    } else {
        mMusicPage->setPlaylistSettings(settings.syncEntireLibrary(), settings.playlists());
        mPodcastPage->setPodcastSettings(settings.podcastSyncSetting(), settings.podcasts(),
                                         settings.numberOfEpisodesToSync());
    }
    mConvertPage->setConvert(settings.convertAacToMp3());
    if (settings.isKnown()) {
        mBackupPage->showStoredChoice(settings.selectedBackupPath(),
                                      {settings.copyTextMessages(), settings.copyAddressBook(),
                                       settings.copyCalendar(), settings.copyPhotos(),
                                       settings.copyNotes()});
    }
    mLastDeviceId = id;
}

void DeviceWizard::saveSettings(int aExitReason)
{
    LogScope scope("DeviceWizard::saveSettings");
    if (aExitReason == QDialog::Rejected) {
        logMessage("Wizard cancelled");
        return;
    }
    if (!mDeviceList->DeviceIsSelected())
        return;
    logMessage("Device is selected");
    Device* phone = mDeviceList->SelectedDevice();
    // Writing the id file is phone work: the window waits without freezing.
    if (!PhoneWait::run(this, *phone, [phone] { phone->SetConfigured(); })
        || phone->UniqueDeviceId() == QLatin1String(Device::kTempDeviceId)) {
        logMessage("The phone was not configured");
        mNotConfigured = true;
        return;
    }
    const QList<Device*>& devices = mDeviceList->GetDevices();
    for (qsizetype i = 0; i < devices.size(); ++i) {
        logValue("device list index: ", int(i));
        logValue("device name: ", devices.at(i)->FriendlyName());
    }
    const QString id = phone->UniqueDeviceId();
    // A fresh load: the file may have changed while the wizard was open.
    SyncSettings settings;
    settings.load();
    // Values no page shows survive the new configuration.
    const PhoneSettings before = settings.snapshot().phone(id);
    const auto photoFolders = before.list(QLatin1String(SettingKeys::kPhotoFoldersList));
    const QString unfinishedRun = before.unfinishedRunStart();
    settings.setConfig(id, phone->FriendlyName(), mMusicPage->wholeLibrary(),
                       mMusicPage->playlistNames(), mPodcastPage->podcastSyncSettings(),
                       mPodcastPage->playlistNames());
    settings.setConvertAacToMp3(id, mConvertPage->convert());
    settings.setEnableArtworkSync(id, mConclusionPage->artForNewTracks());
    settings.setForceArtworkSync(id, mConclusionPage->artForOldTracks());
    settings.setNumberOfEpisodesToSync(id, mPodcastPage->episodes());
    settings.setSelectedBackupPath(id, mBackupPage->selectedBackupPath());
    settings.setCopyTextMessages(id, mBackupPage->copyTextMessages());
    settings.setCopyAddressBook(id, mBackupPage->copyAddressBook());
    settings.setCopyNotes(id, mBackupPage->copyNotes());
    settings.setCopyCalendar(id, mBackupPage->copyCalendar());
    if (!photoFolders.isEmpty())
        settings.setSettingsList(id, QLatin1String(SettingKeys::kPhotoFoldersList), photoFolders);
    settings.setUnfinishedRunStart(id, unfinishedRun);
    settings.setCopyPhotos(id, mBackupPage->copyPhotos());
    // Where a folder phone is, as the command line keeps it, so both find it again.
    const QString folder = PhoneFolderSettings::folderOf(*mDeviceList, phone);
    if (!folder.isEmpty())
        settings.setPhoneFolder(id, folder);
    mBackupDataChosen = mBackupPage->copyTextMessages() || mBackupPage->copyAddressBook()
                        || mBackupPage->copyNotes() || mBackupPage->copyCalendar()
                        || (mPhotosPage->copyPhotos());
    settings.save();
}
