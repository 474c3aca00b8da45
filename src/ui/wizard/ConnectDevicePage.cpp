#include "ui/wizard/ConnectDevicePage.h"

#include "app/DebugLog.h"
#include "device/Device.h"
#include "device/DeviceList.h"
#include "settings/SettingsSnapshot.h"
#include "ui/MessageCatalogue.h"
#include "ui/FolderPhoneChooser.h"
#include "ui/ModalAnswerer.h"
#include "ui/PhoneFolderSettings.h"
#include "ui/UnableToOpenNotice.h"
#include "ui/wizard/WizardPageIds.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

ConnectDevicePage::ConnectDevicePage(DeviceList* aDeviceList, QWidget* aParent)
    : QWizardPage(aParent), mDeviceList(aDeviceList)
{
    setObjectName(QStringLiteral("connectPage"));
    setTitle(tr("Phone Setup"));
    const QPixmap watermark(QStringLiteral(":/images/wizard1.png"));
    setPixmap(QWizard::WatermarkPixmap, watermark);
    setMaximumHeight(watermark.height());
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(tr("<p>Connect your phone to this computer using its USB cable and "
                                "then select it from the list below.</p>"));
    intro->setWordWrap(true);
    layout->addWidget(intro);
    mList = new QListWidget;
    mList->setObjectName(QStringLiteral("phoneList"));
    mList->setMaximumHeight(150);
    layout->addWidget(mList);
    auto* hint = new QLabel(MessageCatalogue::get().connectPageHint);
    hint->setWordWrap(true);
    hint->setOpenExternalLinks(true);
    layout->addWidget(hint);
    auto* row = new QHBoxLayout;
    auto* folderButton = new QPushButton(tr("Use a folder as phone\u2026"));
    folderButton->setObjectName(QStringLiteral("useFolderButton"));
    row->addWidget(folderButton);
    row->addStretch();
    layout->addLayout(row);
    layout->addStretch();
    connect(mList, &QListWidget::currentRowChanged, this, &ConnectDevicePage::selectionChanged);
    connect(folderButton, &QPushButton::clicked, this, &ConnectDevicePage::useFolderAsPhone);
    connect(mDeviceList, &DeviceList::unableToOpenDevice, this,
            &ConnectDevicePage::unableToOpenDevice);
}

int ConnectDevicePage::nextId() const
{
    return WizardPageIds::kMusic;
}

void ConnectDevicePage::setComplete(bool aComplete)
{
    mComplete = aComplete;
    emit completeChanged();
}

void ConnectDevicePage::DeviceListChanged()
{
    LogScope scope("ConnectDevicePage::DeviceListChanged");
    setComplete(false);
    const QSignalBlocker blocker(mList);
    mList->clear();
    const QList<Device*>& devices = mDeviceList->GetDevices();
    for (qsizetype i = 0; i < devices.size(); ++i) {
        logValue("device index", int(i));
        const QString name = devices.at(i)->FriendlyName();
        logValue("friendlyName", name);
        mList->addItem(name);
    }
    // The phone chosen before the list changed stays chosen while it is listed; with none
    // chosen, the phone the window would synchronise is.
    if (!mDeviceList->DeviceIsSelected() && !devices.isEmpty()) {
        Device* known = mDeviceList->ConnectedDevice(SettingsSnapshot::read());
        if (known->IsMounted())
            mDeviceList->SelectDevice(int(devices.indexOf(known)));
    }
    if (mDeviceList->DeviceIsSelected()) {
        mList->setCurrentRow(devices.indexOf(mDeviceList->SelectedDevice()));
        setComplete(mList->currentRow() >= 0);
    }
}

void ConnectDevicePage::selectionChanged()
{
    mDeviceList->SelectDevice(mList->currentRow());
    setComplete(mList->currentRow() >= 0);
}

void ConnectDevicePage::useFolderAsPhone()
{
    LogScope scope("ConnectDevicePage::useFolderAsPhone");
    const QString folder = FolderPhoneChooser::choose(this);
    if (folder.isEmpty())
        return;
    // Remembered with the phone's settings when the wizard is finished.
    mDeviceList->AddPhoneFolder(folder);
    mDeviceList->RefreshDevices();
    PhoneFolderSettings::select(*mDeviceList, folder);
    DeviceListChanged();
}

void ConnectDevicePage::unableToOpenDevice()
{
    if (!mActive || mUnableToOpenShown)
        return;
    mUnableToOpenShown = true;
    UnableToOpenNotice::show(this, mDeviceList->OpenProblems());
}

bool ConnectDevicePage::validatePage()
{
    if (!mDeviceList->DeviceIsSelected())
        return true;
    Device* phone = mDeviceList->SelectedDevice();
    const MessageCatalogue& c = MessageCatalogue::get();
    bool valid = true;
    if (!phone->IsMounted()) {
        logMessage("Device not mounted");
        QMessageBox box(QMessageBox::Warning, c.productName, c.enableUsb, QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("notMountedBox"));
        ModalAnswerer::exec(box);
        valid = false;
    }
    return valid;
}
