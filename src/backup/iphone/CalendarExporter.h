#pragma once

#include <QString>
#include <QStringList>

class ExportDatabase;
class ExportQuery;
class ExportXmlWriter;
class ICalendarWriter;

// Writes the events of the phone's calendar databases as "calendar.xml" for the companion app:
// one calendar_entry per event (and per recurrence of it), with its alarms. Handles both the
// newer database layout (CalendarItem with a Location table, alarms keyed by owner_id) and the
// older one (Event, alarms keyed by entity_id).
class CalendarExporter
{
public:
    explicit CalendarExporter(const QStringList& aDatabases);

    // Writes the document to aOutputPath. Returns ExportResult::Ok, DatabaseNotOpened,
    // DatabaseInvalid, SelectionFailed (an entry or alarm selection failed) or OutputNotOpened.
    // Once the result is a failure, no later database is read. No document is written when
    // aOutputPath is empty.
    int generate(const QString& aOutputPath);

    // Each entry also becomes an event of aEvents (opened by the caller; not owned).
    void setEventWriter(ICalendarWriter* aEvents) { mEvents = aEvents; }

private:
    // Writes the entries of one opened database; returns Ok or SelectionFailed.
    int writeDatabase(ExportDatabase& aDatabase, bool aNewerLayout, ExportXmlWriter& aWriter);
    // Writes one calendar_entry; returns Ok or SelectionFailed (its alarms could not be read).
    int writeEntry(ExportQuery& aRow, ExportQuery& aAlarms, bool aAlarmsPrepared,
                   ExportXmlWriter& aWriter);

    QStringList mDatabases;
    ICalendarWriter* mEvents = nullptr;
};
