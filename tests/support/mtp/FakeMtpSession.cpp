#include "mtp/FakeMtpSession.h"

void FakeMtpSession::restart()
{
    mHandleToObject.clear();
    mObjectToHandle.clear();
    mNextHandle = 1;
}

QString FakeMtpSession::handleOf(quint32 aObject)
{
    quint32 handle = mObjectToHandle.value(aObject);
    if (handle == 0) {
        handle = mNextHandle++;
        mObjectToHandle.insert(aObject, handle);
        mHandleToObject.insert(handle, aObject);
    }
    return QString::number(handle);
}

bool FakeMtpSession::objectOf(const QString& aHandle, quint32& aObject) const
{
    bool ok = false;
    const auto object = mHandleToObject.constFind(aHandle.toUInt(&ok));
    if (!ok || object == mHandleToObject.cend())
        return false;
    aObject = object.value();
    return true;
}
