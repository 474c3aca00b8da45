#include "settings/DamagedSettingsCopy.h"

#include "app/DebugLog.h"

#include <QFile>
#include <QFileInfo>

QString DamagedSettingsCopy::target(const QString& aPath)
{
    const QString base = aPath + QStringLiteral(".bad");
    QString candidate = base;
    for (int n = 1; QFileInfo::exists(candidate); ++n) {
        if (sameBytes(aPath, candidate))
            return candidate; // already kept
        candidate = base + QLatin1Char('.') + QString::number(n);
    }
    return candidate;
}

QString DamagedSettingsCopy::keep(const QString& aPath)
{
    LogScope scope("DamagedSettingsCopy::keep");
    const QString copy = target(aPath);
    if (QFileInfo::exists(copy))
        return copy;
    if (!QFile::copy(aPath, copy)) {
        logValue("Can't keep unreadable settings file as", copy);
        return QString();
    }
    logValue("Unreadable settings file kept as", copy);
    return copy;
}

bool DamagedSettingsCopy::sameBytes(const QString& aFirst, const QString& aSecond)
{
    QFile first(aFirst);
    QFile second(aSecond);
    if (first.size() != second.size() || !first.open(QIODevice::ReadOnly)
        || !second.open(QIODevice::ReadOnly))
        return false;
    constexpr qint64 kChunk = 1 << 20;
    while (!first.atEnd()) {
        if (first.read(kChunk) != second.read(kChunk))
            return false;
    }
    return true;
}
