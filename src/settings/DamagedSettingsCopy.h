#pragma once

#include <QString>

// Keeps the content of a settings file that could not be read, beside it, before the file is
// replaced: "corvo.xml.bad", or "corvo.xml.bad.1", ... when an earlier copy holds something
// else. Only the code about to overwrite the file makes the copy; readers only name it.
class DamagedSettingsCopy
{
public:
    // Where keep() would put the content of aPath now: an earlier copy with the same bytes, or
    // the first free name.
    static QString target(const QString& aPath);
    // Copies aPath to target(aPath) unless that copy is already there. The path of the copy,
    // or empty when none could be made.
    static QString keep(const QString& aPath);

private:
    static bool sameBytes(const QString& aFirst, const QString& aSecond);
};
