#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

// One contact as a stock phone's address book takes it, filled by the exporters from an iPhone
// address book or a BlackBerry backup. A label is the source's own: an iPhone label
// ("_$!<Mobile>!$_" or the user's text), or the type word of a BlackBerry item ("mobile").
struct ContactCard
{
    struct Value
    {
        QString mLabel;
        QString mValue;
    };
    struct Address
    {
        QString mLabel;
        QString mStreet;
        QString mCity;
        QString mState;
        QString mZip;
        QString mCountry;
    };

    QString mFirst;
    QString mMiddle;
    QString mLast;
    QString mPrefix;
    QString mSuffix;
    QString mNickname;
    QString mOrganization;
    QString mDepartment;
    QString mTitle;
    QString mNote;
    QDate mBirthday;
    QList<Value> mPhones;
    QList<Value> mEmails;
    QList<Value> mUrls;
    QList<Address> mAddresses;
    // The picture as stored; any format Qt or libheif decodes.
    QByteArray mPhoto;
};
