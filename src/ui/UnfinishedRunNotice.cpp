#include "ui/UnfinishedRunNotice.h"

#include "settings/SyncSettings.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDomElement>
#include <QLocale>

void UnfinishedRunNotice::markStarted(const QString& aId)
{
    SyncSettings settings;
    settings.load();
    settings.setUnfinishedRunStart(aId,
                                   QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    settings.save();
}

void UnfinishedRunNotice::markFinished(const QString& aId)
{
    SyncSettings settings;
    settings.load();
    if (settings.unfinishedRunStart(aId).isEmpty())
        return;
    settings.setUnfinishedRunStart(aId, QString());
    settings.save();
}

QString UnfinishedRunNotice::text(const QString& aId)
{
    SyncSettings settings;
    if (settings.load() != 0)
        return QString();
    const QDomElement root = settings.document().documentElement();
    for (QDomElement device = root.firstChildElement(QStringLiteral("device")); !device.isNull();
         device = device.nextSiblingElement(QStringLiteral("device"))) {
        const QString id = device.firstChildElement(QStringLiteral("id")).text();
        if (!aId.isEmpty() && id != aId)
            continue;
        const QString started = settings.unfinishedRunStart(id);
        if (started.isEmpty())
            continue;
        QDateTime when = QDateTime::fromString(started, Qt::ISODate);
        const QString name = settings.getStringValue(id, QStringLiteral("name"));
        const QString time = when.isValid()
                                 ? QLocale().toString(when.toLocalTime(), QLocale::ShortFormat)
                                 : started;
        return QCoreApplication::translate(
                   "SyncUi", "The synchronization of \"%1\" that began %2 did not finish. The "
                             "next synchronization finishes it.")
            .arg(name, time);
    }
    return QString();
}
