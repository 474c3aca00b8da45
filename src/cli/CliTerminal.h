#pragma once

#include <QString>

// The terminal side of the command line: whether stdin and stdout are terminals, yes/no
// questions, and a progress line that rewrites itself.
class CliTerminal
{
public:
    static bool stdinIsTerminal();
    static bool stdoutIsTerminal();
    // Width of the terminal on stdout, 80 when unknown.
    static int width();
    // Asks aQuestion on stdout and reads one line; true only for an answer starting with y or
    // Y. End of input or an interruption (Ctrl-C) answers no.
    static bool askYesNo(const QString& aQuestion);
};
