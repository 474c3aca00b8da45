#include "cli/CliCommand.h"

#include <algorithm>

namespace {
std::vector<CliCommandRegistry::Factory>& factories()
{
    static std::vector<CliCommandRegistry::Factory> list;
    return list;
}
} // namespace

bool CliCommandRegistry::add(Factory aFactory)
{
    factories().push_back(aFactory);
    return true;
}

std::vector<std::unique_ptr<CliCommand>> CliCommandRegistry::createAll()
{
    std::vector<std::unique_ptr<CliCommand>> all;
    for (Factory f : factories())
        all.push_back(f());
    std::sort(all.begin(), all.end(),
              [](const auto& a, const auto& b) { return a->name() < b->name(); });
    return all;
}

std::unique_ptr<CliCommand> CliCommandRegistry::create(const QString& aName)
{
    for (Factory f : factories()) {
        auto command = f();
        if (command->name() == aName)
            return command;
    }
    return nullptr;
}
