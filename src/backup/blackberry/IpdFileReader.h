#pragma once

#include <QByteArrayView>
#include <QString>

class BackupDatabaseRegistry;

// Reads one BlackBerry backup database file (an ".ipd" file, or one ".dat" file of an unpacked
// ".bbb" archive): registers the names of its header and appends every well-formed record to
// its database. The file comes from outside: any truncation or inconsistency drops only the
// record concerned, and reading never goes beyond the file's end.
class IpdFileReader
{
public:
    explicit IpdFileReader(BackupDatabaseRegistry& aRegistry) : mRegistry(aRegistry) {}

    // False when the file cannot be opened (it is then skipped).
    bool readFile(const QString& aPath);
    // The same for the file's bytes.
    void read(QByteArrayView aBytes);

private:
    BackupDatabaseRegistry& mRegistry;
};
