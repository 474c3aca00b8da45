#pragma once

#include <QByteArray>
#include <QList>

// One field of a BlackBerry backup record: its type and its bytes.
struct BackupField
{
    int mType = 0;
    QByteArray mData;
};

// One record of a BlackBerry backup database, with its fields in file order.
struct BackupRecord
{
    int mDatabaseId = 0;
    int mVersion = 0;
    int mHandle = 0;
    quint32 mUniqueId = 0;
    QList<BackupField> mFields;

    // The data of the last field of aType, or nullptr when the record has none.
    const QByteArray* lastField(int aType) const
    {
        for (auto it = mFields.crbegin(); it != mFields.crend(); ++it) {
            if (it->mType == aType)
                return &it->mData;
        }
        return nullptr;
    }
};
