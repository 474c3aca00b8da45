#include "ui/UnfinishedRunNotice.h"

#include "settings/SyncSettings.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>

void UnfinishedRunNotice::markStarted(const QString& aId)
{
    SyncSettings::update([&](SyncSettings& aSettings) {
        aSettings.setUnfinishedRunStart(aId,
                                        QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    });
}

void UnfinishedRunNotice::markFinished(const QString& aId)
{
    if (SettingsSnapshot::read().phone(aId).unfinishedRunStart().isEmpty())
        return;
    SyncSettings::update(
        [&](SyncSettings& aSettings) { aSettings.setUnfinishedRunStart(aId, QString()); });
}

QString UnfinishedRunNotice::text(const SettingsSnapshot& aSettings, const QString& aId)
{
    for (const PhoneSettings& phone : aSettings.phones()) {
        if (!aId.isEmpty() && phone.id() != aId)
            continue;
        const QString started = phone.unfinishedRunStart();
        if (started.isEmpty())
            continue;
        QDateTime when = QDateTime::fromString(started, Qt::ISODate);
        const QString time = when.isValid()
                                 ? QLocale().toString(when.toLocalTime(), QLocale::ShortFormat)
                                 : started;
        return QCoreApplication::translate(
                   "SyncUi", "The synchronization of \"%1\" that began %2 did not finish. The "
                             "next synchronization finishes it.")
            .arg(phone.name(), time);
    }
    return QString();
}
