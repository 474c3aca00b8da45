#pragma once

#include "device/AutoRefresher.h"
#include "device/DeviceList.h"
#include "library/MusicLibrary.h"
#include "ui/ProgressRelay.h"
#include "ui/SoftwareUpdateWatcher.h"

#include <QMessageBox>
#include <QSet>
#include <QTimer>
#include <QWidget>

#include <memory>

class Device;
class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class SpaceGauge;
class SyncControls;
class SyncPreview;
class SyncStatusPanel;
class SyncSession;
class SyncSummaryView;
class SyncUiFrontEnd;

// The main window: shows the connected phone and what a synchronisation is doing, starts
// synchronisations (a SyncSession; SyncUiFrontEnd asks its questions), opens the setup wizard.
// One state number,
// received through UpdateProgress, drives what it shows; states below 7 are idle, 7 and above
// busy.
class SyncUi : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kWaitMs = 500;
    // Consecutive library failures before the "stopped responding" notice shows.
    static constexpr int kFailuresBeforeNotice = 60;
    // Modes of the wizard.
    static constexpr int kModeSettingsButton = 0;
    static constexpr int kModeNewPhone = 1;
    static constexpr int kModeFirstRun = 3;
    // The status label's link that lets the user point at the library file.
    static constexpr const char* kChooseLibraryLink = "choose-library";

    // aSystemRoot prefixes /proc and /sys for the device list (tests); empty for the system.
    explicit SyncUi(QWidget* aParent = nullptr, const QString& aSystemRoot = QString());
    ~SyncUi() override;

    int state() const { return mState; }
    DeviceList& deviceList() { return *mDeviceList; }
    MusicLibrary& library() { return mLibrary; }
    // The current or last run; none before the first.
    SyncSession* syncSession() const { return mSession.get(); }
    AutoRefresher& autoRefresher() { return *mAutoRefresher; }
    SoftwareUpdateWatcher& updateWatcher() { return mUpdateWatcher; }
    int iTunesFailureCount() const { return mITunesFailureCount; }
    const QMessageBox& iTunesNotice() const { return mITunesNotice; }

public slots:
    void startSync();
    void changeSettings(int aMode = kModeSettingsButton);
    void UpdateProgress(int a_state, int a_percent_complete);
    void UpdateProgress(int a_state, int a_percent_complete, QString aTrackName);
    void iTunesStarted();
    void podcastNamesUpdated();
    void waitExpired();
    void onHelpClicked();
    void softwareUpdateInfoFound();
    void helpLinkClicked(QString aLink);
    // Asks whether the run goes on without enough space; stops it when not.
    void notEnoughSpace(qint64 aAdditionalSpaceRequired);
    void iTunesFailure();
    void iTunesOkay();
    void unableToOpenDevice();
    // The library's first read ended; without a library the user is asked for the file.
    void libraryInitialiseFinished(bool aReadable);
    void chooseLibrary();
    // Stops the run at its next cancellation point: the track being copied is finished or
    // removed, nothing half-written stays.
    void stopSync();
    // Works out what a synchronisation of the connected phone would do and shows it.
    void previewSync();
    // Lets the user pick a folder to use as a phone and opens the wizard for it.
    void useFolderAsPhone();

protected:
    void closeEvent(QCloseEvent* aEvent) override;

private:
    friend class SyncUiFrontEnd;

    void SetRegularButtons();
    void SetSyncingButtons();
    void showStateWidgets(int aState);
    void showStateTexts(int aState, int aPercent, int aPrevious, bool aChanged);
    void afterSyncSteps(bool aComplete);
    void bringToFront();
    // Shows, below the hint, that the last run of the connected phone (or of any phone, with
    // none connected) did not finish.
    void showUnfinishedRunNotice();
    void showPreview();
    // In the phone-ready state: a folder phone that is gone, or a phone never set up.
    void showPhoneProblems();

    QTimer mWaitTimer;
    // The run's progress, thinned to what the window can draw.
    ProgressRelay mProgressRelay;
    SyncStatusPanel* mPanel;
    SyncControls* mControls;
    QProgressBar* mProgressBar;
    SpaceGauge* mSpaceGauge;
    SyncSummaryView* mSummary;
    QPushButton* mSyncButton;
    QPushButton* mSettingsButton;
    QPushButton* mHelpButton;
    QPushButton* mStopButton;
    QPushButton* mPreviewButton;
    QPushButton* mFolderButton;
    QLabel* mStatusLabel;
    QLabel* mHintLabel;
    std::unique_ptr<SyncUiFrontEnd> mFrontEnd;
    std::unique_ptr<SyncSession> mSession;
    std::unique_ptr<SyncPreview> mPreview;
    std::unique_ptr<DeviceList> mDeviceList;
    MusicLibrary mLibrary;
    int mState = -1;
    QCheckBox* mForceFull;
    std::unique_ptr<AutoRefresher> mAutoRefresher;
    SoftwareUpdateWatcher mUpdateWatcher;
    QMessageBox mMessageBox;
    QMessageBox mITunesNotice;
    bool mShutdownRequested = false;
    // The user stopped the run: its busy states show as "Cancelling" until it has ended.
    bool mStopRequested = false;
    int mITunesFailureCount = 0;
    bool mUnableToOpenShown = false;
    // Phones for which the wizard opened by itself since the start.
    QSet<QString> mWizardOffered;
};
