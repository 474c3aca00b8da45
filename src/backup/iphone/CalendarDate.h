#pragma once

#include <QString>

// The phone counts the dates of its calendar and notes databases in seconds from 2001-01-01;
// the companion app counts them from 1970-01-01.
class CalendarDate
{
public:
    // Seconds from 1970-01-01 to 2001-01-01.
    static constexpr qint64 kReferenceOffset = 978307200;

    // Converts a stored date, as the text of its column, into the companion app's count,
    // written as a signed decimal (dates before 1970 are negative). A real number is truncated
    // towards zero; a text that is no number, or a date too large to count, is taken as 0.
    static QString toUnixText(const QString& aStoredDate);

    // The same as a number.
    static qint64 toUnixSeconds(const QString& aStoredDate);
};
