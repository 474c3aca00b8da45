#pragma once

#include "cli/CliCommand.h"

// "run": one synchronisation of a phone, with progress, the three questions of a run asked at
// the terminal or answered by flags, and Ctrl-C cancelling cleanly.
class RunCommand : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("run"); }
    QString summary() const override;
    QString description() const override;
    QList<QCommandLineOption> options() const override;
    QString notes() const override;
    int run(const CliOptions& aOptions) override;

    // The exit code for a run that ended in aFinalState.
    static int exitCodeFor(int aFinalState, bool aAllCopiedAndDeleted);
};
