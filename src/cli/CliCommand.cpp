#include "cli/CliCommand.h"

#include "cli/CliOptions.h"

#include <QTextStream>

#include <algorithm>

namespace {

QString optionLabel(const QCommandLineOption& aOption)
{
    QStringList names;
    for (const QString& name : aOption.names())
        names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    QString label = names.join(QStringLiteral(", "));
    if (!aOption.valueName().isEmpty())
        label += QLatin1Char(' ') + aOption.valueName();
    return label;
}

} // namespace

QString CliCommand::usage() const
{
    QString text;
    QTextStream out(&text);
    out << "Usage: pellmar-sync " << name() << " [options]";
    for (const QString& argument : argumentNames())
        out << ' ' << argument;
    out << "\n\n" << description() << "\n\nOptions:\n";

    QList<QCommandLineOption> all = options();
    all << CliOptions::helpOption();
    qsizetype width = 0;
    for (const QCommandLineOption& option : all)
        width = std::max(width, optionLabel(option).size());
    const QString indent(width + 4, QLatin1Char(' '));
    for (const QCommandLineOption& option : all) {
        out << "  " << optionLabel(option).leftJustified(width + 2);
        out << option.description().replace(QLatin1Char('\n'), QLatin1Char('\n') + indent)
            << "\n";
    }
    const QString remarks = notes();
    if (!remarks.isEmpty())
        out << "\n" << remarks;
    return text;
}
