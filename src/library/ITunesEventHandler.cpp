#include "library/ITunesEventHandler.h"

#include "app/DebugLog.h"

using namespace itunes;

ITunesEventHandler::ITunesEventHandler(Callback aCallback)
    : mCallback(std::move(aCallback))
{
}

HResult ITunesEventHandler::connect(IiTunes& aApp)
{
    LogScope scope("ITunesEventHandler::connect");
    std::shared_ptr<IITConnectionPoint> point;
    HResult result = aApp.findConnectionPoint(&point);
    if (failed(result) || !point) {
        logValue("Could not find the event connection point", result);
        return failed(result) ? result : kNoInterface;
    }
    quint32 cookie = 0;
    result = point->advise(this, &cookie);
    if (failed(result)) {
        logValue("Could not advise the event handler", result);
        return result;
    }
    mPoint = std::move(point);
    mCookie = cookie;
    return kOk;
}

void ITunesEventHandler::disconnect()
{
    std::shared_ptr<IITConnectionPoint> point = std::move(mPoint);
    mPoint.reset();
    mCallback = nullptr;
    if (point)
        point->unadvise(mCookie);
}

qint32 ITunesEventHandler::addRef()
{
    return ++mRefCount;
}

qint32 ITunesEventHandler::release()
{
    const qint32 count = --mRefCount;
    if (count == 0) {
        // Unadvising drops the connection point's reference too (the count goes below 0 and
        // nothing more happens), so delete only here.
        std::shared_ptr<IITConnectionPoint> point = std::move(mPoint);
        mPoint.reset();
        if (point)
            point->unadvise(mCookie);
        delete this;
    }
    return count;
}

HResult ITunesEventHandler::invoke(qint32 aDispatchId)
{
    return mCallback ? mCallback(aDispatchId) : kOk;
}
