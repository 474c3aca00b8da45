#pragma once

#include "device/DeviceListObserver.h"

#include <QWizardPage>

class DeviceList;
class QListWidget;

// Lists the phones the device list sees and lets the user pick one, or name a folder that is
// to be treated as a phone (a card reader, a phone mounted by the desktop).
class ConnectDevicePage : public QWizardPage, public DeviceListObserver
{
    Q_OBJECT

public:
    ConnectDevicePage(DeviceList* aDeviceList, QWidget* aParent = nullptr);
    int nextId() const override;
    bool isComplete() const override { return mComplete; }
    bool validatePage() override;
    void DeviceListChanged() override;
    void setActive(bool aActive) { mActive = aActive; }

public slots:
    void unableToOpenDevice();
    void useFolderAsPhone();

private slots:
    void selectionChanged();

private:
    void setComplete(bool aComplete);

    DeviceList* mDeviceList;
    bool mComplete = false;
    bool mActive = false;
    bool mUnableToOpenShown = false;
    QListWidget* mList;
};
