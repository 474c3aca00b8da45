#pragma once

#include <QString>
#include <QStringList>

class CliCommand;
class CliOptions;

// Finds the command in the words of the command line, wherever the options stand, parses its
// options, answers --help and usage errors, and runs it.
class CliDispatcher
{
public:
    // aArguments as the process got them (program name first). Returns the exit code.
    static int dispatch(const QStringList& aArguments);
    // The general help: the commands and the exit codes.
    static QString helpText();

private:
    static int runCommand(CliCommand& aCommand, const CliOptions& aOptions, bool aParsed);
    static int withoutCommand(const QStringList& aArguments);
};
