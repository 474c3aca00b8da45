#pragma once

#include "backup/ExportFixtureDatabase.h"

#include <QString>
#include <QVariant>

// Builds a notes database with the tables an iPhone keeps, in one of its two layouts: the
// older "notes.db" (Note and note_bodies) or the newer Core Data "notes.sqlite" (ZNOTE and
// ZNOTEBODY). An invalid QVariant is stored as NULL.
class NotesFixture
{
public:
    enum class Layout { Older, Newer };

    // One note. Dates count seconds from 2001-01-01, as the phone stores them; the newer layout
    // keeps the modification date too, although nothing exports it from there.
    struct Note
    {
        QVariant title;
        QVariant summary;
        QVariant body;
        QVariant creationDate;
        QVariant modificationDate;
    };

    // Creates (or replaces) the database file at aPath with the tables of aLayout.
    NotesFixture(const QString& aPath, Layout aLayout);

    // False when the file or one of the statements could not be written.
    bool isOk() const { return mOk; }
    const QString& path() const { return mDb.path(); }

    // Returns the note's key (ROWID or Z_PK), or -1.
    qint64 addNote(const Note& aNote);
    // Any statement, for damaging the database on purpose (dropping a table, raw bytes).
    bool exec(const QString& aSql);

private:
    bool run(const QString& aSql, const QVariantList& aValues, qint64* aInsertId = nullptr);

    ExportFixtureDatabase mDb;
    Layout mLayout;
    bool mOk = true;
};
