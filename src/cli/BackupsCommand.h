#pragma once

#include "cli/CliCommand.h"

// "backups": the iPhone backups found on this computer, with name, path and encryption.
class BackupsCommand : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("backups"); }
    QString summary() const override;
    QString description() const override;
    QList<QCommandLineOption> options() const override;
    int run(const CliOptions& aOptions) override;
};
