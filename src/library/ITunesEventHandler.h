#pragma once

#include "library/itunes/ITunesAutomation.h"

#include <atomic>
#include <functional>
#include <memory>

// Receives the library's events and hands each one to its owner's callback. Reference counted:
// it starts with one reference (its creator's); the connection point holds another while it is
// connected. When the last reference goes it disconnects and deletes itself.
class ITunesEventHandler final : public itunes::IITEventSink
{
public:
    using Callback = std::function<itunes::HResult(qint32 aDispatchId)>;

    explicit ITunesEventHandler(Callback aCallback);

    // Finds the application's connection point and advises this handler there.
    itunes::HResult connect(itunes::IiTunes& aApp);
    // Unadvises and drops the connection point; no callback is made after this returns.
    void disconnect();
    bool isConnected() const { return mPoint != nullptr; }

    qint32 addRef() override;
    qint32 release() override;
    itunes::HResult invoke(qint32 aDispatchId) override;

private:
    ~ITunesEventHandler() override = default;

    std::atomic<qint32> mRefCount{1};
    Callback mCallback;
    std::shared_ptr<itunes::IITConnectionPoint> mPoint;
    quint32 mCookie = 0;
};
