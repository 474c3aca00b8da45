#include "ui/SyncUi.h"

#include "app/DebugLog.h"
#include "device/Device.h"
#include "device/DeviceType.h"
#include "device/mtp/LibMtpBackend.h"
#include "device/mtp/MtpPhoneRefresher.h"
#include "library/LibrarySetting.h"
#include "library/PodcastRamCache.h"
#include "settings/SyncSettings.h"
#include "sync/SyncSession.h"
#include "tracks/SyncState.h"
#include "ui/AfterRunNotices.h"
#include "ui/FolderPhoneChooser.h"
#include "ui/HelpLink.h"
#include "ui/HttpHelpRequest.h"
#include "ui/MessageCatalogue.h"
#include "ui/ModalAnswerer.h"
#include "ui/UnableToOpenNotice.h"
#include "ui/UnfinishedRunNotice.h"
#include "ui/PhoneFolderSettings.h"
#include "ui/RunQuestions.h"
#include "ui/SpaceGauge.h"
#include "ui/SyncPreview.h"
#include "ui/SyncControls.h"
#include "ui/SyncStatusPanel.h"
#include "ui/SyncSummaryView.h"
#include "ui/SyncUiFrontEnd.h"
#include "ui/UpdateDialog.h"
#include "ui/UsbEjectWarning.h"
#include "ui/WebHost.h"
#include "ui/wizard/DeviceWizard.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

SyncUi::SyncUi(QWidget* aParent, const QString& aSystemRoot)
    : QWidget(aParent), mFrontEnd(std::make_unique<SyncUiFrontEnd>(*this)),
      mDeviceList(std::make_unique<DeviceList>(nullptr, aSystemRoot))
{
    LogScope scope("SyncUi::SyncUi");
    setObjectName(QStringLiteral("syncUi"));
    PhoneFolderSettings::addAllTo(*mDeviceList);
    // MTP phones through libmtp; a window over a laid-out system tree (tests) has none.
    if (aSystemRoot.isEmpty()) {
        mDeviceList->SetDeviceRefresher(
            std::make_unique<MtpPhoneRefresher>(std::make_shared<LibMtpBackend>()));
    }
    // A slow or hung phone folder must never freeze the window.
    mDeviceList->CheckInBackground(true);
    mAutoRefresher = std::make_unique<AutoRefresher>(mDeviceList.get());
    connect(&mLibrary, &MusicLibrary::libraryChanged, mAutoRefresher.get(),
            &AutoRefresher::libraryChanged, Qt::QueuedConnection);
    mLibrary.startWatching();

    MessageCatalogue::build();
    const MessageCatalogue& c = MessageCatalogue::get();
    setWindowTitle(c.productName);
    setMinimumWidth(500);

    auto* layout = new QVBoxLayout(this);
    mPanel = new SyncStatusPanel(this);
    layout->addWidget(mPanel);
    mStatusLabel = mPanel->statusLabel();
    mHintLabel = mPanel->hintLabel();
    mProgressBar = mPanel->progressBar();
    mSpaceGauge = mPanel->gauge();
    mSummary = mPanel->summary();
    mPanel->setTexts(c.pleaseWaitITunes, c.pleaseWaitITunesHint);
    mControls = new SyncControls(this);
    layout->addWidget(mControls);
    mSettingsButton = mControls->settingsButton();
    mHelpButton = mControls->helpButton();
    mPreviewButton = mControls->previewButton();
    mSyncButton = mControls->syncButton();
    mStopButton = mControls->stopButton();
    mFolderButton = mControls->folderButton();
    mForceFull = mControls->forceFull();

    SetSyncingButtons();

    mITunesNotice.setObjectName(QStringLiteral("iTunesNotice"));
    mITunesNotice.setWindowTitle(c.productName);
    mITunesNotice.setModal(false);

    connect(mSyncButton, &QPushButton::clicked, this, &SyncUi::startSync);
    connect(mSettingsButton, &QPushButton::clicked, this, [this] { changeSettings(); });
    connect(mHelpButton, &QPushButton::clicked, this, &SyncUi::onHelpClicked);
    connect(mStopButton, &QPushButton::clicked, this, &SyncUi::stopSync);
    connect(mPreviewButton, &QPushButton::clicked, this, &SyncUi::previewSync);
    connect(mFolderButton, &QPushButton::clicked, this, &SyncUi::useFolderAsPhone);
    connect(mStatusLabel, &QLabel::linkActivated, this, &SyncUi::helpLinkClicked);
    connect(mHintLabel, &QLabel::linkActivated, this, &SyncUi::helpLinkClicked);
    connect(&mLibrary, &MusicLibrary::readFailed, this, &SyncUi::iTunesFailure);
    connect(&mLibrary, &MusicLibrary::readSucceeded, this, &SyncUi::iTunesOkay);
    connect(&mLibrary, &MusicLibrary::backgroundReadFinished, this,
            &SyncUi::libraryInitialiseFinished);
    connect(&mWaitTimer, &QTimer::timeout, this, &SyncUi::waitExpired);
    connect(&mProgressRelay, &ProgressRelay::progress, this,
            qOverload<int, int>(&SyncUi::UpdateProgress));
    connect(&mProgressRelay, &ProgressRelay::trackProgress, this,
            qOverload<int, int, QString>(&SyncUi::UpdateProgress));
    connect(mAutoRefresher.get(), &AutoRefresher::connectedDeviceStateChanged, this,
            qOverload<int, int>(&SyncUi::UpdateProgress));
    connect(mAutoRefresher.get(), &AutoRefresher::freeSpaceUpdate, mSpaceGauge,
            &SpaceGauge::update);
    connect(&mUpdateWatcher, &SoftwareUpdateWatcher::updateInfoFound, this,
            &SyncUi::softwareUpdateInfoFound);
    connect(mDeviceList.get(), &DeviceList::unableToOpenDevice, this, &SyncUi::unableToOpenDevice);
    connect(&PodcastRamCache::instance(), &PodcastRamCache::updated, this,
            &SyncUi::podcastNamesUpdated);

    mWaitTimer.setSingleShot(true);
    mWaitTimer.start(kWaitMs);
}

