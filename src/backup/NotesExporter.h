#pragma once

#include <QString>
#include <QStringList>

class ExportDatabase;
class ExportQuery;
class ExportXmlWriter;

// Writes the notes of the phone's notes databases as "notes.xml" for the companion app: one
// note per row, with its dates, title, body (markup kept) and summary. Handles the older
// "notes.db" layout (Note and note_bodies) and the newer Core Data "notes.sqlite" layout
// (ZNOTE and ZNOTEBODY).
class NotesExporter
{
public:
    explicit NotesExporter(const QStringList& aDatabases);

    // Writes the document to aOutputPath. Returns ExportResult::Ok, DatabaseNotOpened,
    // DatabaseInvalid, SelectionFailed or OutputNotOpened; once the result is a failure, no
    // later database is read. The file is complete up to the failure either way.
    int generate(const QString& aOutputPath);

private:
    // Writes the notes of one opened database; returns Ok or SelectionFailed.
    int writeDatabase(ExportDatabase& aDatabase, bool aOlderLayout, ExportXmlWriter& aWriter);
    void writeNote(ExportQuery& aRow, ExportXmlWriter& aWriter);

    QStringList mDatabases;
};
