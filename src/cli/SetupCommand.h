#pragma once

#include "cli/CliCommand.h"

// "setup": configures a phone as the setup wizard's last step does: what music, which podcasts
// and how many episodes, the album-art options; marks the phone configured and saves.
class SetupCommand : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("setup"); }
    QString summary() const override;
    QString description() const override;
    QList<QCommandLineOption> options() const override;
    int run(const CliOptions& aOptions) override;
};
