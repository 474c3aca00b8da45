#pragma once

#include <QList>
#include <QString>

// One calendar event as an iCalendar file carries it, filled by the calendar exporter.
struct CalendarEvent
{
    // Unique within the file.
    QString mUid;
    QString mSummary;
    QString mLocation;
    QString mDescription;
    QString mUrl;
    // Seconds since 1970 (UTC).
    qint64 mStart = 0;
    qint64 mEnd = 0;
    // The event's time zone as the phone names it: an IANA name, "_float" for a time that is
    // the same on every clock, or empty.
    QString mTimeZone;
    bool mAllDay = false;
    // "DAILY", "WEEKLY", "MONTHLY", "YEARLY", or empty when the event does not repeat.
    QString mFrequency;
    int mInterval = 1;
    // Seconds since 1970 of the last repetition; 0 when it repeats without end.
    qint64 mRepeatEnd = 0;
    // Seconds relative to the start (negative before it).
    QList<int> mAlarms;
};
