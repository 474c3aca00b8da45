#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class CliOptions;

// Exit codes of pellmar-sync, documented in its --help.
namespace CliExit {
constexpr int kDone = 0;
constexpr int kError = 1;
constexpr int kUsage = 2;
constexpr int kCancelled = 3;
constexpr int kNotConfigured = 4;
// Another run holds the phone (or export's working folder).
constexpr int kBusy = 5;
// The password of an encrypted backup is not right.
constexpr int kWrongPassword = 6;
} // namespace CliExit

// One subcommand of pellmar-sync. Each command lives in its own file and registers itself with
// PELLMAR_REGISTER_COMMAND, so that adding a command needs no edit elsewhere. A command's
// options are declared once, in options(); parsing, the unknown-option errors and the help
// text all come from that list.
class CliCommand
{
public:
    virtual ~CliCommand() = default;
    virtual QString name() const = 0;
    // One line for the command list of --help.
    virtual QString summary() const = 0;
    // What the command does, for its help text.
    virtual QString description() const = 0;
    // The command's options, shared ones included (CliOptions::phoneOptions()).
    virtual QList<QCommandLineOption> options() const = 0;
    // The arguments it takes after its name, e.g. {"BACKUP", "OUTDIR"}; exactly these many.
    virtual QStringList argumentNames() const { return {}; }
    // Remarks printed after the option list.
    virtual QString notes() const { return QString(); }
    // Runs with the parsed command line; returns a CliExit code.
    virtual int run(const CliOptions& aOptions) = 0;

    // The help text, generated from the declarations above.
    QString usage() const;
};

class CliCommandRegistry
{
public:
    using Factory = std::unique_ptr<CliCommand> (*)();
    static bool add(Factory aFactory);
    static std::vector<std::unique_ptr<CliCommand>> createAll();
    static std::unique_ptr<CliCommand> create(const QString& aName);
};

#define PELLMAR_REGISTER_COMMAND(ClassName)                                                     \
    namespace {                                                                                 \
    const bool registered##ClassName = CliCommandRegistry::add(                                 \
        []() -> std::unique_ptr<CliCommand> { return std::make_unique<ClassName>(); });         \
    }