SyncUi::~SyncUi()
{
    // The plan reads the phone and the library: it ends before they go.
    mPreview.reset();
    // The run borrows the phone, which the device list owns: the run goes first (its end is
    // awaited).
    mSession.reset();
    mAutoRefresher.reset();
}

// ---- Start-up ---------------------------------------------------------------------------

void SyncUi::waitExpired()
{
    LogScope scope("SyncUi::waitExpired");
    mProgressBar->setRange(0, 0);
    mProgressBar->reset();
    mLibrary.readInBackground();
}

void SyncUi::iTunesStarted()
{
    LogScope scope("SyncUi::iTunesStarted");
    UpdateProgress(SyncState::ScanningLibrary, 0);
    bringToFront();
    PodcastRamCache::instance().start();
}

void SyncUi::libraryInitialiseFinished(bool aReadable)
{
    LogScope scope("SyncUi::libraryInitialiseFinished");
    if (aReadable) {
        LibrarySetting::keepFirstPick(mLibrary.location());
        iTunesStarted();
        return;
    }
    // Linux has no iTunes that could be started: without a readable library file the window
    // would wait for ever, so the user is asked for the file.
    logMessage("Library not found - asking the user");
    const MessageCatalogue& c = MessageCatalogue::get();
    mStatusLabel->setText(QStringLiteral("<p>%1</p><p><a href=\"%2\">%3</a></p>")
                              .arg(c.libraryNotFound.toHtmlEscaped(),
                                   QLatin1String(kChooseLibraryLink),
                                   c.chooseLibrary.toHtmlEscaped()));
    mHintLabel->clear();
    mProgressBar->setRange(0, 100);
    mProgressBar->reset();
}

void SyncUi::chooseLibrary()
{
    LogScope scope("SyncUi::chooseLibrary");
    if (RunQuestions::chooseLibrary(this).isEmpty())
        return;
    mStatusLabel->setText(MessageCatalogue::get().pleaseWaitITunes);
    mProgressBar->setRange(0, 0);
    mLibrary.readInBackground();
}

