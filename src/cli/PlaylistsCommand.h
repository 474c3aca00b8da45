#pragma once

#include "cli/CliCommand.h"

// "playlists": the library's playlists and podcasts.
class PlaylistsCommand : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("playlists"); }
    QString summary() const override;
    QString description() const override;
    QList<QCommandLineOption> options() const override;
    int run(const CliOptions& aOptions) override;
};
