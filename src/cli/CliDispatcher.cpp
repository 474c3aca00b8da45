#include "cli/CliDispatcher.h"

#include "cli/CliCommand.h"
#include "cli/CliOptions.h"

#include <QTextStream>

QString CliDispatcher::helpText()
{
    QString text;
    QTextStream out(&text);
    out << "Usage: pellmar-sync [options] <command> [options]\n\n"
        << "Keeps an Android phone supplied with your iTunes music and moves the data of your\n"
        << "previous phone to it, without a window.\n\nCommands:\n";
    for (const auto& command : CliCommandRegistry::createAll())
        out << "  " << command->name().leftJustified(12) << command->summary() << "\n";
    out << "\n'pellmar-sync <command> --help' shows a command's options. Options may stand\n"
        << "before or after the command; '--' ends them.\n\n"
        << "Exit codes:\n"
        << "  " << CliExit::kDone << "  done\n"
        << "  " << CliExit::kError
        << "  error (also when a track or playlist could not be written, or a track not\n"
        << "     deleted)\n"
        << "  " << CliExit::kUsage << "  wrong usage\n"
        << "  " << CliExit::kCancelled
        << "  cancelled (Ctrl-C, deletions refused, or not enough space)\n"
        << "  " << CliExit::kNotConfigured
        << "  phone not set up, or no settings file (run 'pellmar-sync setup')\n"
        << "  " << CliExit::kBusy
        << "  another run is using the phone, or export's working folder\n"
        << "  " << CliExit::kWrongPassword
        << "  the password of an encrypted backup is not right\n";
    return text;
}

int CliDispatcher::dispatch(const QStringList& aArguments)
{
    // Which words are option values depends on the command's options, so each command parses
    // the line with its own; the one whose name comes out as the first plain word is meant.
    for (const auto& command : CliCommandRegistry::createAll()) {
        CliOptions options(command->options() << CliOptions::helpOption());
        const bool parsed = options.parse(aArguments);
        if (options.command() == command->name())
            return runCommand(*command, options, parsed);
    }
    return withoutCommand(aArguments);
}

int CliDispatcher::runCommand(CliCommand& aCommand, const CliOptions& aOptions, bool aParsed)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (aOptions.isSet(QStringLiteral("help"))) {
        out << aCommand.usage();
        return CliExit::kDone;
    }
    const QStringList words = aOptions.positional();
    const QStringList wanted = aCommand.argumentNames();
    QString problem;
    if (!aParsed)
        problem = aOptions.errorText();
    else if (words.size() > wanted.size())
        problem = QStringLiteral("unexpected argument '%1'").arg(words.at(wanted.size()));
    else if (words.size() < wanted.size())
        problem = QStringLiteral("needs %1").arg(wanted.join(QStringLiteral(" and ")));
    if (!problem.isEmpty()) {
        err << "pellmar-sync " << aCommand.name() << ": " << problem << "\n\n"
            << aCommand.usage();
        return CliExit::kUsage;
    }
    return aCommand.run(aOptions);
}

int CliDispatcher::withoutCommand(const QStringList& aArguments)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    CliOptions options({CliOptions::helpOption()});
    const bool parsed = options.parse(aArguments);
    const QString word = options.command();
    if (word == QLatin1String("help")) {
        const QStringList topic = options.positional();
        auto command = topic.isEmpty() ? nullptr : CliCommandRegistry::create(topic.first());
        out << (command ? command->usage() : helpText());
        return CliExit::kDone;
    }
    if (word.isEmpty() && parsed && options.isSet(QStringLiteral("help"))) {
        out << helpText();
        return CliExit::kDone;
    }
    // Options of the commands mean nothing here, so an option alone is reported as the missing
    // command rather than as unknown.
    if (!word.isEmpty())
        err << "pellmar-sync: unknown command '" << word << "'\n\n";
    else if (aArguments.size() > 1)
        err << "pellmar-sync: no command given\n\n";
    err << helpText();
    return CliExit::kUsage;
}