void SyncUi::podcastNamesUpdated()
{
    LogScope scope("SyncUi::podcastNamesUpdated");
    // The cache also refreshes after the start; only the first report starts the window.
    if (mState != SyncState::ScanningLibrary)
        return;
    UpdateProgress(SyncState::NoPhone, 0);
    if (SettingsSnapshot::read().state() == SettingsSnapshot::State::Missing) {
        logMessage("Config not found - go to setup wizard");
        changeSettings(kModeFirstRun);
    } else {
        mUpdateWatcher.getUpdateInfo(WebHost::updateAddress());
    }
}

void SyncUi::bringToFront()
{
    show();
    raise();
    activateWindow();
}

// ---- Buttons ------------------------------------------------------------------------------

void SyncUi::SetRegularButtons()
{
    mControls->setRegular();
}

void SyncUi::SetSyncingButtons()
{
    mControls->setSyncing(mSession && mSession->isRunning(), mStopRequested);
}


// ---- State display ------------------------------------------------------------------------

void SyncUi::UpdateProgress(int a_state, int a_percent_complete)
{
    LogScope scope("SyncUi::UpdateProgress");
    logValue("a_state", a_state);
    logValue("a_percent_complete", a_percent_complete);
    if (SyncState::isIdle(mState) && mShutdownRequested) {
        logMessage("Shutting down due to earlier shutdown request");
        close();
        return;
    }
    // A stopped run's last steps still report; the window goes on saying that it stops.
    if (mStopRequested && !SyncState::isIdle(a_state) && a_state < SyncState::End)
        a_state = SyncState::Cancelling;
    const int previous = mState;
    const bool changed = a_state != mState;
    mState = a_state;
    if (changed && a_state == SyncState::Finished && mSession) {
        UnfinishedRunNotice::markFinished(mSession->device()->UniqueDeviceId());
        // A full resynchronization is asked for one run, not for every run after it.
        mForceFull->setChecked(false);
    }
    if (changed && SyncState::isIdle(a_state))
        mStopRequested = false;
    if (changed && mSession
        && (a_state == SyncState::Finished || a_state == SyncState::FinishedWithErrors
            || a_state == SyncState::Cancelled))
        mSummary->showRun(mSession->result(), a_state);
    showStateWidgets(a_state);
    showStateTexts(a_state, a_percent_complete, previous, changed);
    if (SyncState::isIdle(a_state) && changed)
        showUnfinishedRunNotice();
    if (SyncState::isIdle(a_state) && mShutdownRequested && isVisible()) {
        logMessage("Shutting down due to earlier shutdown request");
        close();
    }
}

void SyncUi::showUnfinishedRunNotice()
{
    const bool phone = mState != SyncState::NoPhone && mDeviceList->DeviceIsConnected();
    const SettingsSnapshot settings = SettingsSnapshot::read();
    const QString text = UnfinishedRunNotice::text(
        settings, phone ? mDeviceList->ConnectedDevice(settings)->UniqueDeviceId() : QString());
    mPanel->setNotice(text);
}

void SyncUi::UpdateProgress(int a_state, int a_percent_complete, QString aTrackName)
{
    logValue("a_state", a_state);
    logValue("a_percent_complete", a_percent_complete);
    logValue("aTrackName", aTrackName);
    UpdateProgress(a_state, a_percent_complete);
    mHintLabel->setText(aTrackName);
}

void SyncUi::showStateWidgets(int aState)
{
    if (aState < SyncState::NoPhone || aState >= SyncState::End || aState == SyncState::Busy)
        return;
    mFolderButton->setVisible(aState == SyncState::NoPhone);
    mPanel->showStateWidgets(aState);
    if (aState >= SyncState::ScanningLibrary)
        mForceFull->setEnabled(false);
    else if (aState != SyncState::NoPhone && aState != SyncState::NoSettings)
        mForceFull->setEnabled(true);
}

