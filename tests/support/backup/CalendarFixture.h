#pragma once

#include "backup/ExportFixtureDatabase.h"

#include <QString>
#include <QVariant>

// Builds a calendar database with the tables an iPhone keeps, in one of its two layouts:
// the newer one (CalendarItem, Location, alarms keyed by owner_id) or the older one (Event with
// its own location column, alarms keyed by entity_id). An invalid QVariant is stored as NULL.
class CalendarFixture
{
public:
    enum class Layout { Newer, Older };

    // One event. Dates count seconds from 2001-01-01, as the phone stores them.
    struct Event
    {
        QVariant summary;
        QVariant location;
        QVariant description;
        QVariant startDate;
        QVariant endDate;
        QVariant startTz;
        QVariant allDay;
        QVariant url;
    };

    // Creates (or replaces) the database file at aPath with the tables of aLayout.
    CalendarFixture(const QString& aPath, Layout aLayout);

    // False when the file or one of the statements could not be written.
    bool isOk() const { return mOk; }
    const QString& path() const { return mDb.path(); }

    // Returns the event's ROWID, or -1.
    qint64 addEvent(const Event& aEvent);
    void addRecurrence(qint64 aOwner, const QVariant& aFrequency, const QVariant& aInterval,
                       const QVariant& aEndDate);
    void addAlarm(qint64 aOwner, const QVariant& aTriggerInterval);
    // Any statement, for damaging the database on purpose (dropping a table, raw bytes).
    bool exec(const QString& aSql);

private:
    bool run(const QString& aSql, const QVariantList& aValues);

    ExportFixtureDatabase mDb;
    Layout mLayout;
    bool mOk = true;
};
