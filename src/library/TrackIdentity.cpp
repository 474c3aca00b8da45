#include "library/TrackIdentity.h"

#include <QCryptographicHash>
#include <QDir>
#include <QHash>
#include <QtEndian>

#include <algorithm>
#include <numeric>

quint64 TrackIdentity::idOf(const QString& aRelativePath, quint32 aSalt)
{
    QByteArray key = aRelativePath.toUtf8();
    if (aSalt > 0) {
        key.append('\0');
        key.append(QByteArray::number(aSalt));
    }
    const QByteArray digest = QCryptographicHash::hash(key, QCryptographicHash::Sha256);
    return qFromBigEndian<quint64>(digest.constData());
}

QList<quint64> TrackIdentity::assign(const QStringList& aRelativePaths)
{
    QList<quint64> base;
    base.reserve(aRelativePaths.size());
    for (const QString& path : aRelativePaths)
        base.append(idOf(path));
    return assign(aRelativePaths, std::move(base));
}

QList<quint64> TrackIdentity::assign(const QStringList& aRelativePaths, QList<quint64> aBaseIds)
{
    const qsizetype count = aRelativePaths.size();
    QList<quint64> ids = std::move(aBaseIds);
    if (ids.size() != count) {
        ids.clear();
        for (const QString& path : aRelativePaths)
            ids.append(idOf(path));
    }
    QHash<quint64, qsizetype> owners;
    owners.reserve(count);
    QList<qsizetype> conflicting;
    for (qsizetype i = 0; i < count; ++i) {
        if (ids[i] == 0) {
            conflicting.append(i);
            continue;
        }
        const auto it = owners.find(ids[i]);
        if (it == owners.end()) {
            owners.insert(ids[i], i);
        } else {
            // Of two paths sharing an id, the one that sorts first keeps it.
            const qsizetype holder = it.value();
            const bool challengerFirst = aRelativePaths[i].toUtf8() < aRelativePaths[holder].toUtf8()
                                         || (aRelativePaths[i] == aRelativePaths[holder] && i < holder);
            conflicting.append(challengerFirst ? holder : i);
            if (challengerFirst)
                it.value() = i;
        }
    }
    if (conflicting.isEmpty())
        return ids;
    // Rare enough never to be seen; still deterministic: the losers, in path order, take the first
    // salted id no one holds.
    std::sort(conflicting.begin(), conflicting.end(), [&](qsizetype aLeft, qsizetype aRight) {
        const QByteArray left = aRelativePaths[aLeft].toUtf8();
        const QByteArray right = aRelativePaths[aRight].toUtf8();
        return left != right ? left < right : aLeft < aRight;
    });
    QHash<QString, quint32> nextSalt;
    for (const qsizetype index : conflicting) {
        quint32 salt = nextSalt.value(aRelativePaths[index], 1);
        quint64 id = idOf(aRelativePaths[index], salt);
        while (id == 0 || owners.contains(id))
            id = idOf(aRelativePaths[index], ++salt);
        nextSalt.insert(aRelativePaths[index], salt + 1);
        owners.insert(id, index);
        ids[index] = id;
    }
    return ids;
}

QString TrackIdentity::relativePath(const QString& aRoot, const QString& aPath)
{
    const QString root = QDir::cleanPath(aRoot);
    const QString path = QDir::cleanPath(aPath);
    if (root == QLatin1String("/"))
        return path.startsWith(QLatin1Char('/')) && path.size() > 1 ? path.mid(1) : QString();
    if (path.size() <= root.size() + 1 || !path.startsWith(root)
        || path.at(root.size()) != QLatin1Char('/'))
        return QString();
    return path.mid(root.size() + 1);
}