void SyncUi::showStateTexts(int aState, int aPercent, int aPrevious, bool aChanged)
{
    const MessageCatalogue& c = MessageCatalogue::get();
    // The idle states that end with the auto-refresher watching the phones again.
    const auto idle = [&](const QString& aStatus, const QString& aHint) {
        mPanel->setTexts(aStatus, aHint);
        SetRegularButtons();
        mPanel->setIdleProgress();
        if (aChanged)
            mAutoRefresher->start();
    };
    QString status;
    QString hint;
    bool reset = false;
    if (SyncStatusPanel::busyTexts(aState, status, hint, reset)) {
        mPanel->setTexts(status, hint);
        SetSyncingButtons();
        mPanel->setBusyProgress(reset);
        return;
    }
    switch (aState) {
    case SyncState::NoPhone:
        mPanel->setTexts(c.connectPhone, c.phoneNotDetectedHint);
        mPanel->setIdleProgress();
        SetRegularButtons();
        mSyncButton->setEnabled(false);
        mPreviewButton->setEnabled(false);
        if (aChanged)
            mAutoRefresher->start();
        break;
    case SyncState::PhoneReady:
        // A phone appearing during a run must not touch the run's texts and buttons.
        if (aPrevious != SyncState::NoPhone && aPrevious != SyncState::PhoneReady)
            break;
        mPanel->setTexts(c.phoneReady,
                         mDeviceList->DeviceIsConnected()
                             ? mDeviceList->ConnectedDevice(SettingsSnapshot::read())->FriendlyName()
                             : QString());
        SetRegularButtons();
        mPanel->setIdleProgress();
        if (aChanged)
            mAutoRefresher->start();
        showPhoneProblems();
        break;
    case SyncState::Finished: {
        // A run that left tracks behind is never called complete; the summary says why.
        const qsizetype left = mSession ? mSession->result().mNotCopied.size() : 0;
        idle(left > 0 ? c.syncEndedNotCopied : c.syncComplete, QString());
        afterSyncSteps(left == 0);
        break;
    }
    case SyncState::FinishedWithErrors:
        // A run that failed is never reported as complete.
        idle(c.syncNotFinished, c.errorsDetected);
        afterSyncSteps(false);
        break;
    case SyncState::NotConfigured:
    case SyncState::NoSettings: changeSettings(kModeNewPhone); break;
    case SyncState::Cancelled: idle(c.syncCancelled, QString()); break;
    case SyncState::Copying:
        mPanel->setTexts(c.copying, QString());
        SetSyncingButtons();
        mProgressBar->setRange(0, 100);
        if (aPercent == 0)
            mProgressBar->reset();
        else
            mProgressBar->setValue(aPercent);
        break;
    case SyncState::CopyingPhotos:
    case SyncState::ConvertingVideo:
        mPanel->setTexts(aState == SyncState::CopyingPhotos ? c.copyingPhotos : c.convertingVideo,
                         QString());
        SetSyncingButtons();
        mPanel->setBusyProgress(false);
        break;
    default: break;
    }
}

void SyncUi::showPhoneProblems()
{
    if (!mDeviceList->DeviceIsConnected())
        return;
    const SettingsSnapshot settings = SettingsSnapshot::read();
    Device* phone = mDeviceList->ConnectedDevice(settings);
    const MessageCatalogue& c = MessageCatalogue::get();
    const QString folder = PhoneFolderSettings::folderOf(*mDeviceList, phone);
    const int folderState =
        folder.isEmpty() ? 0 : mDeviceList->MountedState(folder + QLatin1Char('/'));
    // A folder phone whose folder the checker found gone: no USB advice, it is not a phone.
    if (folderState == MountedChecker::kNotMounted) {
        mPanel->setTexts(c.folderGone.arg(QDir::toNativeSeparators(folder)), c.folderGoneHint);
        mSyncButton->setEnabled(false);
        mPreviewButton->setEnabled(false);
        mSpaceGauge->disable();
        return;
    }
    // Not checked yet; an answer that changes nothing in the list is not reported.
    if (!folder.isEmpty() && folderState == 0) {
        QTimer::singleShot(500, this, [this] {
            if (mState == SyncState::PhoneReady)
                showPhoneProblems();
        });
    }
    if (!phone->IsMounted())
        return;
    // A phone never set up opens the wizard by itself, once per phone and start.
    const QString id = phone->UniqueDeviceId();
    if (id.isEmpty() || mWizardOffered.contains(id) || phone->IsConfigured(settings))
        return;
    mWizardOffered.insert(id);
    QTimer::singleShot(0, this, [this] {
        if (mState == SyncState::PhoneReady && !mShutdownRequested && isVisible())
            changeSettings(kModeNewPhone);
    });
}

