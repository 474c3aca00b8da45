#pragma once

#include <QString>
#include <QStringList>

// Paths on a phone, relative to the root of one of its storages. Inside the program they use
// "/"; the backslash is read too, since the stored formats (the track cache, the hint files)
// keep it, and older callers may still pass it.
class PhonePath
{
public:
    // Components at either separator, empty ones dropped.
    static QStringList split(const QString& aPath);
    // A track's device id to its path from the root: an empty id gives an empty path, an id
    // that starts with a separator or "." stays as it is, any other lies in "CORVO".
    static QString fromDeviceId(const QString& aDeviceId);
    // A path in the form the stored formats keep: "\" for "/".
    static QString stored(const QString& aPath);
    // The local path of a phone path below a folder phone's root aRoot (given without a
    // trailing "/"): empty parts and "." are dropped; empty when a ".." part would leave it.
    static QString localPath(QStringView aRoot, const QString& aPhonePath);
};
