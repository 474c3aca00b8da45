#pragma once

#include "backup/CalendarEvent.h"

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>

struct icalcomponent_impl;
typedef struct icalcomponent_impl icalcomponent;

// Writes events as an iCalendar 2.0 file (RFC 5545) through libical: one VEVENT per event with
// UID, DTSTAMP, DTSTART and DTEND (dates for all-day events, else the time in the event's own
// zone with that zone's VTIMEZONE, floating for a floating event, UTC where the zone is unknown),
// SUMMARY, LOCATION, DESCRIPTION, URL, an RRULE when it repeats and a VALARM per alarm. The
// calendar is built in memory and written by finish().
class ICalendarWriter
{
public:
    explicit ICalendarWriter(const QString& aPath);
    ~ICalendarWriter();

    ICalendarWriter(const ICalendarWriter&) = delete;
    ICalendarWriter& operator=(const ICalendarWriter&) = delete;

    // Creates the file (so that an unwritable place shows at once) and the calendar.
    bool open();
    bool isOpen() const { return mCalendar != nullptr; }
    QString path() const { return mPath; }

    // Nothing while not open.
    void write(const CalendarEvent& aEvent);
    // Writes the calendar to the file and closes it; false when it could not be written.
    bool finish();
    int count() const { return mCount; }

    // The time DTSTAMP gives every event (the moment of the export by default).
    void setStamp(const QDateTime& aStamp) { mStamp = aStamp; }

private:
    // The zone's VTIMEZONE is added once; false when libical does not know the zone.
    bool addZone(const QString& aZone);

    QString mPath;
    icalcomponent* mCalendar = nullptr;
    // The events, added to the calendar after its zones when it is written.
    QList<icalcomponent*> mEvents;
    QSet<QString> mZones;
    QSet<QString> mUids;
    QDateTime mStamp;
    int mCount = 0;
};
