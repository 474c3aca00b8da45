#pragma once

#include "backup/blackberry/PersonItem.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

struct BackupRecord;

// Turns the contact fields (type 10) of a BlackBerry "Address Book - All" record into the lines
// of one person: e-mail, phones, organisation and web page in subfield order, then the name
// parts, then the home and the work address.
class ContactSubfieldDecoder
{
public:
    static constexpr int kContactFieldType = 10;

    static QList<PersonItem> person(const BackupRecord& aRecord);
    // The items of one contact field, appended to aItems.
    static void decodeField(const QByteArray& aField, QList<PersonItem>& aItems);
    // The text of one subfield: aCharacterSet is -1 for Latin-1 up to the first zero byte,
    // 0 for UTF-8, 1 for UTF-16 big-endian; any other set gives a null string.
    static QString decodeString(QByteArrayView aData, int aCharacterSet);
};
