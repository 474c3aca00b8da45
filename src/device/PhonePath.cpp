#include "device/PhonePath.h"

QStringList PhonePath::split(const QString& aPath)
{
    QStringList parts;
    qsizetype from = 0;
    for (qsizetype i = 0; i <= aPath.size(); ++i) {
        if (i == aPath.size() || aPath.at(i) == u'/' || aPath.at(i) == u'\\') {
            if (i > from)
                parts.append(aPath.mid(from, i - from));
            from = i + 1;
        }
    }
    return parts;
}

QString PhonePath::fromDeviceId(const QString& aDeviceId)
{
    if (aDeviceId.isEmpty())
        return QString();
    if (aDeviceId.startsWith(u'\\') || aDeviceId.startsWith(u'/') || aDeviceId.startsWith(u'.'))
        return aDeviceId;
    return QStringLiteral("/CORVO/") + aDeviceId;
}

QString PhonePath::stored(const QString& aPath)
{
    QString path = aPath;
    return path.replace(u'/', u'\\');
}

QString PhonePath::localPath(QStringView aRoot, const QString& aPhonePath)
{
    // Either separator; empty parts and "." are dropped, ".." is refused. Built in one string:
    // every copied track asks this twice.
    const QStringView phonePath(aPhonePath);
    QString path;
    path.reserve(aRoot.size() + 1 + phonePath.size());
    path.append(aRoot);
    for (qsizetype from = 0; from <= phonePath.size();) {
        qsizetype to = from;
        while (to < phonePath.size() && phonePath[to] != u'/' && phonePath[to] != u'\\')
            ++to;
        const QStringView part = phonePath.sliced(from, to - from);
        if (part == u"..")
            return QString();
        if (!part.isEmpty() && part != u".") {
            path.append(u'/');
            path.append(part);
        }
        from = to + 1;
    }
    return path;
}
