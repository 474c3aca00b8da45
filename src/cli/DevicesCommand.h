#pragma once

#include "cli/CliCommand.h"

// "devices": the phones found, with id, name, mounted, configured, capacity and free space.
class DevicesCommand : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("devices"); }
    QString summary() const override;
    QString usage() const override;
    int run(const QStringList& aArguments) override;
};
