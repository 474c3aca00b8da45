#pragma once

#include "backup/ExportFixtureDatabase.h"

#include <QByteArray>
#include <QString>
#include <QVariant>

// Builds a notes store as iOS 9 and later keep it ("NoteStore.sqlite"): notes, folders and
// accounts in ZICCLOUDSYNCINGOBJECT, told apart by entity numbers listed in Z_PRIMARYKEY (which
// differ between versions, as here), bodies in ZICNOTEDATA as gzip-compressed protobuf. The
// body encoder is written apart from the exporter's reader, so that a mistake in one cannot
// hide one in the other.
class NoteStoreFixture
{
public:
    enum class Version {
        Ios13, // creation date in ZCREATIONDATE1
        Ios16, // creation date in ZCREATIONDATE3, ZCREATIONDATE1 left NULL
    };

    enum class Compression { Gzip, Zlib };

    struct Note
    {
        QVariant title;
        QVariant snippet;
        QVariant text; // a string is encoded as a body; a QByteArray is stored as given
        QVariant created;
        QVariant modified;
        qint64 folder = 0; // 0: the default folder
        bool locked = false;
        bool markedForDeletion = false;
    };

    NoteStoreFixture(const QString& aPath, Version aVersion);

    bool isOk() const { return mOk; }
    const QString& path() const { return mDb.path(); }
    ExportFixtureDatabase& database() { return mDb; }

    // A folder of the account; aType 1 is "Recently Deleted". Returns its Z_PK.
    qint64 addFolder(const QString& aTitle, int aType);
    qint64 addNote(const Note& aNote);

    // The stored form of a note body with aText.
    static QByteArray body(const QString& aText, Compression aCompression = Compression::Gzip);
    // The protobuf document alone, before compression.
    static QByteArray document(const QString& aText);
    static QByteArray compress(const QByteArray& aData, Compression aCompression);

    // Entity numbers this fixture's version gives.
    qint64 noteEntity() const;
    qint64 folderEntity() const;

private:
    bool run(const QString& aSql, const QVariantList& aValues);

    ExportFixtureDatabase mDb;
    Version mVersion;
    qint64 mDefaultFolder = 0;
    bool mOk = true;
};
