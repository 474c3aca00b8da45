#pragma once

#include "LayeringTable.h"

#include <QString>
#include <QStringList>

// Checks every quoted #include of the sources below a project root (its src/ and tools/
// folders) against a LayeringTable.
class IncludeChecker
{
public:
    explicit IncludeChecker(LayeringTable aTable) : mTable(std::move(aTable)) {}

    // One line per include against the table, and per source file in a folder the table does
    // not know: "path:line: message". Empty when the tree keeps to the table.
    QStringList violations(const QString& aRoot) const;

private:
    // The folder an include names, seen from the including file (relative to src/ or "tools/...").
    QString includedFolder(const QString& aRoot, const QString& aSourceFolder,
                           const QString& aIncluded) const;

    LayeringTable mTable;
};
