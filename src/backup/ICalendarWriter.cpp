#include "backup/ICalendarWriter.h"

#include "app/DebugLog.h"
#include "backup/PortableText.h"

#include <QFile>
#include <QTimeZone>

#include <libical/ical.h>

#include <cstdlib>
#include <cstring>

namespace {

const QString kFloating = QStringLiteral("_float");

icaltimetype dateValue(const QDate& aDate)
{
    icaltimetype time = icaltime_null_date();
    time.year = aDate.year();
    time.month = aDate.month();
    time.day = aDate.day();
    return time;
}

// A wall-clock time without zone (floating, or local to a TZID parameter).
icaltimetype clockValue(const QDateTime& aTime)
{
    icaltimetype time = icaltime_null_time();
    const QDate date = aTime.date();
    const QTime clock = aTime.time();
    time.year = date.year();
    time.month = date.month();
    time.day = date.day();
    time.hour = clock.hour();
    time.minute = clock.minute();
    time.second = clock.second();
    return time;
}

icaltimetype utcValue(qint64 aSeconds)
{
    icaltimetype time = clockValue(QDateTime::fromSecsSinceEpoch(aSeconds, Qt::UTC));
    time.zone = icaltimezone_get_utc_timezone();
    return time;
}

icalrecurrencetype_frequency frequency(const QString& aName)
{
    if (aName == QLatin1String("DAILY"))
        return ICAL_DAILY_RECURRENCE;
    if (aName == QLatin1String("WEEKLY"))
        return ICAL_WEEKLY_RECURRENCE;
    if (aName == QLatin1String("MONTHLY"))
        return ICAL_MONTHLY_RECURRENCE;
    if (aName == QLatin1String("YEARLY"))
        return ICAL_YEARLY_RECURRENCE;
    return ICAL_NO_RECURRENCE;
}

QByteArray text(const QString& aText)
{
    return PortableText::withoutControls(aText, true).toUtf8();
}

// How the times of one event are written.
struct EventClock
{
    enum class Kind { Date, Zoned, Floating, Utc } mKind = Kind::Utc;
    QTimeZone mZone;
    QByteArray mZoneName;

    QDateTime local(qint64 aSeconds) const
    {
        return mKind == Kind::Zoned ? QDateTime::fromSecsSinceEpoch(aSeconds, mZone)
                                    : QDateTime::fromSecsSinceEpoch(aSeconds, Qt::UTC);
    }

    icaltimetype value(qint64 aSeconds) const
    {
        switch (mKind) {
        case Kind::Date: return dateValue(local(aSeconds).date());
        case Kind::Zoned:
        case Kind::Floating: return clockValue(local(aSeconds));
        case Kind::Utc: break;
        }
        return utcValue(aSeconds);
    }

    icalproperty* withZone(icalproperty* aProperty) const
    {
        if (mKind == Kind::Zoned)
            icalproperty_add_parameter(aProperty, icalparameter_new_tzid(mZoneName.constData()));
        return aProperty;
    }
};

} // namespace

ICalendarWriter::ICalendarWriter(const QString& aPath) : mPath(aPath) {}

ICalendarWriter::~ICalendarWriter()
{
    if (mCalendar)
        icalcomponent_free(mCalendar);
    for (icalcomponent* event : std::as_const(mEvents))
        icalcomponent_free(event);
}

