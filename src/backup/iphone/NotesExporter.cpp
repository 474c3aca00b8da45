#include "backup/iphone/NotesExporter.h"

#include "app/DebugLog.h"
#include "backup/iphone/CalendarDate.h"
#include "backup/iphone/ExportDatabase.h"
#include "backup/iphone/ExportDatabaseLoop.h"
#include "backup/ExportResult.h"
#include "backup/ExportXmlWriter.h"
#include "backup/NoteFilesWriter.h"
#include "backup/iphone/NoteStoreNotes.h"

#include <QDateTime>

namespace {

const QString kOlderSelection =
    QStringLiteral("SELECT * FROM Note INNER JOIN note_bodies ON Note.ROWID=note_bodies.note_id");

// The companion app gets no modification date from this layout.
const QString kNewerSelection = QStringLiteral(
    "SELECT ZNOTE.ZCREATIONDATE AS creation_date, ZNOTE.ZSUMMARY AS summary,"
    " ZNOTE.ZTITLE AS title, ZNOTEBODY.ZCONTENT AS data FROM ZNOTE INNER JOIN ZNOTEBODY"
    " ON ZNOTE.ZBODY=ZNOTEBODY.Z_PK");

QString orEmpty(const QString& aText)
{
    return aText.isNull() ? QLatin1String("") : aText;
}

// A converted date, or an empty text when the column is NULL or absent.
QString dateText(ExportQuery& aRow, const QString& aColumn)
{
    if (aRow.isNull(aColumn))
        return QLatin1String("");
    return CalendarDate::toUnixText(aRow.text(aColumn));
}

} // namespace

NotesExporter::NotesExporter(const QStringList& aDatabases) : mDatabases(aDatabases)
{
}

int NotesExporter::generate(const QString& aOutputPath)
{
    LogScope scope("NotesExporter::generate");
    const ExportDatabaseLoop loop(mDatabases, QStringLiteral("notes"),
                                  ExportDatabaseLoop::LogCopy::Always);
    const int result = loop.writeDocument(
        aOutputPath, QStringLiteral("notes"),
        [this](ExportDatabase& aDatabase, ExportXmlWriter& aWriter) {
            const bool olderLayout = aDatabase.tables().contains(QStringLiteral("note_bodies"));
            logValue("olderLayout", olderLayout ? "true" : "false");
            if (!olderLayout && NoteStoreNotes::isNoteStore(aDatabase)) {
                logMessage("Note store layout");
                return NoteStoreNotes::write(aDatabase, aWriter, mFiles);
            }
            return writeDatabase(aDatabase, olderLayout, aWriter);
        });
    logReturn(result);
    return result;
}

int NotesExporter::writeDatabase(ExportDatabase& aDatabase, bool aOlderLayout,
                                 ExportXmlWriter& aWriter)
{
    ExportQuery rows(aDatabase);
    if (!rows.exec(aOlderLayout ? kOlderSelection : kNewerSelection)) {
        logValue("Selection error", rows.lastError());
        return ExportResult::SelectionFailed;
    }
    while (rows.next())
        writeNote(rows, aWriter, mFiles);
    return ExportResult::Ok;
}

void NotesExporter::writeNote(ExportQuery& aRow, ExportXmlWriter& aWriter, NoteFilesWriter* aFiles)
{
    writeNote(aWriter, {dateText(aRow, QStringLiteral("creation_date")),
                        aRow.text(QStringLiteral("title")),
                        dateText(aRow, QStringLiteral("modification_date")),
                        aRow.text(QStringLiteral("data")), aRow.text(QStringLiteral("summary"))},
              aFiles);
}

void NotesExporter::writeNote(ExportXmlWriter& aWriter, const Note& aNote,
                              NoteFilesWriter* aFiles)
{
    aWriter.writeStartElement(QStringLiteral("note"));
    aWriter.writeTextElement(QStringLiteral("creation_date"), orEmpty(aNote.creationDate));
    aWriter.writeTextElement(QStringLiteral("title"), orEmpty(aNote.title));
    aWriter.writeTextElement(QStringLiteral("modification_date"), orEmpty(aNote.modificationDate));
    aWriter.writeTextElement(QStringLiteral("data"), orEmpty(aNote.data));
    aWriter.writeTextElement(QStringLiteral("summary"), orEmpty(aNote.summary));
    aWriter.writeEndElement();
    if (aFiles) {
        const QString when =
            aNote.modificationDate.isEmpty() ? aNote.creationDate : aNote.modificationDate;
        bool known = false;
        const qint64 seconds = when.toLongLong(&known);
        const QString text =
            aNote.text.isNull() ? NoteFilesWriter::plainText(orEmpty(aNote.data)) : aNote.text;
        aFiles->write(aNote.title, text,
                      known ? QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC) : QDateTime());
    }
}
