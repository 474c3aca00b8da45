#pragma once

#include "device/DeviceListObserver.h"

#include <QObject>
#include <QPointer>

class DeviceList;

// Turns device list changes and library events into signals about the connected phone: its
// state (1 connected, 0 none) and the used and free space after a synchronisation.
class AutoRefresher : public QObject, public DeviceListObserver
{
    Q_OBJECT

public:
    explicit AutoRefresher(DeviceList* aDeviceList, QObject* aParent = nullptr);
    ~AutoRefresher() override;

    void start();
    void stop();

    void DeviceListChanged() override;

signals:
    void connectedDeviceStateChanged(int aState, int aPercentComplete);
    void freeSpaceUpdate(qint64 aUsedSpaceAfterSync, qint64 aFreeSpaceAfterSync);

public slots:
    void timeout();
    // The music library changed: the space is worked out again while the refresher runs.
    void libraryChanged();

private:
    QPointer<DeviceList> mDeviceList;
};
