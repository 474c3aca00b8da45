#pragma once

#include "settings/PhoneSettings.h"
#include "settings/SettingKeys.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <memory>

class QDomDocument;

// The settings file as it was when it was read: read once for a run or a window action and
// handed to everyone who needs a value. It never changes and never writes anything (it does
// not even create the folder), so it may be copied freely and shared between threads.
class SettingsSnapshot
{
public:
    enum class State {
        Read,    // the file was read (or is empty)
        Missing, // there is no settings file (or it cannot be opened)
        Damaged, // the file is there but was refused; it reads as no settings at all
    };

    // An empty snapshot: no file, every value its default.
    SettingsSnapshot();

    // Full path of the settings file.
    static QString filePath();
    // Reads the settings file once.
    static SettingsSnapshot read();
    // The values of aContents, as if they were the file's.
    static SettingsSnapshot fromBytes(const QByteArray& aContents);
    // The values of a document the settings editor holds (after it saved, for example).
    static SettingsSnapshot fromDocument(const QDomDocument& aDocument);

    State state() const;
    bool isDamaged() const { return state() == State::Damaged; }
    // Why a damaged file was refused, for the trace log.
    QString problem() const;
    // The layout the file was written in (files from before it was recorded read as 1).
    int formatVersion() const;

    QString text(const SettingKey& aKey) const;
    QString skipUpdateMessage() const { return text(SettingKeys::kSkipUpdateMessage); }
    QString iTunesLibraryPath() const { return text(SettingKeys::kITunesLibrary); }

    // The phone's view; one whose values are all defaults when the phone was never set up.
    // With two elements of the same id, the first in the file counts.
    PhoneSettings phone(const QString& aId) const;
    bool isConfigured(const QString& aId) const { return phone(aId).isKnown(); }
    // Every phone element in file order (the phone set up last comes last).
    QList<PhoneSettings> phones() const;
    // Every phone's folder as (id, folder), in file order; phones without one are left out.
    QList<QPair<QString, QString>> phoneFolders() const;
    // The cache file names of every phone that names one, last phone first.
    QStringList usedCacheFileNames() const;

private:
    struct Data;
    explicit SettingsSnapshot(std::shared_ptr<const Data> aData);

    std::shared_ptr<const Data> d;
};
