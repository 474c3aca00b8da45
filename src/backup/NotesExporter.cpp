#include "backup/NotesExporter.h"

#include "app/DebugLog.h"
#include "backup/CalendarDate.h"
#include "backup/ExportDatabase.h"
#include "backup/ExportDatabaseLoop.h"
#include "backup/ExportResult.h"
#include "backup/ExportXmlWriter.h"

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
        writeNote(rows, aWriter);
    return ExportResult::Ok;
}

void NotesExporter::writeNote(ExportQuery& aRow, ExportXmlWriter& aWriter)
{
    const QString title = orEmpty(aRow.text(QStringLiteral("title")));
    const QString data = orEmpty(aRow.text(QStringLiteral("data")));
    const QString summary = orEmpty(aRow.text(QStringLiteral("summary")));
    const QString creationDate = dateText(aRow, QStringLiteral("creation_date"));
    const QString modificationDate = dateText(aRow, QStringLiteral("modification_date"));

    aWriter.writeStartElement(QStringLiteral("note"));
    aWriter.writeTextElement(QStringLiteral("creation_date"), creationDate);
    aWriter.writeTextElement(QStringLiteral("title"), title);
    aWriter.writeTextElement(QStringLiteral("modification_date"), modificationDate);
    aWriter.writeTextElement(QStringLiteral("data"), data);
    aWriter.writeTextElement(QStringLiteral("summary"), summary);
    aWriter.writeEndElement();
}