void SyncUi::useFolderAsPhone()
{
    LogScope scope("SyncUi::useFolderAsPhone");
    const QString folder = FolderPhoneChooser::choose(this);
    if (folder.isEmpty())
        return;
    mAutoRefresher->stop();
    mDeviceList->AddPhoneFolder(folder);
    mDeviceList->RefreshDevices();
    if (Device* phone = PhoneFolderSettings::select(*mDeviceList, folder))
        mWizardOffered.insert(phone->UniqueDeviceId());
    changeSettings(kModeNewPhone);
}

void SyncUi::afterSyncSteps(bool aComplete)
{
    if (!mShutdownRequested)
        AfterRunNotices::show(this, mSession ? &mSession->result() : nullptr,
                              mFrontEnd->keyringPasswordOf(), *mDeviceList, aComplete);
}

// ---- Synchronisation ----------------------------------------------------------------------

void SyncUi::startSync()
{
    LogScope scope("SyncUi::startSync");
    mAutoRefresher->stop();
    const SettingsSnapshot settings = SettingsSnapshot::read();
    if (mDeviceList->DeviceIsConnected()) {
        logMessage("Device is connected");
        if (!mDeviceList->ConnectedDevice(settings)->IsMounted()) {
            mFrontEnd->phoneNotMounted(*mDeviceList->ConnectedDevice(settings));
            return;
        }
    }
    mDeviceList->RefreshDevices();
    if (mDeviceList->DeviceIsConnected())
        logMessage("Device is connected");
    mSession.reset();
    mDeviceList->RefreshDevices();
    if (!mDeviceList->DeviceIsConnected()) {
        logMessage("Device not connected - unexpected");
        return;
    }
    Device* phone = mDeviceList->ConnectedDevice(settings);
    // Checks the phone (set up, not in another run) and takes its run lock, or says why not.
    auto session = std::make_unique<SyncSession>(&mLibrary, *mFrontEnd);
    if (!session->begin(phone, mDeviceList->ParentOf(phone), settings))
        return;
    mSession = std::move(session);
    connect(mSession.get(), qOverload<int, int>(&SyncSession::ProgressUpdate), &mProgressRelay,
            &ProgressRelay::report, Qt::DirectConnection);
    connect(mSession.get(), qOverload<int, int, QString>(&SyncSession::ProgressUpdate),
            &mProgressRelay, &ProgressRelay::reportTrack, Qt::DirectConnection);
    mFrontEnd->forgetKeyringPassword();
    mSyncButton->setEnabled(false);
    mStopRequested = false;
    mSummary->clear();
    UnfinishedRunNotice::markStarted(phone->UniqueDeviceId());
    mPanel->setNotice(QString());
    mSession->start(mForceFull->isChecked());
}

void SyncUi::previewSync()
{
    LogScope scope("SyncUi::previewSync");
    if (mPreview || (mSession && mSession->isRunning()) || !mDeviceList->DeviceIsConnected())
        return;
    Device* phone = mDeviceList->ConnectedDevice(SettingsSnapshot::read());
    if (!phone->IsMounted())
        return;
    // No refresh may replace the phone's objects while the plan reads them.
    mAutoRefresher->stop();
    SetSyncingButtons();
    mPanel->setTexts(MessageCatalogue::get().previewing, phone->FriendlyName());
    mPanel->setBusyProgress(true);
    mPanel->showStateWidgets(SyncState::Preparing);
    mPreview = std::make_unique<SyncPreview>(&mLibrary, phone, mForceFull->isChecked(),
                                             phone->FriendlyName());
    connect(mPreview.get(), &SyncPreview::ready, this, &SyncUi::showPreview,
            Qt::QueuedConnection);
    mPreview->start();
}

