#include "backup/iphone/CalendarExporter.h"

#include "app/DebugLog.h"
#include "backup/iphone/CalendarDate.h"
#include "backup/iphone/ExportDatabase.h"
#include "backup/iphone/ExportDatabaseLoop.h"
#include "backup/ExportResult.h"
#include "backup/ExportXmlWriter.h"
#include "backup/ICalendarWriter.h"

#include <QCryptographicHash>

namespace {

const QString kNewerSelection = QStringLiteral(
    "SELECT CalendarItem.ROWID AS entry_rowid, CalendarItem.summary AS summary,\t\t\t\t\t"
    "CalendarItem.description AS description,\t\t\t\t\t"
    "Location.title AS location,\t\t\t\t\t"
    "CalendarItem.start_date AS start_date,\t\t\t\t\t"
    "CalendarItem.end_date AS end_date,\t\t\t\t\t"
    "CalendarItem.start_tz AS start_tz,\t\t\t\t\t"
    "CalendarItem.all_day AS all_day,\t\t\t\t\t"
    "CalendarItem.has_recurrences AS has_recurrences,\t\t\t\t\t"
    "CalendarItem.url AS url,\t\t\t\t\t"
    "Recurrence.frequency AS frequency,\t\t\t\t\t"
    "Recurrence.interval AS interval,\t\t\t\t\t"
    "Recurrence.end_date AS recurrence_end_date \t\t\t\t\t"
    "FROM CalendarItem LEFT OUTER JOIN Recurrence ON CalendarItem.ROWID=Recurrence.owner_id"
    " LEFT OUTER JOIN Location ON CalendarItem.ROWID=item_owner_id\t\t\t\t\t");

const QString kOlderSelection = QStringLiteral(
    "SELECT Event.ROWID AS entry_rowid, Event.summary AS summary, \t\t\t\t\t\t"
    "Event.description AS description, \t\t\t\t\t\t"
    "Event.location AS location, \t\t\t\t\t\t"
    "Event.start_date AS start_date, \t\t\t\t\t\t"
    "Event.end_date AS end_date, \t\t\t\t\t\t"
    "Event.start_tz AS start_tz, \t\t\t\t\t\t"
    "Event.all_day AS all_day, \t\t\t\t\t\t"
    "Recurrence.frequency AS frequency, \t\t\t\t\t\t"
    "Recurrence.interval AS interval, \t\t\t\t\t\t"
    "Recurrence.end_date AS recurrence_end_date \t\t\t\t\t\t"
    "FROM Event LEFT OUTER JOIN Recurrence ON Event.ROWID=Recurrence.event_id \t\t\t\t\t\t");

// The row id is bound rather than pasted into the statement, so that whatever a damaged
// database holds in it stays a value.
const QString kNewerAlarmSelection = QStringLiteral("SELECT * FROM Alarm WHERE owner_id=:owner");
const QString kOlderAlarmSelection = QStringLiteral("SELECT * FROM Alarm WHERE entity_id=:owner");

QString frequencyName(const QString& aFrequency)
{
    if (aFrequency == QLatin1String("1"))
        return QStringLiteral("DAILY");
    if (aFrequency == QLatin1String("2"))
        return QStringLiteral("WEEKLY");
    if (aFrequency == QLatin1String("3"))
        return QStringLiteral("MONTHLY");
    if (aFrequency == QLatin1String("4"))
        return QStringLiteral("YEARLY");
    return QStringLiteral("once");
}

// A non-null empty text, so that a NULL column still gives its (empty) element.
QString orEmpty(const QString& aText)
{
    return aText.isNull() ? QLatin1String("") : aText;
}

} // namespace

CalendarExporter::CalendarExporter(const QStringList& aDatabases) : mDatabases(aDatabases)
{
}

int CalendarExporter::generate(const QString& aOutputPath)
{
    LogScope scope("CalendarExporter::generate");
    const ExportDatabaseLoop loop(mDatabases, QStringLiteral("calendar"),
                                  ExportDatabaseLoop::LogCopy::Always);
    const int result = loop.writeDocument(
        aOutputPath, QStringLiteral("calendar"),
        [this](ExportDatabase& aDatabase, ExportXmlWriter& aWriter) {
            const bool newerLayout = aDatabase.tables().contains(QStringLiteral("Location"));
            logValue("newerLayout", newerLayout ? "true" : "false");
            return writeDatabase(aDatabase, newerLayout, aWriter);
        });
    logReturn(result);
    return result;
}

int CalendarExporter::writeDatabase(ExportDatabase& aDatabase, bool aNewerLayout,
                                    ExportXmlWriter& aWriter)
{
    ExportQuery rows(aDatabase);
    if (!rows.exec(aNewerLayout ? kNewerSelection : kOlderSelection)) {
        logValue("Selection error", rows.lastError());
        return ExportResult::SelectionFailed;
    }

    ExportQuery alarms(aDatabase);
    const bool alarmsPrepared =
        alarms.prepare(aNewerLayout ? kNewerAlarmSelection : kOlderAlarmSelection);

    int result = ExportResult::Ok;
    while (rows.next()) {
        // A failed alarm selection costs that entry its alarms; the remaining entries of this
        // database are still written.
        if (writeEntry(rows, alarms, alarmsPrepared, aWriter) != ExportResult::Ok)
            result = ExportResult::SelectionFailed;
    }
    return result;
}

