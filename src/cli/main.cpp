#include "app/AppStartup.h"
#include "cli/CliCommand.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

QString helpText()
{
    QString text;
    QTextStream out(&text);
    out << "Usage: pellmar-sync <command> [options]\n\n"
        << "Keeps an Android phone supplied with your iTunes music and moves the data of your\n"
        << "previous phone to it, without a window.\n\nCommands:\n";
    for (const auto& command : CliCommandRegistry::createAll())
        out << "  " << command->name().leftJustified(12) << command->summary() << "\n";
    out << "\n'pellmar-sync <command> --help' shows a command's options.\n\n"
        << "Exit codes:\n"
        << "  " << CliExit::kDone << "  done\n"
        << "  " << CliExit::kError
        << "  error (also when some tracks could not be copied or deleted)\n"
        << "  " << CliExit::kUsage << "  wrong usage\n"
        << "  " << CliExit::kCancelled
        << "  cancelled (Ctrl-C, deletions refused, or not enough space)\n"
        << "  " << CliExit::kNotConfigured
        << "  phone not set up, or no settings file (run 'pellmar-sync setup')\n";
    return text;
}

int dispatch(const QStringList& aArguments)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (aArguments.size() < 2 || aArguments.at(1) == QLatin1String("--help")
        || aArguments.at(1) == QLatin1String("-h") || aArguments.at(1) == QLatin1String("help")) {
        (aArguments.size() < 2 ? err : out) << helpText();
        return aArguments.size() < 2 ? CliExit::kUsage : CliExit::kDone;
    }
    auto command = CliCommandRegistry::create(aArguments.at(1));
    if (!command) {
        err << "pellmar-sync: unknown command '" << aArguments.at(1) << "'\n\n" << helpText();
        return CliExit::kUsage;
    }
    const QStringList rest = aArguments.mid(2);
    if (rest.contains(QLatin1String("--help")) || rest.contains(QLatin1String("-h"))) {
        out << command->usage();
        return CliExit::kDone;
    }
    return command->run(rest);
}

} // namespace

int main(int argc, char** argv)
{
    AppStartup::begin(argc);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pellmar-sync"));
    AppStartup::loadTranslations(app);
    const int code = dispatch(QCoreApplication::arguments());
    return AppStartup::finish(code);
}
