#pragma once

#include <QList>
#include <QPair>
#include <QString>

// One line of a contact as address.xml carries it: a text element when mType is null, else an
// element with the attributes "type" and "value" and one text element per entry.
struct PersonItem
{
    QString mName;
    QString mType;
    QString mValue;
    QList<QPair<QString, QString>> mEntries;
};
