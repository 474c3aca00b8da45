#pragma once

#include <QString>

class SettingsSnapshot;

// Remembers in the settings file that a run of a phone began and has not finished, so that a
// run that was stopped, failed, or ended with the program, is told about at the next start.
// The track cache already lets the next run carry on where this one stopped.
class UnfinishedRunNotice
{
public:
    static void markStarted(const QString& aId);
    static void markFinished(const QString& aId);
    // The notice for the phone aId, or with an empty aId for any phone; empty when the last run
    // of each finished.
    static QString text(const SettingsSnapshot& aSettings, const QString& aId);
};