int CalendarExporter::writeEntry(ExportQuery& aRow, ExportQuery& aAlarms, bool aAlarmsPrepared,
                                 ExportXmlWriter& aWriter)
{
    aWriter.writeStartElement(QStringLiteral("calendar_entry"));

    const QString rowId = aRow.text(QStringLiteral("entry_rowid"));
    const QString summary = aRow.text(QStringLiteral("summary"));
    const QString location = aRow.text(QStringLiteral("location"));
    const QString description = aRow.text(QStringLiteral("description"));
    const QString startDate = aRow.text(QStringLiteral("start_date"));
    const QString endDate = aRow.text(QStringLiteral("end_date"));
    const QString startTz = aRow.text(QStringLiteral("start_tz"));
    const QString allDay = aRow.text(QStringLiteral("all_day"));
    const QString url = aRow.text(QStringLiteral("url"));

    QString frequency = QStringLiteral("once");
    QString interval = QStringLiteral("1");
    QString repeatEndDate;
    const QString frequencyColumn = aRow.text(QStringLiteral("frequency"));
    if (!frequencyColumn.isEmpty()) {
        const QString recurrenceEnd = aRow.text(QStringLiteral("recurrence_end_date"));
        if (!recurrenceEnd.isEmpty() && recurrenceEnd != QLatin1String("0"))
            repeatEndDate = CalendarDate::toUnixText(recurrenceEnd);
        interval = orEmpty(aRow.text(QStringLiteral("interval")));
        frequency = frequencyName(frequencyColumn);
    }

    aWriter.writeTextElement(QStringLiteral("title"), orEmpty(summary));
    aWriter.writeTextElement(QStringLiteral("location"), orEmpty(location));
    aWriter.writeTextElement(QStringLiteral("description"), orEmpty(description));
    aWriter.writeTextElement(QStringLiteral("time_zone"), orEmpty(startTz));
    aWriter.writeTextElement(QStringLiteral("frequency"), frequency);
    aWriter.writeTextElement(QStringLiteral("interval"), interval);
    if (!repeatEndDate.isEmpty())
        aWriter.writeTextElement(QStringLiteral("repeat_end_date"), repeatEndDate);
    aWriter.writeTextElement(QStringLiteral("all_day"), allDay == QLatin1String("1")
                                                            ? QStringLiteral("true")
                                                            : QStringLiteral("false"));
    aWriter.writeTextElement(QStringLiteral("url"), orEmpty(url));
    aWriter.writeTextElement(QStringLiteral("start_date"), CalendarDate::toUnixText(startDate));
    aWriter.writeTextElement(QStringLiteral("end_date"), CalendarDate::toUnixText(endDate));

    CalendarEvent event;
    if (mEvents) {
        event.mUid = QString::fromLatin1(
                         QCryptographicHash::hash((rowId + u'|' + startDate + u'|' + summary).toUtf8(),
                                                  QCryptographicHash::Sha1)
                             .toHex()
                             .left(32))
                     + QStringLiteral("@pellmar");
        event.mSummary = summary;
        event.mLocation = location;
        event.mDescription = description;
        event.mUrl = url;
        event.mStart = CalendarDate::toUnixSeconds(startDate);
        event.mEnd = CalendarDate::toUnixSeconds(endDate);
        event.mTimeZone = startTz;
        event.mAllDay = allDay == QLatin1String("1");
        if (frequency != QLatin1String("once")) {
            event.mFrequency = frequency;
            bool ok = false;
            const int every = interval.toInt(&ok);
            event.mInterval = ok && every > 0 ? every : 1;
            if (!repeatEndDate.isEmpty())
                event.mRepeatEnd = repeatEndDate.toLongLong();
        }
    }

    int result = ExportResult::Ok;
    bool idIsNumber = false;
    const qint64 numericId = rowId.toLongLong(&idIsNumber);
    if (aAlarmsPrepared) {
        aAlarms.bindValue(QStringLiteral(":owner"),
                          idIsNumber ? QVariant(numericId) : QVariant(rowId));
    }
    if (!aAlarmsPrepared || !aAlarms.exec()) {
        logValue("Alarm selection error", aAlarms.lastError());
        result = ExportResult::SelectionFailed;
    } else {
        while (aAlarms.next()) {
            bool ok = false;
            const int seconds = aAlarms.text(QStringLiteral("trigger_interval")).toInt(&ok);
            if (ok) {
                aWriter.writeTextElement(QStringLiteral("alarm"), QString::number(seconds));
                event.mAlarms.append(seconds);
            }
        }
    }

    aWriter.writeEndElement();
    if (mEvents)
        mEvents->write(event);
    return result;
}
