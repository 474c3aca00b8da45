// pellmar-extract BACKUP_FOLDER/ WORKING_FOLDER/
// pellmar-extract --check-password BACKUP_FOLDER/
// Unpacks an iPhone backup and writes WORKING_FOLDER/backup_file_list. The password of an
// encrypted backup is read from standard input (its first line), never from the command line
// or the environment. Exit codes: 0 the list was written (or, with --check-password, the
// password is right), 1 the backup cannot be read (no list), 2 wrong usage, 3 the backup's index
// is damaged (the list holds the entries before the damage), 4 the password is not right,
// 5 the backup is encrypted and no password was given.
#include "BackupUnpacker.h"

#include <QCoreApplication>
#include <QTextStream>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Longer lines are no password anyone types.
constexpr int kMaxPassword = 4096;

// The first line of standard input, without its line end.
QByteArray readPassword()
{
    QByteArray password;
    char c = 0;
    while (password.size() < kMaxPassword) {
        const ssize_t got = ::read(STDIN_FILENO, &c, 1);
        if (got <= 0 || c == '\n')
            break;
        password.append(c);
    }
    if (password.endsWith('\r'))
        password.chop(1);
    return password;
}

} // namespace

int main(int argc, char** argv)
{
    // Whatever is unpacked, decrypted above all, is for its owner's eyes only.
    ::umask(077);
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    const bool check = arguments.size() == 2 && arguments.at(0) == QLatin1String("--check-password");
    if (arguments.size() != 2 || (arguments.at(0).startsWith(QLatin1String("--")) && !check)) {
        err << "Usage: pellmar-extract BACKUP_FOLDER/ WORKING_FOLDER/\n"
            << "       pellmar-extract --check-password BACKUP_FOLDER/\n"
            << "Unpacks an iPhone backup into WORKING_FOLDER and lists the unpacked files in\n"
            << "WORKING_FOLDER/backup_file_list. Writes no list when the backup cannot be read.\n"
            << "The password of an encrypted backup is read from standard input.\n";
        return 2;
    }
    if (check) {
        BackupUnpacker unpacker(arguments.at(1), QString(), err, readPassword);
        return unpacker.checkPassword();
    }
    BackupUnpacker unpacker(arguments.at(0), arguments.at(1), err, readPassword);
    return unpacker.run();
}
