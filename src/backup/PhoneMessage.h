#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// One text message as Android's own message store takes it, filled by the exporters from an
// iPhone or BlackBerry message database.
struct PhoneMessage
{
    // Sent by the phone's owner; otherwise received.
    bool mSent = false;
    // The other side: the sender of a received message, the recipient of a sent one; for a
    // group message the first of mParticipants.
    QString mAddress;
    // Everyone in the conversation but the owner, when there are several (a group message).
    QStringList mParticipants;
    // Milliseconds since 1970.
    qint64 mDate = 0;
    bool mRead = true;
    // Null when the message has no text.
    QString mText;
    // JPEG pictures of the message.
    QList<QByteArray> mPictures;
    // The name the backup's address book gives mAddress; empty when unknown.
    QString mContactName;
};
