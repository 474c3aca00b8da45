#pragma once

#include <QString>
#include <QStringList>

class ExportDatabase;
class ExportQuery;
class ExportXmlWriter;

// Writes the notes of the phone's notes databases as "notes.xml" for the companion app: one
// note per row, with its dates, title, body (markup kept) and summary. Handles the older
// "notes.db" layout (Note and note_bodies) and the newer Core Data "notes.sqlite" layout
// (ZNOTE and ZNOTEBODY), and the notes store of iOS 9 and later ("NoteStore.sqlite", see
// NoteStoreNotes).
class NotesExporter
{
public:
    // One note as written; a null text is written as an empty element.
    struct Note
    {
        QString creationDate;
        QString title;
        QString modificationDate;
        QString data;
        QString summary;
    };

    explicit NotesExporter(const QStringList& aDatabases);

    // Writes the document to aOutputPath. Returns ExportResult::Ok, DatabaseNotOpened,
    // DatabaseInvalid, SelectionFailed or OutputNotOpened; once the result is a failure, no
    // later database is read. The file is complete up to the failure either way.
    int generate(const QString& aOutputPath);

    // Writes one "note" element with its five elements, always, in the companion app's order.
    static void writeNote(ExportXmlWriter& aWriter, const Note& aNote);

private:
    // Writes the notes of one opened database; returns Ok or SelectionFailed.
    int writeDatabase(ExportDatabase& aDatabase, bool aOlderLayout, ExportXmlWriter& aWriter);
    static void writeNote(ExportQuery& aRow, ExportXmlWriter& aWriter);

    QStringList mDatabases;
};
