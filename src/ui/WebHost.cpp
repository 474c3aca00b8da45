#include "ui/WebHost.h"

namespace {
QString overrideOrigin()
{
    QString origin = qEnvironmentVariable("PELLMAR_WEB_ORIGIN");
    while (origin.endsWith(QLatin1Char('/')))
        origin.chop(1);
    return origin;
}
} // namespace

QString WebHost::wwwOrigin()
{
    const QString origin = overrideOrigin();
    return origin.isEmpty() ? QStringLiteral("http://www.") + QLatin1String(kHost) : origin;
}

QString WebHost::plainOrigin()
{
    const QString origin = overrideOrigin();
    return origin.isEmpty() ? QStringLiteral("http://") + QLatin1String(kHost) : origin;
}

QString WebHost::updateAddress()
{
    return wwwOrigin() + QStringLiteral("/itunes/update/update123-plus.txt");
}
