#include "cli/CliBackupPassword.h"

#include "cli/CliTerminal.h"

#include <QFile>

#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace {
// A password file longer than this is no password file.
constexpr qint64 kMaxLine = 4096;
}

bool CliBackupPassword::readFile(const QString& aFile, QByteArray& aPassword, QString& aError)
{
    QFile file(aFile);
    if (!file.open(QIODevice::ReadOnly)) {
        aError = QStringLiteral("cannot read the password file %1: %2").arg(aFile, file.errorString());
        return false;
    }
    aPassword = file.readLine(kMaxLine + 1);
    while (aPassword.endsWith('\n') || aPassword.endsWith('\r'))
        aPassword.chop(1);
    if (aPassword.isEmpty()) {
        aError = QStringLiteral("the password file %1 is empty; its first line is the password")
                     .arg(aFile);
        return false;
    }
    return true;
}

QByteArray CliBackupPassword::prompt(const QString& aQuestion)
{
    std::fputs(aQuestion.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    termios saved{};
    const bool terminal = ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        quiet.c_lflag |= ECHONL;
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    char line[kMaxLine];
    QByteArray password;
    if (std::fgets(line, sizeof line, stdin))
        password = QByteArray(line);
    else
        std::clearerr(stdin);
    memset(line, 0, sizeof line);
    if (terminal)
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    while (password.endsWith('\n') || password.endsWith('\r'))
        password.chop(1);
    return password;
}

bool CliBackupPassword::obtain(const QString& aFile, const QString& aOption,
                               const QString& aBackupPath, QByteArray& aPassword, QString& aError)
{
    if (!aFile.isEmpty())
        return readFile(aFile, aPassword, aError);
    if (!CliTerminal::stdinIsTerminal()) {
        aError = QStringLiteral("the backup at %1 is encrypted: give its password with --%2 FILE "
                                "(the first line of FILE), or run on a terminal to be asked for "
                                "it")
                     .arg(aBackupPath, aOption);
        return false;
    }
    aPassword = prompt(QStringLiteral("Password of the encrypted backup at %1: ").arg(aBackupPath));
    if (aPassword.isEmpty()) {
        aError = QStringLiteral("no password given; the backup at %1 is encrypted").arg(aBackupPath);
        return false;
    }
    return true;
}
