#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// Exit codes of pellmar-sync, documented in its --help.
namespace CliExit {
constexpr int kDone = 0;
constexpr int kError = 1;
constexpr int kUsage = 2;
constexpr int kCancelled = 3;
constexpr int kNotConfigured = 4;
} // namespace CliExit

// One subcommand of pellmar-sync. Each command lives in its own file and registers itself with
// PELLMAR_REGISTER_COMMAND, so that adding a command needs no edit elsewhere.
class CliCommand
{
public:
    virtual ~CliCommand() = default;
    virtual QString name() const = 0;
    // One line for the command list of --help.
    virtual QString summary() const = 0;
    // The command's own usage text (options and arguments).
    virtual QString usage() const = 0;
    // aArguments are the words after the command name. Returns a CliExit code.
    virtual int run(const QStringList& aArguments) = 0;
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
