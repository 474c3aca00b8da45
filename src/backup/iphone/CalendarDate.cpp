#include "backup/iphone/CalendarDate.h"

#include <cmath>
#include <limits>

qint64 CalendarDate::toUnixSeconds(const QString& aStoredDate)
{
    constexpr qint64 kMax = std::numeric_limits<qint64>::max() - kReferenceOffset;
    const QString text = aStoredDate.trimmed();
    bool ok = false;
    qint64 seconds = text.toLongLong(&ok);
    if (!ok) {
        // REAL columns (the newer databases keep fractions of seconds) arrive as the shortest
        // text that reads back as the same double, possibly with an exponent ("4.31784e+08").
        const double value = text.toDouble(&ok);
        // 2^63 is exactly representable; anything at or beyond it does not fit a qint64.
        if (ok && std::isfinite(value) && value >= -9223372036854775808.0 &&
            value < 9223372036854775808.0)
            seconds = qint64(std::trunc(value));
        else
            seconds = 0;
    }
    if (seconds > kMax)
        seconds = 0;
    return seconds + kReferenceOffset;
}

QString CalendarDate::toUnixText(const QString& aStoredDate)
{
    return QString::number(toUnixSeconds(aStoredDate));
}
