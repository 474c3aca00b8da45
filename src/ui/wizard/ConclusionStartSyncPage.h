#pragma once

#include <QWizardPage>

class DeviceList;
class QCheckBox;
class QRadioButton;

// The last page: album-art options and whether to synchronise now.
class ConclusionStartSyncPage : public QWizardPage
{
    Q_OBJECT

public:
    ConclusionStartSyncPage(DeviceList* aDeviceList, QWidget* aParent = nullptr);
    int nextId() const override { return -1; }

    // Enables the album-art boxes and, the first time only, sets them from the phone's settings.
    void loadAlbumArtOptions();
    bool artForNewTracks() const;
    bool artForOldTracks() const;
    bool syncNow() const;

private:
    DeviceList* mDeviceList;
    QCheckBox* mArtNew;
    QCheckBox* mArtOld;
    QRadioButton* mSyncNow;
    QRadioButton* mSyncLater;
    bool mAlbumArtLoaded = false;
};
