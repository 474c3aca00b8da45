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
    // aLibrary is the music library object; its signal "localLibraryEvent()" runs timeout()
    // (queued) and start() calls its slot or invokable "listenForITunesEvents()". Either may
    // be null or lack them; then only device changes drive the refresher.
    AutoRefresher(QObject* aLibrary, DeviceList* aDeviceList, QObject* aParent = nullptr);
    ~AutoRefresher() override;

    void start();
    void stop();

    void DeviceListChanged() override;

signals:
    void connectedDeviceStateChanged(int aState, int aPercentComplete);
    void freeSpaceUpdate(qint64 aUsedSpaceAfterSync, qint64 aFreeSpaceAfterSync);

public slots:
    void timeout();

private:
    QPointer<QObject> mLibrary;
    QPointer<DeviceList> mDeviceList;
};
