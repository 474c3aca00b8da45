#pragma once

#include "tracks/PlaylistEntry.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Small helpers of the phone tests: local files as a test lays them out, and playlist entries.
namespace DeviceTestHelpers {

// All bytes of the file; empty when it cannot be read.
QByteArray readFile(const QString& aPath);
// Writes the file, making its folder first; fails the current test when it cannot be opened.
void writeFile(const QString& aPath, const QByteArray& aContent);
// A playlist of the given track indexes, in order, without dates added.
PlaylistEntry entryOf(const QString& aName, const QList<int>& aIndexes);

} // namespace DeviceTestHelpers