void SyncUi::showPreview()
{
    LogScope scope("SyncUi::showPreview");
    const std::unique_ptr<SyncPreview> preview = std::move(mPreview);
    mPanel->setIdleProgress();
    if (!mShutdownRequested)
        preview->showDialog(this);
    // The refresher's first report redraws the phone's state from scratch.
    mState = SyncState::NoPhone;
    mAutoRefresher->start();
}

void SyncUi::stopSync()
{
    LogScope scope("SyncUi::stopSync");
    if (!mSession || !mSession->isRunning())
        return;
    mStopRequested = true;
    mSession->Cancel();
    UpdateProgress(SyncState::Cancelling, 0);
}

void SyncUi::changeSettings(int aMode)
{
    LogScope scope("SyncUi::changeSettings");
    logValue("mode", aMode);
    bool syncNow = false;
    bool helpRequest = false;
    bool backupPage = false;
    {
        DeviceWizard wizard(&mLibrary, mDeviceList.get(), this, aMode);
        if (ModalAnswerer::exec(wizard) == QDialog::Accepted) {
            syncNow = wizard.syncNow();
            helpRequest = wizard.firstRun();
            backupPage = wizard.backupDataChosen();
        }
    }
    mAutoRefresher->stop();
    mDeviceList->RefreshDevices();
    if (!syncNow) {
        mAutoRefresher->start();
        return;
    }
    if (helpRequest) {
        // Lives until the program ends; its answer is dropped.
        auto* request = new HttpHelpRequest(this);
        if (backupPage)
            request->requestBackupAndItunesPage();
        else
            request->requestItunesOnlyPage();
    }
    logMessage("Sync now...");
    startSync();
}

void SyncUi::notEnoughSpace(qint64 aAdditionalSpaceRequired)
{
    LogScope scope("SyncUi::notEnoughSpace");
    if (!RunQuestions::goOnWithoutSpace(this, aAdditionalSpaceRequired) && mSession)
        mSession->Cancel();
}

// ---- Library health and other slots -------------------------------------------------------

void SyncUi::iTunesFailure()
{
    if (mITunesFailureCount > kFailuresBeforeNotice) {
        mITunesNotice.setText(MessageCatalogue::get().iTunesStopped);
        mITunesNotice.show();
        mITunesFailureCount = 0;
    }
    ++mITunesFailureCount;
}

void SyncUi::iTunesOkay()
{
    mITunesFailureCount = 0;
    mITunesNotice.hide();
}

void SyncUi::unableToOpenDevice()
{
    LogScope scope("SyncUi::unableToOpenDevice");
    if (mUnableToOpenShown)
        return;
    mUnableToOpenShown = true;
    UnableToOpenNotice::show(this, mDeviceList->OpenProblems());
}

void SyncUi::onHelpClicked()
{
    HelpLink::open(this, MessageCatalogue::get().helpAddress);
}

void SyncUi::helpLinkClicked(QString aLink)
{
    LogScope scope("SyncUi::helpLinkClicked");
    logValue("aLink", aLink);
    if (aLink == QLatin1String(kChooseLibraryLink)) {
        chooseLibrary();
    } else if (aLink.startsWith(QLatin1String("http"))) {
        HelpLink::open(this, aLink);
    } else if (aLink == QLatin1String("ituneshelp")) {
        RunQuestions::tellAboutITunes(this);
    }
}

void SyncUi::softwareUpdateInfoFound()
{
    LogScope scope("SyncUi::softwareUpdateInfoFound");
    UpdateDialog::offer(this, mUpdateWatcher);
}

void SyncUi::closeEvent(QCloseEvent* aEvent)
{
    LogScope scope("SyncUi::closeEvent");
    const bool running = mSession && mSession->isRunning();
    if (!mShutdownRequested && running && !SyncState::isIdle(mState)
        && !RunQuestions::stopForClose(this)) {
        logMessage("Close refused - the run goes on");
        aEvent->ignore();
        return;
    }
    mShutdownRequested = true;
    if (SyncState::isIdle(mState)) {
        logMessage("App is not busy - exit now");
        aEvent->accept();
    } else {
        logMessage("App is busy - so don't shut down yet");
        mStopRequested = true;
        UpdateProgress(SyncState::Cancelling, 0);
        aEvent->ignore();
    }
    if (mSession)
        mSession->Cancel();
}
