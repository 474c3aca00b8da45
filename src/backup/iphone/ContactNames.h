#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// The names the backup's address book gives phone numbers and e-mail addresses, so that a
// message file can name its correspondents. Numbers are matched by their digits (the address
// book keeps "+44 7700 900123" where the messages have "+447700900123"), and by their last nine
// digits when only the country code differs; e-mail addresses without regard to case.
class ContactNames
{
public:
    // Reads the address book databases; one that cannot be read adds no names.
    void load(const QStringList& aDatabases);
    void add(const QString& aAddress, const QString& aName);

    // The name for a number or address; empty when none is known or several names share it.
    QString nameOf(const QString& aAddress) const;
    bool isEmpty() const { return mNames.isEmpty(); }

private:
    static QString key(const QString& aAddress);
    static QString tail(const QString& aKey);

    QHash<QString, QString> mNames;
    // Names by the last nine digits; an empty name where two people share them.
    QHash<QString, QString> mTails;
};
