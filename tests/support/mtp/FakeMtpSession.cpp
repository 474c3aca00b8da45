#include "mtp/FakeMtpSession.h"

void FakeMtpSession::restart()
{
    mHandleToObject.clear();
    mObjectToHandle.clear();
    mNextHandle = 1;
}

quint32 FakeMtpSession::handleOf(quint32 aObject)
{
    quint32 handle = mObjectToHandle.value(aObject);
    if (handle == 0) {
        handle = mNextHandle++;
        mObjectToHandle.insert(aObject, handle);
        mHandleToObject.insert(handle, aObject);
    }
    return handle;
}

bool FakeMtpSession::objectOf(quint32 aHandle, quint32& aObject) const
{
    const auto object = mHandleToObject.constFind(aHandle);
    if (object == mHandleToObject.cend())
        return false;
    aObject = object.value();
    return true;
}
