#pragma once

#include <QString>
#include <QStringList>

// Runs an exporter in the probe program with a HOME of its own whose Desktop has the "CDZ"
// folder, so that the trace log is written, and gives back what the log shows.
struct ExportFixtureLogProbe
{
    // aKind: "addressbook", "messages", "calendar" or "notes". Returns false when the probe
    // could not run.
    bool run(const QString& aKind, const QString& aOutput, const QStringList& aDatabases);

    int result = 1;
    // The log's lines without their time stamps.
    QStringList lines;
    // The files the log folder holds afterwards (copies of the databases, the log).
    QStringList logFolderFiles;
};
