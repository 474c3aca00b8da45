#include "cli/CliTerminal.h"

#include <cstdio>
#include <sys/ioctl.h>
#include <unistd.h>

bool CliTerminal::stdinIsTerminal()
{
    return ::isatty(STDIN_FILENO) == 1;
}

bool CliTerminal::stdoutIsTerminal()
{
    return ::isatty(STDOUT_FILENO) == 1;
}

int CliTerminal::width()
{
    winsize size{};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 10)
        return size.ws_col;
    return 80;
}

bool CliTerminal::askYesNo(const QString& aQuestion)
{
    std::fputs(aQuestion.toLocal8Bit().constData(), stdout);
    std::fputs(" [y/N] ", stdout);
    std::fflush(stdout);
    char line[256];
    // fgets fails on end of input and when Ctrl-C interrupts the read: both answer no.
    if (!std::fgets(line, sizeof line, stdin)) {
        std::fputs("\n", stdout);
        std::clearerr(stdin);
        return false;
    }
    return line[0] == 'y' || line[0] == 'Y';
}
