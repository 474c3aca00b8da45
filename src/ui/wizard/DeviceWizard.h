#pragma once

#include <QWizard>

class ConclusionStartSyncPage;
class ConnectDevicePage;
class ConvertToMp3Page;
class CopyPhotosPage;
class DeviceBackupPage;
class DeviceList;
class MusicLibrary;
class PlaylistSettingsPage;

// Configures one phone: which phone, what music and podcasts, which backup data, album art, and
// whether to synchronise now. Accepted, it writes the phone's whole configuration; cancelled,
// it writes nothing.
class DeviceWizard : public QWizard
{
    Q_OBJECT

public:
    DeviceWizard(MusicLibrary* aLibrary, DeviceList* aDeviceList, QWidget* aParent,
                 int aMode);

    bool syncNow() const;
    bool firstRun() const { return mFirstRun; }
    bool backupDataChosen() const { return mBackupDataChosen; }

    ConnectDevicePage* connectPage() const { return mConnectPage; }
    PlaylistSettingsPage* musicPage() const { return mMusicPage; }
    PlaylistSettingsPage* podcastPage() const { return mPodcastPage; }
    DeviceBackupPage* backupPage() const { return mBackupPage; }
    ConclusionStartSyncPage* conclusionPage() const { return mConclusionPage; }

public slots:
    void showHelp();
    void saveSettings(int aExitReason);
    void pageChanged(int aNewPageId);
    void onHelpRequested();

private:
    ConnectDevicePage* mConnectPage;
    DeviceBackupPage* mBackupPage;
    CopyPhotosPage* mPhotosPage;
    PlaylistSettingsPage* mMusicPage;
    PlaylistSettingsPage* mPodcastPage;
    ConvertToMp3Page* mConvertPage;
    ConclusionStartSyncPage* mConclusionPage;
    QString mLastDeviceId;
    DeviceList* mDeviceList;
    bool mFirstRun = false;
    bool mBackupDataChosen = false;
    // Writing the phone's id was cancelled or failed: nothing was stored, nothing to sync.
    bool mNotConfigured = false;
};