bool ICalendarWriter::open()
{
    QFile file(mPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    mCalendar = icalcomponent_new(ICAL_VCALENDAR_COMPONENT);
    icalcomponent_add_property(mCalendar, icalproperty_new_version("2.0"));
    icalcomponent_add_property(mCalendar, icalproperty_new_prodid("-//Pellmar//Pellmar//EN"));
    icalcomponent_add_property(mCalendar, icalproperty_new_calscale("GREGORIAN"));
    if (!mStamp.isValid())
        mStamp = QDateTime::currentDateTimeUtc();
    mCount = 0;
    return true;
}

bool ICalendarWriter::addZone(const QString& aZone)
{
    if (mZones.contains(aZone))
        return true;
    const QByteArray name = aZone.toUtf8();
    icaltimezone* zone = icaltimezone_get_builtin_timezone(name.constData());
    icalcomponent* definition = zone ? icaltimezone_get_component(zone) : nullptr;
    if (!definition)
        return false;
    icalcomponent* copy = icalcomponent_new_clone(definition);
    // libical names its zones with a prefix of its own; readers know the plain name.
    if (icalproperty* tzid = icalcomponent_get_first_property(copy, ICAL_TZID_PROPERTY))
        icalproperty_set_tzid(tzid, name.constData());
    icalcomponent_add_component(mCalendar, copy);
    mZones.insert(aZone);
    return true;
}

void ICalendarWriter::write(const CalendarEvent& aEvent)
{
    if (!isOpen())
        return;

    EventClock clock;
    const QString zoneName = aEvent.mTimeZone.trimmed();
    if (zoneName == kFloating) {
        clock.mKind = EventClock::Kind::Floating;
    } else if (!zoneName.isEmpty()) {
        clock.mZone = QTimeZone(zoneName.toUtf8());
        if (clock.mZone.isValid() && addZone(zoneName)) {
            clock.mKind = EventClock::Kind::Zoned;
            clock.mZoneName = zoneName.toUtf8();
        } else {
            logValue("Unknown time zone - written in UTC", zoneName);
        }
    }

    icalcomponent* event = icalcomponent_new_vevent();
    QString uid = aEvent.mUid;
    for (int n = 2; mUids.contains(uid); ++n)
        uid = aEvent.mUid + u'-' + QString::number(n);
    mUids.insert(uid);
    icalcomponent_add_property(event, icalproperty_new_uid(text(uid).constData()));
    icalcomponent_add_property(event, icalproperty_new_dtstamp(utcValue(mStamp.toSecsSinceEpoch())));

    const qint64 end = qMax(aEvent.mStart, aEvent.mEnd);
    if (aEvent.mAllDay) {
        // A day in the event's own zone; the end date is the day after the last one.
        EventClock days = clock;
        days.mKind = EventClock::Kind::Date;
        const QDate first = days.local(aEvent.mStart).date();
        QDate after = days.local(qMax(aEvent.mStart, end - 1)).date().addDays(1);
        if (after <= first)
            after = first.addDays(1);
        icalcomponent_add_property(event, icalproperty_new_dtstart(dateValue(first)));
        icalcomponent_add_property(event, icalproperty_new_dtend(dateValue(after)));
    } else {
        icalcomponent_add_property(
            event, clock.withZone(icalproperty_new_dtstart(clock.value(aEvent.mStart))));
        icalcomponent_add_property(event, clock.withZone(icalproperty_new_dtend(clock.value(end))));
    }

    const auto addText = [event](icalproperty* (*aMake)(const char*), const QString& aValue) {
        const QByteArray value = text(aValue);
        if (!value.trimmed().isEmpty())
            icalcomponent_add_property(event, aMake(value.constData()));
    };
    addText(icalproperty_new_summary, aEvent.mSummary);
    addText(icalproperty_new_location, aEvent.mLocation);
    addText(icalproperty_new_description, aEvent.mDescription);
    addText(icalproperty_new_url, aEvent.mUrl);

    const icalrecurrencetype_frequency repeat = frequency(aEvent.mFrequency);
    if (repeat != ICAL_NO_RECURRENCE) {
        icalrecurrencetype rule;
        icalrecurrencetype_clear(&rule);
        rule.freq = repeat;
        rule.interval = short(qBound(1, aEvent.mInterval, 1000));
        if (aEvent.mRepeatEnd != 0) {
            // UNTIL has the value type of DTSTART, in UTC when DTSTART has a zone.
            if (aEvent.mAllDay) {
                EventClock days = clock;
                days.mKind = EventClock::Kind::Date;
                rule.until = days.value(aEvent.mRepeatEnd);
            } else if (clock.mKind == EventClock::Kind::Floating) {
                rule.until = clock.value(aEvent.mRepeatEnd);
            } else {
                rule.until = utcValue(aEvent.mRepeatEnd);
            }
        }
        icalcomponent_add_property(event, icalproperty_new_rrule(rule));
    }

    const QByteArray reminder =
        aEvent.mSummary.trimmed().isEmpty() ? QByteArray("Reminder") : text(aEvent.mSummary);
    for (const int seconds : aEvent.mAlarms) {
        icalcomponent* alarm = icalcomponent_new_valarm();
        icalcomponent_add_property(alarm, icalproperty_new_action(ICAL_ACTION_DISPLAY));
        icalcomponent_add_property(alarm, icalproperty_new_description(reminder.constData()));
        icaltriggertype trigger;
        trigger.time = icaltime_null_time();
        trigger.duration = icaldurationtype_from_int(seconds);
        icalcomponent_add_property(alarm, icalproperty_new_trigger(trigger));
        icalcomponent_add_component(event, alarm);
    }
    mEvents.append(event);
    ++mCount;
}

bool ICalendarWriter::finish()
{
    if (!isOpen())
        return true;
    // The zones come first, as readers expect them before the events that name them.
    for (icalcomponent* event : std::as_const(mEvents))
        icalcomponent_add_component(mCalendar, event);
    mEvents.clear();
    char* ical = icalcomponent_as_ical_string_r(mCalendar);
    icalcomponent_free(mCalendar);
    mCalendar = nullptr;
    QFile file(mPath);
    bool ok = ical && file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    if (ok) {
        const qint64 size = qint64(std::strlen(ical));
        ok = file.write(ical, size) == size && file.flush();
        file.close();
    }
    std::free(ical);
    if (!ok)
        logValue("Could not write the calendar file", mPath);
    return ok;
}
