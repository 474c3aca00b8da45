#pragma once

#include <QStringList>
#include <QWizardPage>

class DeviceList;
class MusicLibrary;
class QComboBox;
class QListWidget;
class QRadioButton;
class SpaceGauge;

// What music (or, in the podcast variant, which podcasts) goes to the phone: everything,
// nothing, or the checked names of a list.
class PlaylistSettingsPage : public QWizardPage
{
    Q_OBJECT

public:
    PlaylistSettingsPage(MusicLibrary* aLibrary, DeviceList* aDeviceList, bool aPodcasts,
                         QWidget* aParent = nullptr);

    int nextId() const override;
    bool isComplete() const override { return mComplete; }

    // The checked names from the last entry to the first; empty unless the second option is
    // checked.
    QStringList playlistNames() const;
    // 1 all, 2 selected, 0 none.
    int podcastSyncSettings() const;
    bool wholeLibrary() const;
    int episodes() const;
    void setPlaylistSettings(bool aWholeLibrary, const QStringList& aNames);
    void setPodcastSettings(int aMode, const QStringList& aNames, int aEpisodes);
    void setCurrent(bool aCurrent);
    void selectWholeLibrary();
    SpaceGauge* gauge() const { return mGauge; }

public slots:
    void playlistsUpdated();

private slots:
    void updated();
    void secondOptionToggled(bool aChecked);

private:
    void fillList();
    void checkNames(const QStringList& aNames);
    void updateGauge();

    MusicLibrary* mLibrary;
    // The library's playlist names as the list shows them.
    QStringList mPlaylists;
    DeviceList* mDeviceList;
    QRadioButton* mFirstOption;
    QRadioButton* mSecondOption;
    QRadioButton* mThirdOption;
    QListWidget* mList;
    bool mPodcasts;
    QComboBox* mEpisodes = nullptr;
    SpaceGauge* mGauge;
    bool mComplete = false;
    qsizetype mPlaylistCount = 0;
};
