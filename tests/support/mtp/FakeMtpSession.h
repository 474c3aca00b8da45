#pragma once

#include <QHash>

// The object handles one session of a phone has issued. A phone numbers its objects from 1
// in the order a session meets them (lists or creates them); a new session starts afresh, so
// a handle kept from an earlier session names nothing or another object.
class FakeMtpSession
{
public:
    // A new session: no handle issued yet.
    void restart();
    // The handle of an object, issued on first sight.
    quint32 handleOf(quint32 aObject);
    // The object a handle of this session names; false when it names none.
    bool objectOf(quint32 aHandle, quint32& aObject) const;

private:
    QHash<quint32, quint32> mHandleToObject;
    QHash<quint32, quint32> mObjectToHandle;
    quint32 mNextHandle = 1;
};
