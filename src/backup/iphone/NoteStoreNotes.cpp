#include "backup/iphone/NoteStoreNotes.h"

#include "app/DebugLog.h"
#include "backup/iphone/CalendarDate.h"
#include "backup/iphone/ExportDatabase.h"
#include "backup/ExportResult.h"
#include "backup/iphone/NoteStoreBody.h"
#include "backup/iphone/NotesExporter.h"

#include <QSqlRecord>

namespace {

const QString kObjects = QStringLiteral("ZICCLOUDSYNCINGOBJECT");
const QString kBodies = QStringLiteral("ZICNOTEDATA");
constexpr int kRecentlyDeletedFolder = 1;

// The entity number Core Data gave aName, or -1.
qint64 entity(ExportDatabase& aDatabase, const QString& aName)
{
    ExportQuery query(aDatabase);
    if (!query.prepare(QStringLiteral("SELECT Z_ENT FROM Z_PRIMARYKEY WHERE Z_NAME = :name")))
        return -1;
    query.bindValue(QStringLiteral(":name"), aName);
    if (!query.exec() || !query.next())
        return -1;
    bool ok = false;
    const qint64 value = query.text(QStringLiteral("Z_ENT")).toLongLong(&ok);
    return ok ? value : -1;
}

// aColumn of aAlias when the table has it, else NULL, named aName.
QString columnOrNull(const QStringList& aColumns, const QString& aAlias, const QString& aColumn,
                     const QString& aName)
{
    const QString value = aColumns.contains(aColumn, Qt::CaseInsensitive)
                              ? aAlias + QLatin1Char('.') + aColumn
                              : QStringLiteral("NULL");
    return value + QStringLiteral(" AS ") + aName;
}

QString selection(const QStringList& aColumns, qint64 aNoteEntity, qint64 aFolderEntity)
{
    const auto has = [&](const char* aColumn) {
        return aColumns.contains(QLatin1String(aColumn), Qt::CaseInsensitive);
    };
    const auto column = [&](const char* aColumn, const char* aName) {
        return columnOrNull(aColumns, QStringLiteral("n"), QLatin1String(aColumn),
                            QLatin1String(aName));
    };
    QString sql = QStringLiteral("SELECT n.Z_PK AS note_key, ") + column("ZTITLE1", "title")
                  + QStringLiteral(", ") + column("ZSNIPPET", "summary") + QStringLiteral(", ")
                  + column("ZMODIFICATIONDATE1", "modification_date") + QStringLiteral(", ")
                  // iOS 15 and later keep the creation date in a column of another number.
                  + column("ZCREATIONDATE3", "creation_date3") + QStringLiteral(", ")
                  + column("ZCREATIONDATE1", "creation_date1") + QStringLiteral(", ")
                  + column("ZISPASSWORDPROTECTED", "locked")
                  + QStringLiteral(", d.ZDATA AS body FROM ") + kObjects + QStringLiteral(" n");
    const bool folders = has("ZFOLDER") && has("ZFOLDERTYPE");
    if (folders) {
        sql += QStringLiteral(" LEFT JOIN ") + kObjects
               + QStringLiteral(" f ON f.Z_PK = n.ZFOLDER");
        if (aFolderEntity >= 0)
            sql += QStringLiteral(" AND f.Z_ENT = ") + QString::number(aFolderEntity);
    }
    sql += QStringLiteral(" LEFT JOIN ") + kBodies + QStringLiteral(" d ON d.ZNOTE = n.Z_PK");
    sql += QStringLiteral(" WHERE n.Z_ENT = ") + QString::number(aNoteEntity);
    if (has("ZMARKEDFORDELETION"))
        sql += QStringLiteral(" AND n.ZMARKEDFORDELETION IS NOT 1");
    if (folders)
        sql += QStringLiteral(" AND f.ZFOLDERTYPE IS NOT ")
               + QString::number(kRecentlyDeletedFolder);
    return sql + QStringLiteral(" ORDER BY n.Z_PK, d.Z_PK");
}

QString dateText(ExportQuery& aRow, const QString& aColumn)
{
    return CalendarDate::toUnixText(aRow.text(aColumn));
}

} // namespace

bool NoteStoreNotes::isNoteStore(const ExportDatabase& aDatabase)
{
    return aDatabase.tables().contains(kObjects);
}

int NoteStoreNotes::write(ExportDatabase& aDatabase, ExportXmlWriter& aWriter,
                          NoteFilesWriter* aFiles)
{
    const qint64 noteEntity = entity(aDatabase, QStringLiteral("ICNote"));
    const qint64 folderEntity = entity(aDatabase, QStringLiteral("ICFolder"));
    logValue("ICNote", noteEntity);
    logValue("ICFolder", folderEntity);
    if (noteEntity < 0) {
        logMessage("No note entity in Z_PRIMARYKEY");
        return ExportResult::SelectionFailed;
    }
    QStringList columns;
    const QSqlRecord record = aDatabase.database().record(kObjects);
    for (int i = 0; i < record.count(); ++i)
        columns << record.fieldName(i);

    ExportQuery rows(aDatabase);
    if (!rows.exec(selection(columns, noteEntity, folderEntity))) {
        logValue("Selection error", rows.lastError());
        return ExportResult::SelectionFailed;
    }
    QString lastKey;
    while (rows.next()) {
        // A note with more than one body row is written once, with the first.
        const QString key = rows.text(QStringLiteral("note_key"));
        if (key == lastKey)
            continue;
        lastKey = key;

        QString creation = QStringLiteral("creation_date3");
        if (rows.isNull(creation))
            creation = QStringLiteral("creation_date1");
        const bool locked = rows.text(QStringLiteral("locked")) == QLatin1String("1");
        QString data = QLatin1String("");
        QString plain = QLatin1String("");
        if (!locked) {
            const QByteArray body = rows.bytes(QStringLiteral("body"));
            const QString text = body.isNull() ? QString() : NoteStoreBody::text(body);
            if (text.isNull() && !body.isNull())
                logValue("Note body unreadable", key);
            if (!text.isNull()) {
                data = NoteStoreBody::toHtml(text);
                plain = text;
            }
        }
        NotesExporter::writeNote(aWriter,
                                 {rows.isNull(creation) ? QString() : dateText(rows, creation),
                                  rows.text(QStringLiteral("title")),
                                  rows.isNull(QStringLiteral("modification_date"))
                                      ? QString()
                                      : dateText(rows, QStringLiteral("modification_date")),
                                  data, rows.text(QStringLiteral("summary")), plain},
                                 aFiles);
    }
    return ExportResult::Ok;
}
