#include "backup/CalendarFixture.h"

namespace {

// The columns of the phone's tables that matter here, plus a few of the others so that the
// exporter has to pick its columns out of a realistic row.
const char* const kNewerSchema[] = {
    "CREATE TABLE Calendar (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, title TEXT, flags INTEGER,"
    " color TEXT, type TEXT)",
    "CREATE TABLE CalendarItem (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, summary TEXT,"
    " location_id INTEGER, description TEXT, start_date REAL, start_tz TEXT, end_date REAL,"
    " all_day INTEGER, calendar_id INTEGER, orig_item_id INTEGER, orig_date REAL,"
    " organizer_id INTEGER, self_attendee_id INTEGER, status INTEGER, invitation_status INTEGER,"
    " availability INTEGER, privacy_level INTEGER, url TEXT, last_modified REAL,"
    " sequence_num INTEGER, birthday_id INTEGER, modified_properties INTEGER,"
    " external_tracking_status INTEGER, external_id TEXT, external_mod_tag TEXT,"
    " unique_identifier TEXT, external_schedule_id TEXT, external_rep BLOB,"
    " response_comment TEXT, hidden INTEGER, has_recurrences INTEGER, has_attendees INTEGER,"
    " UUID TEXT, entity_type INTEGER, priority INTEGER, due_date REAL, due_tz TEXT,"
    " due_all_day INTEGER, completion_date REAL, creation_date REAL)",
    "CREATE TABLE Location (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, title TEXT, address TEXT,"
    " latitude REAL, longitude REAL, reference_frame INTEGER, radius REAL,"
    " item_owner_id INTEGER, external_id TEXT)",
    "CREATE TABLE Recurrence (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, frequency INTEGER,"
    " interval INTEGER, week_start INTEGER, count INTEGER, cached_end_date REAL,"
    " cached_end_date_tz TEXT, end_date REAL, specifier TEXT, by_month_months INTEGER,"
    " owner_id INTEGER, external_id TEXT, UUID TEXT)",
    "CREATE TABLE Alarm (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, trigger_date INTEGER,"
    " trigger_interval INTEGER, type INTEGER, proximity INTEGER, disabled INTEGER,"
    " owner_id INTEGER, external_id TEXT, UUID TEXT, acknowledged_date REAL)",
};

const char* const kOlderSchema[] = {
    "CREATE TABLE Calendar (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, title TEXT, flags INTEGER,"
    " color TEXT)",
    "CREATE TABLE Event (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, summary TEXT, location TEXT,"
    " description TEXT, start_date INTEGER, start_tz TEXT, end_date INTEGER, all_day INTEGER,"
    " calendar_id INTEGER, orig_event_id INTEGER, orig_start_date INTEGER,"
    " organizer_id INTEGER, organizer_is_self INTEGER, organizer_external_id TEXT,"
    " self_attendee_status INTEGER, status INTEGER, availability INTEGER,"
    " privacy_level INTEGER, url TEXT, last_modified INTEGER, sequence_num INTEGER,"
    " birthday_id INTEGER, modified_properties INTEGER, external_tracking_status INTEGER,"
    " external_id TEXT, external_mod_tag TEXT, unique_identifier TEXT,"
    " external_schedule_id TEXT, external_rep BLOB, response_comment TEXT, hidden INTEGER,"
    " has_recurrences INTEGER, has_attendees INTEGER)",
    "CREATE TABLE Recurrence (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, frequency INTEGER,"
    " interval INTEGER, week_start INTEGER, count INTEGER, cached_end_date INTEGER,"
    " cached_end_date_tz TEXT, end_date INTEGER, specifier TEXT, by_month_months INTEGER,"
    " event_id INTEGER, external_id TEXT, UUID TEXT)",
    "CREATE TABLE Alarm (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, trigger_date INTEGER,"
    " trigger_interval INTEGER, type INTEGER, disabled INTEGER, entity_id INTEGER,"
    " external_id TEXT)",
};

} // namespace

CalendarFixture::CalendarFixture(const QString& aPath, Layout aLayout)
    : mDb(aPath, ExportFixtureDatabase::File::Replace), mLayout(aLayout)
{
    if (!mDb.isOpen()) {
        mOk = false;
        return;
    }
    if (aLayout == Layout::Newer) {
        for (const char* statement : kNewerSchema)
            run(QString::fromLatin1(statement), {});
    } else {
        for (const char* statement : kOlderSchema)
            run(QString::fromLatin1(statement), {});
    }
    run(QStringLiteral("INSERT INTO Calendar (title, flags) VALUES ('Home', 0)"), {});
}

bool CalendarFixture::run(const QString& aSql, const QVariantList& aValues)
{
    if (mDb.exec(aSql, aValues))
        return true;
    mOk = false;
    return false;
}

qint64 CalendarFixture::addEvent(const Event& aEvent)
{
    bool ok = false;
    if (mLayout == Layout::Newer) {
        ok = run(QStringLiteral(
                     "INSERT INTO CalendarItem (summary, description, start_date, end_date,"
                     " start_tz, all_day, url, calendar_id, has_recurrences, status) VALUES (?, ?,"
                     " ?, ?, ?, ?, ?, 1, 0, 0)"),
                 {aEvent.summary, aEvent.description, aEvent.startDate, aEvent.endDate,
                  aEvent.startTz, aEvent.allDay, aEvent.url});
    } else {
        ok = run(QStringLiteral(
                     "INSERT INTO Event (summary, location, description, start_date, end_date,"
                     " start_tz, all_day, url, calendar_id, has_recurrences, status) VALUES (?, ?,"
                     " ?, ?, ?, ?, ?, ?, 1, 0, 0)"),
                 {aEvent.summary, aEvent.location, aEvent.description, aEvent.startDate,
                  aEvent.endDate, aEvent.startTz, aEvent.allDay, aEvent.url});
    }
    if (!ok)
        return -1;
    const qint64 rowId = mDb.lastId();
    // The newer layout keeps places in their own table, pointing back at the event.
    if (mLayout == Layout::Newer && aEvent.location.isValid()) {
        run(QStringLiteral("INSERT INTO Location (title, item_owner_id) VALUES (?, ?)"),
            {aEvent.location, rowId});
    }
    return rowId;
}

void CalendarFixture::addRecurrence(qint64 aOwner, const QVariant& aFrequency,
                                    const QVariant& aInterval, const QVariant& aEndDate)
{
    const QString ownerColumn =
        mLayout == Layout::Newer ? QStringLiteral("owner_id") : QStringLiteral("event_id");
    run(QStringLiteral("INSERT INTO Recurrence (frequency, interval, end_date, week_start, %1)"
                       " VALUES (?, ?, ?, 1, ?)")
            .arg(ownerColumn),
        {aFrequency, aInterval, aEndDate, aOwner});
}

void CalendarFixture::addAlarm(qint64 aOwner, const QVariant& aTriggerInterval)
{
    const QString ownerColumn =
        mLayout == Layout::Newer ? QStringLiteral("owner_id") : QStringLiteral("entity_id");
    run(QStringLiteral("INSERT INTO Alarm (trigger_interval, type, disabled, %1)"
                       " VALUES (?, 0, 0, ?)")
            .arg(ownerColumn),
        {aTriggerInterval, aOwner});
}

bool CalendarFixture::exec(const QString& aSql)
{
    return run(aSql, {});
}
