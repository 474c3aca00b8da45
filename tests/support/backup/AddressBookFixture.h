#pragma once

#include "backup/ExportFixtureDatabase.h"

#include <QString>
#include <QVariant>

// Builds an address book database (AddressBook.sqlitedb) and its pictures database
// (AddressBookImages.sqlitedb) with the tables an iPhone keeps. The older layout is that of the
// first phones (few person columns, pictures in ABImage); the newer one has the many columns of
// later phones, a guid per multi-value and pictures in ABThumbnailImage. An invalid QVariant is
// stored as NULL.
class AddressBookFixture
{
public:
    enum class Layout { Older, Newer };

    struct Person
    {
        QVariant first;
        QVariant last;
        QVariant middle;
        QVariant organization;
        QVariant birthday;
    };

    // Creates the file at aPath (an existing one is replaced).
    AddressBookFixture(const QString& aPath, Layout aLayout);

    bool isOk() const { return mOk; }
    ExportFixtureDatabase& database() { return mDb; }

    // Returns the person's ROWID.
    qint64 addPerson(const Person& aPerson);
    // A multi-value of the person; aLabel is the label text (NULL for none). Returns its UID.
    qint64 addMultiValue(qint64 aPerson, const QVariant& aProperty, const QVariant& aLabel,
                         const QVariant& aValue);
    // One part of a multi-value (a postal address part); aKey is the key text.
    void addEntry(qint64 aMultiValue, const QString& aKey, const QVariant& aValue);

    // Creates the pictures database at aPath in the given layout.
    static bool createImages(const QString& aPath, Layout aLayout);
    static bool addImage(const QString& aPath, Layout aLayout, qint64 aPerson, int aFormat,
                         const QVariant& aData);

private:
    ExportFixtureDatabase mDb;
    Layout mLayout;
    bool mOk = true;
};
