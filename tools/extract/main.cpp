// pellmar-extract BACKUP_FOLDER/ WORKING_FOLDER/
// Unpacks an iPhone backup and writes WORKING_FOLDER/backup_file_list. Exit code 0 when the
// list was written, 1 when the backup cannot be read (no list), 2 on wrong usage, 3 when the
// backup's index is damaged (the list holds the entries before the damage).
#include "BackupUnpacker.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.size() != 2) {
        err << "Usage: pellmar-extract BACKUP_FOLDER/ WORKING_FOLDER/\n"
            << "Unpacks an iPhone backup into WORKING_FOLDER and lists the unpacked files in\n"
            << "WORKING_FOLDER/backup_file_list. Writes no list when the backup cannot be read.\n";
        return 2;
    }
    BackupUnpacker unpacker(arguments.at(0), arguments.at(1), err);
    return unpacker.run();
}
