#pragma once

#include "cli/CliCommand.h"

// "devices": the phones found, with id, name, mounted, configured, capacity and free space.
class DevicesCommand : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("devices"); }
    QString summary() const override;
    QString description() const override;
    QList<QCommandLineOption> options() const override;
    int run(const CliOptions& aOptions) override;
};
