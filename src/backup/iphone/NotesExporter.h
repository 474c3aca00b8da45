#pragma once

#include <QString>
#include <QStringList>

class ExportDatabase;
class ExportQuery;
class ExportXmlWriter;
class NoteFilesWriter;

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
        // The note's words without markup; null when data is all there is (then read as HTML).
        QString text = {};
    };

    explicit NotesExporter(const QStringList& aDatabases);

    // Writes the document to aOutputPath. Returns ExportResult::Ok, DatabaseNotOpened,
    // DatabaseInvalid, SelectionFailed or OutputNotOpened; once the result is a failure, no
    // later database is read. The file is complete up to the failure either way.
    // No document is written when aOutputPath is empty.
    int generate(const QString& aOutputPath);

    // Each note also becomes a text file of aFiles (opened by the caller; not owned).
    void setNoteFiles(NoteFilesWriter* aFiles) { mFiles = aFiles; }

    // Writes one "note" element with its five elements, always, in the companion app's order,
    // and the note's text file when aFiles is given.
    static void writeNote(ExportXmlWriter& aWriter, const Note& aNote, NoteFilesWriter* aFiles);

private:
    // Writes the notes of one opened database; returns Ok or SelectionFailed.
    int writeDatabase(ExportDatabase& aDatabase, bool aOlderLayout, ExportXmlWriter& aWriter);
    static void writeNote(ExportQuery& aRow, ExportXmlWriter& aWriter, NoteFilesWriter* aFiles);

    QStringList mDatabases;
    NoteFilesWriter* mFiles = nullptr;
};
