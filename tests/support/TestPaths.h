#pragma once

#include <QString>

// Where the build put the programs and where the sources are (set by CTest).
namespace TestPaths {
QString buildDir();
QString sourceDir();
// A built program, for example "pellmar-sync" or "pellmar-extract".
QString program(const QString& aName);
// A file below tests/data.
QString dataFile(const QString& aName);
} // namespace TestPaths
