#pragma once

class ExportDatabase;
class ExportXmlWriter;
class NoteFilesWriter;

// The notes of a notes store of iOS 9 and later ("NoteStore.sqlite"): notes, folders and
// accounts share ZICCLOUDSYNCINGOBJECT and are told apart by their entity, looked up by name
// in Z_PRIMARYKEY because the numbers differ between iOS versions; the bodies are in
// ZICNOTEDATA. Column sets differ between versions too, so the table's columns are read first.
// Deleted notes and those in "Recently Deleted" are left out; locked notes are written with
// their title and dates and an empty body (they are encrypted and stay so).
class NoteStoreNotes
{
public:
    // Whether aDatabase has this layout.
    static bool isNoteStore(const ExportDatabase& aDatabase);

    // Writes the notes of aDatabase, and a text file each to aFiles when given. Returns
    // ExportResult::Ok or SelectionFailed.
    static int write(ExportDatabase& aDatabase, ExportXmlWriter& aWriter,
                     NoteFilesWriter* aFiles = nullptr);
};
